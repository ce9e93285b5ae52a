#pragma once

// Reading the small side files of the look (skin, cursor) without trusting
// them: a file that is missing, a folder, a dangling link, a device or far
// too large is refused before a byte is read, and never more than the limit
// is read. Works for Qt resource paths (":/...") too.

#include <QByteArray>
#include <QString>

#include <string>

namespace drillix {

// Refuses the file as readBoundedFile() would, without reading it: for files
// that someone else reads (Qt reads a skin's pictures itself).
void checkBoundedFile(const QString &path, const std::string &what, qint64 limit);

// Reads the whole file. `what` names it at the start of each failure text
// ("Skin file", "Picture file"). Throws Failure.
QByteArray readBoundedFile(const QString &path, const std::string &what, qint64 limit);

// A size as people read it: "640 bytes", "12 KB", "1.1 MB", "50 MB". Rounds
// up, so that a file one byte over a 1 MB limit never reads "1 MB".
std::string describeSize(qint64 bytes);

} // namespace drillix
