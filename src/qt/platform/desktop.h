#pragma once

// The desktop that the game asks of, through Qt and the system: message
// boxes, the shell, the local disk, the clock and the random numbers.

#include "core/platform.h"

#include <QString>

#include <random>

namespace drillix {

// Modal message boxes with Qt's QMessageBox.
class QtMessageBoxes : public MessageBoxes
{
public:
    void show(const std::string &text, int style, const std::string &title) override;

    // CR LF and a bare CR are both line breaks in a message box.
    static QString displayText(const std::string &text);
};

// Starts command lines without a shell interpreter: the line is split into
// a program and its arguments as QProcess splits them (double quotes
// group), and "explorer" stands for the desktop's URL and file opener.
class QtShell : public Shell
{
public:
    void run(const std::string &commandLine) override;
};

// Files of the local disk, through POSIX calls.
class LocalFileSystem : public FileSystem
{
public:
    bool exists(const std::string &path) override;
    bool isNormalFile(const std::string &path) override;
    std::unique_ptr<InputFile> openForInput(const std::string &path) override;
};

// The local time of day from the system clock.
class SystemClock : public Clock
{
public:
    float secondsSinceMidnight() override;
};

// Uniform fractions from a generator seeded with the given value.
class SystemRandom : public RandomSource
{
public:
    void seed(float seed) override;
    float next() override;

private:
    std::mt19937 m_engine{0};
};

} // namespace drillix
