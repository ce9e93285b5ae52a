#pragma once

// The platform pieces the program leans on, as interfaces. The real ones
// live in src/qt; the tests give fakes. Each failure is thrown as a Failure
// (form/failure.h) carrying a description fit for the error report.

#include "form/picture.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drillix {

// Message box styles and results, numbered as the platform numbers them.
inline constexpr int kMsgBoxOkOnly = 0;
inline constexpr int kMsgBoxIconBits = 0x70;
inline constexpr int kMsgBoxCritical = 16;
inline constexpr int kMsgBoxQuestion = 32;
inline constexpr int kMsgBoxExclamation = 48;
inline constexpr int kMsgBoxInformation = 64;
inline constexpr int kMsgBoxResultOk = 1;

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box and returns when the user has closed it. The text
    // may hold CR LF and bare CR line breaks.
    virtual int show(const std::string &text, int style, const std::string &title) = 0;
};

// The sound engine behind the media player control: starts a file at once,
// replacing whatever is playing, and never waits. Problems with the file or
// the audio device mean silence; they are never thrown.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    virtual void play(const std::string &path, int volumePercent) = 0;
};

// Window styles for Shell::run.
inline constexpr int kShellMinimisedFocus = 2;

class Shell
{
public:
    virtual ~Shell() = default;
    // Starts a command line and does not wait for it. Throws when the
    // program cannot be started.
    virtual void run(const std::string &commandLine, int windowStyle) = 0;
};

// Skins the main window from a skin file.
class SkinEngine
{
public:
    virtual ~SkinEngine() = default;
    // Reads and checks the skin file, then restyles the window with it;
    // throws when the file is damaged, leaving the window as it was.
    virtual void applySkin(const std::string &path) = 0;
};

class PictureLoader
{
public:
    virtual ~PictureLoader() = default;
    // Loads a picture or cursor file; throws when it cannot be read as one.
    virtual Picture loadPicture(const std::string &path) = 0;
};

// A file opened for sequential input.
class InputFile
{
public:
    virtual ~InputFile() = default;
    // Reads up to size bytes; returns 0 at the end. Throws on a read error.
    virtual std::size_t read(char *buffer, std::size_t size) = 0;
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;
    // The file's last-modification time as text; throws when the file,
    // its folder or the path itself is not there or not valid.
    virtual std::string modificationTime(const std::string &path) = 0;
    // Names of the normal files (no folders, no hidden or special files)
    // that the path names: empty when there are none.
    virtual std::vector<std::string> listNormalFiles(const std::string &path) = 0;
    virtual std::unique_ptr<InputFile> openForInput(const std::string &path) = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual float secondsSinceMidnight() = 0;
};

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void seed(float seed) = 0;
    // A uniform fraction r with 0 <= r < 1.
    virtual float next() = 0;
};

// Where the program's warnings go: a failure that no error report shows.
class Diagnostics
{
public:
    virtual ~Diagnostics() = default;
    virtual void warning(const std::string &message) = 0;
};

// Everything the program reaches outside itself, handed in at start-up.
struct Platform {
    MessageBoxes &messageBoxes;
    SoundOutput &sound;
    Shell &shell;
    SkinEngine &skin;
    PictureLoader &pictures;
    FileSystem &files;
    Clock &clock;
    RandomSource &random;
    Diagnostics &diagnostics;
};

} // namespace drillix
