#pragma once

// The desktop that the game asks of, through Qt and the system: message
// boxes, the web browser, the local disk and the random draw.

#include "core/platform.h"

namespace drillix {

// Modal message boxes with Qt's QMessageBox.
class QtMessageBoxes : public MessageBoxes
{
public:
    void show(const std::string &text, contract::MessageBoxStyle style, const std::string &title) override;
};

// The desktop's browser, through QDesktopServices.
class QtWebBrowser : public WebBrowser
{
public:
    void open(const std::string &address) override;
};

// Files of the local disk, through POSIX calls: paths are bytes, whatever
// the locale.
class LocalFileSystem : public FileSystem
{
public:
    bool exists(const std::string &path) override;
    bool isNormalFile(const std::string &path) override;
    std::unique_ptr<InputFile> openForInput(const std::string &path) override;
};

// Draws from Qt's global generator, which the system's entropy seeds.
class SystemRandom : public RandomSource
{
public:
    int draw(int n) override;
};

} // namespace drillix
