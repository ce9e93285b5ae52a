#pragma once

// Our own reading of the Qt style-sheet grammar: Qt tells of a sheet it
// cannot parse only by a warning, and recovers from some damage silently.

#include <QString>

#include <functional>
#include <optional>

namespace drillix {

// What stands for url(name) in a style sheet, given the name and its line.
using PictureUrl = std::function<QString(const QString &name, int line)>;

// The sheet with `picture` standing for each url() in a value, or nothing
// when it is not rules (bare declarations when declarationsOnly): blocks,
// comments and strings closed, each selector followed by a block of
// "property: value;" declarations. The text starts on line firstLine.
std::optional<QString> readStyleSheet(QStringView text, bool declarationsOnly, int firstLine,
                                      const PictureUrl &picture);

} // namespace drillix
