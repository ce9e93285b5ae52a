#pragma once

#include "core/platform.h"

namespace drillix {

// Starts command lines without a shell interpreter: the line is split into
// a program and its arguments as QProcess splits them (double quotes
// group), and "explorer" stands for the desktop's URL and file opener.
class QtShell : public Shell
{
public:
    void run(const std::string &commandLine) override;
};

} // namespace drillix
