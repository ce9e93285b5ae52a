#pragma once

// Stand-ins for the platform pieces: each records what the program asked of
// it, so that a whole game runs in a unit test without a display.

#include "core/platform.h"
#include "core/quiz.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace drillix::test {

struct ShownBox {
    std::string text;
    contract::MessageBoxStyle style;
    std::string title;
};

class FakeMessageBoxes : public MessageBoxes
{
public:
    void show(const std::string &text, contract::MessageBoxStyle style, const std::string &title) override
    {
        shown.push_back({text, style, title});
        if (onShow)
            onShow(shown.back());
    }
    std::vector<ShownBox> shown;
    std::function<void(const ShownBox &)> onShow;
};

class FakeSound : public SoundOutput
{
public:
    void play(const std::string &path, int volumePercent) override
    {
        played.push_back(path);
        volumes.push_back(volumePercent);
    }
    std::vector<std::string> played;
    std::vector<int> volumes;
};

class FakeBrowser : public WebBrowser
{
public:
    void open(const std::string &address) override
    {
        if (fail)
            throw Failure("File not found");
        opened.push_back(address);
    }
    bool fail = false;
    std::vector<std::string> opened;
};

class FakeSkin : public SkinEngine
{
public:
    void applySkin(const std::string &path) override
    {
        applied.push_back(path);
        if (fail)
            throw Failure("Skin file is damaged");
    }

    bool fail = false;
    std::vector<std::string> applied;
};

class FakePictures : public PictureLoader
{
public:
    Picture loadPicture(const std::string &path) override
    {
        loaded.push_back(path);
        if (fail)
            throw Failure("Invalid picture");
        if (outOfMemory)
            throw std::bad_alloc();
        return Picture{path, 7, 2};
    }
    bool fail = false;
    bool outOfMemory = false;
    std::vector<std::string> loaded;
};

class FakeInputFile : public InputFile
{
public:
    // Hands the bytes out in small pieces, so that line ends fall across
    // reads; from byte `failAt` on every read fails, as on a failing disk.
    explicit FakeInputFile(std::string bytes, std::size_t piece = 3, std::size_t failAt = std::string::npos)
        : m_bytes(std::move(bytes))
        , m_piece(piece)
        , m_failAt(failAt)
    {
    }
    std::size_t read(char *buffer, std::size_t size) override
    {
        if (m_pos >= m_failAt) {
            ++failedReads;
            throw Failure("Device I/O error");
        }
        const std::size_t n = std::min({size, m_piece, m_bytes.size() - m_pos, m_failAt - m_pos});
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        return n;
    }
    int failedReads = 0;

private:
    std::string m_bytes;
    std::size_t m_piece;
    std::size_t m_failAt;
    std::size_t m_pos = 0;
};

class FakeFiles : public FileSystem
{
public:
    bool exists(const std::string &path) override { return files.count(path) || folders.count(path); }
    bool isNormalFile(const std::string &path) override { return files.count(path); }
    std::unique_ptr<InputFile> openForInput(const std::string &path) override
    {
        auto it = files.find(path);
        if (it == files.end())
            throw Failure("File not found");
        const auto failing = failAt.find(path);
        return std::make_unique<FakeInputFile>(it->second, 3,
                                               failing == failAt.end() ? std::string::npos : failing->second);
    }
    std::map<std::string, std::string> files;
    // Files on a failing disk: every read from that byte on fails.
    std::map<std::string, std::size_t> failAt;
    std::set<std::string> folders;
};

class FakeRandom : public RandomSource
{
public:
    int draw(int n) override
    {
        ranges.push_back(n);
        return value;
    }
    int value = 50;
    std::vector<int> ranges;
};

inline const char *const kInstallFolder = "/opt/drillix";

// Every side file in one folder.
class FakeSideFiles : public SideFiles
{
public:
    std::string locate(const std::string &name) override { return folder + '/' + name; }
    std::string folder = kInstallFolder;
};

inline const std::vector<std::string> &countryNames()
{
    static const std::vector<std::string> names = {
        "Bangladesh", "Bhutan", "Brunei", "Burma (Myanmar)", "Cambodia", "China", "India", "Indonesia",
        "Japan", "Kazakhstan", "Laos", "Malaysia", "Mongolia", "Nepal", "North Korea", "Philippines",
        "Russia", "Singapore", "South Korea", "Sri Lanka", "Taiwan", "Thailand", "Vietnam"};
    return names;
}

inline std::string namesFile(const std::vector<std::string> &lines, const std::string &end = "\r\n")
{
    std::string text;
    for (const std::string &line : lines)
        text += line + end;
    return text;
}

// A whole game with fake platform pieces around it.
struct Game {
    FakeMessageBoxes boxes;
    FakeSound sound;
    FakeBrowser browser;
    FakeSkin skin;
    FakePictures pictures;
    FakeFiles files;
    FakeRandom random;
    FakeSideFiles sideFiles;
    Platform platform{boxes, sound, browser, skin, pictures, files, random, sideFiles};
    std::unique_ptr<drillix::Quiz> quiz;

    explicit Game(bool withNames = true, const std::string &productName = kProductName)
    {
        if (withNames)
            files.files[itemsPath()] = namesFile(countryNames());
        quiz = std::make_unique<drillix::Quiz>(platform, productName);
    }

    std::string itemsPath() const { return std::string(kInstallFolder) + "/items.txt"; }
    std::string soundFile(const char *name) const { return std::string(kInstallFolder) + "/sounds/" + name; }
    drillix::Quiz &q() { return *quiz; }
    void start() { quiz->start(); }

    std::vector<int> reportedSteps() const
    {
        std::vector<int> steps;
        for (const ShownBox &b : boxes.shown) {
            const auto at = b.text.find("at line ");
            if (at != std::string::npos)
                steps.push_back(std::stoi(b.text.substr(at + 8)));
        }
        return steps;
    }

    // Drops name `name` at a window point of region `region` where that
    // region's own target takes the drop.
    void dropOnRegion(int name, int region) { quiz->dropOnRegion(name, region); }
    // Drops name `name` on the first region of `country`.
    void dropOnCountry(int name, const std::string &country)
    {
        for (int r = 0; r < kRegionCount; ++r) {
            if (country == layout::kRegions[std::size_t(r)].country) {
                quiz->dropOnRegion(name, r);
                return;
            }
        }
    }
};

} // namespace drillix::test
