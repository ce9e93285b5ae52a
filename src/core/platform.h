#pragma once

// What the game asks of the desktop, as interfaces: the Qt program gives the
// real ones, tests give fakes. A failure is thrown as a Failure whose text is
// fit for the error report.

#include "core/contract.h"

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace drillix {

class Failure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A picture file with the hot spot that a cursor file carries.
struct Picture {
    std::string source;
    int hotSpotX = 0;
    int hotSpotY = 0;

    bool isNull() const { return source.empty(); }
    friend bool operator==(const Picture &, const Picture &) = default;
};

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // A modal box; returns once the user has closed it. The text may hold
    // CR LF and bare CR line breaks.
    virtual void show(const std::string &text, contract::MessageBoxStyle style, const std::string &title) = 0;
};

// Starts a sound file at once, cutting off whatever plays, and never waits.
// Trouble with the file or the sound server means silence, never a throw.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    virtual void play(const std::string &path, int volumePercent) = 0;
};

class WebBrowser
{
public:
    virtual ~WebBrowser() = default;
    // Hands the address to the desktop's browser and does not wait; throws
    // when no browser can be started.
    virtual void open(const std::string &address) = 0;
};

// Restyles the window from a skin file; throws when the file is damaged.
class SkinEngine
{
public:
    virtual ~SkinEngine() = default;
    virtual void applySkin(const std::string &path) = 0;
};

class PictureLoader
{
public:
    virtual ~PictureLoader() = default;
    // Reads a picture or cursor file; throws when it is not one.
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
    // Whether the path names anything, a folder too; a link counts as what it
    // points to, so a dangling one names nothing.
    virtual bool exists(const std::string &path) = 0;
    // Whether the path names a normal file: no folder or special file.
    virtual bool isNormalFile(const std::string &path) = 0;
    virtual std::unique_ptr<InputFile> openForInput(const std::string &path) = 0;
};

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    // A whole number from 1 to n, each as likely, from a source that no
    // start of the program repeats.
    virtual int draw(int n) = 0;
};

// Where the side files that users may replace are found.
class SideFiles
{
public:
    virtual ~SideFiles() = default;
    // The path of the side file of this name (contract.h) in the first
    // folder that holds anything by that name; when none does, the path it
    // would have among the program's own side files, so that a report names
    // where it belongs.
    virtual std::string locate(const std::string &name) = 0;
};

// Everything the game reaches outside itself.
struct Platform {
    MessageBoxes &messageBoxes;
    SoundOutput &sound;
    WebBrowser &browser;
    SkinEngine &skin;
    PictureLoader &pictures;
    FileSystem &files;
    RandomSource &random;
    SideFiles &sideFiles;
};

} // namespace drillix
