#pragma once

#include "core/contract.h"
#include "core/platform.h"

#include <QString>

namespace drillix {

// Modal message boxes with Qt's QMessageBox.
class QtMessageBoxes : public MessageBoxes
{
public:
    void show(const std::string &text, int style, const std::string &title) override;

    // CR LF and a bare CR are both line breaks in a message box.
    static QString displayText(const std::string &text);
};

} // namespace drillix
