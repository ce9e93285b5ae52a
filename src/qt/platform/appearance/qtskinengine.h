#pragma once

// The skin engine: checks a skin file (skinfile.h) and restyles the child
// controls of one window with its [controls], [colours] and [metrics]
// sections, through a style sheet set on that window, never on the
// application. The [window] and variant sections are checked but not
// applied: the map and the panel cover the window itself, and the program
// chooses no variant.
//
// A relative url(name) is found from the skin file's folder, whatever the
// current folder. Qt's style sheets decode a picture once for every widget
// and rule that shows it unless it fits in Qt's pixmap cache, so every
// picture must be one Qt reads, all of them together at most 32 MB once
// decoded, and the cache is given room for them. What counts is what Qt
// decodes: every image in a file, an icon's by its own header, and every
// "@2x" to "@9x" sibling that Qt takes in a picture's place on screens of
// higher ratio, each a normal file too.

#include "core/platform.h"

#include <QPointer>
#include <QWidget>

namespace drillix {

class QtSkinEngine final : public SkinEngine
{
public:
    // The engine does not own the window and notices when it is destroyed.
    explicit QtSkinEngine(QWidget *window = nullptr) : m_window(window) {}
    void setWindow(QWidget *window) { m_window = window; }

    void applySkin(const std::string &path) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace drillix
