#pragma once

// Stand-ins for the platform pieces: each records what the program asked of
// it, so that a whole game runs in a unit test without a display.

#include "quiz/quizwindow.h"
#include "form/application.h"
#include "form/failure.h"
#include "form/platform.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace drillix::test {

struct ShownBox {
    std::string text;
    int style;
    std::string title;
};

class FakeMessageBoxes : public MessageBoxes
{
public:
    int show(const std::string &text, int style, const std::string &title) override
    {
        shown.push_back({text, style, title});
        if (onShow)
            onShow(shown.back());
        return kMsgBoxResultOk;
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

class FakeShell : public Shell
{
public:
    void run(const std::string &commandLine, int windowStyle) override
    {
        if (fail)
            throw Failure("File not found");
        commands.push_back(commandLine);
        styles.push_back(windowStyle);
    }
    bool fail = false;
    std::vector<std::string> commands;
    std::vector<int> styles;
};

class FakeSkin : public SkinEngine
{
public:
    void applySkin(const std::string &path) override
    {
        applied.push_back(path);
        if (failLoad)
            throw Failure("Skin file is damaged");
    }

    bool failLoad = false;
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
        return Picture{path, 7, 2};
    }
    bool fail = false;
    std::vector<std::string> loaded;
};

class FakeInputFile : public InputFile
{
public:
    // Hands the bytes out in small pieces, so that line ends fall across
    // reads.
    explicit FakeInputFile(std::string bytes, std::size_t piece = 3)
        : m_bytes(std::move(bytes))
        , m_piece(piece)
    {
    }
    std::size_t read(char *buffer, std::size_t size) override
    {
        const std::size_t n = std::min({size, m_piece, m_bytes.size() - m_pos});
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        return n;
    }

private:
    std::string m_bytes;
    std::size_t m_piece;
    std::size_t m_pos = 0;
};

class FakeFiles : public FileSystem
{
public:
    std::string modificationTime(const std::string &path) override
    {
        if (path.empty() || (!files.count(path) && !folders.count(path)))
            throw Failure("File not found");
        return "2026-12-07 12:00:00";
    }
    std::vector<std::string> listNormalFiles(const std::string &path) override
    {
        if (!files.count(path) || hidden.count(path))
            return {};
        return {path.substr(path.rfind('/') + 1)};
    }
    std::unique_ptr<InputFile> openForInput(const std::string &path) override
    {
        if (auto special = openers.find(path); special != openers.end())
            return special->second();
        auto it = files.find(path);
        if (it == files.end())
            throw Failure("File not found");
        return std::make_unique<FakeInputFile>(it->second);
    }
    std::map<std::string, std::string> files;
    // Files that are more than their bytes, such as a failing disk.
    std::map<std::string, std::function<std::unique_ptr<InputFile>()>> openers;
    std::set<std::string> folders;
    std::set<std::string> hidden;
};

class FakeClock : public Clock
{
public:
    float secondsSinceMidnight() override { return seconds; }
    float seconds = 45296.5f;
};

class FakeRandom : public RandomSource
{
public:
    void seed(float s) override { seeds.push_back(s); }
    float next() override { return value; }
    float value = 0.5f;
    std::vector<float> seeds;
};

class FakeDiagnostics : public Diagnostics
{
public:
    void warning(const std::string &message) override { warnings.push_back(message); }
    std::vector<std::string> warnings;
};

// Makes a chosen change of a chosen control fail, as a failing platform
// call would.
class FailingChange : public FormObserver
{
public:
    void controlChanged(const Control &control, Property what) override
    {
        if (control.displayName() == controlName && what == property && remaining != 0) {
            if (remaining > 0)
                --remaining;
            throw Failure(description);
        }
    }
    std::string controlName;
    Property property = Property::Visible;
    std::string description = "Injected failure";
    int remaining = -1; // fail every time
};

inline const char *const kInstallFolder = "/opt/drillix";

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

// One main window with fake platform pieces around it.
struct Quiz {
    FakeMessageBoxes boxes;
    FakeSound sound;
    FakeShell shell;
    FakeSkin skin;
    FakePictures pictures;
    FakeFiles files;
    FakeClock clock;
    FakeRandom random;
    FakeDiagnostics diagnostics;
    Platform platform{boxes, sound, shell, skin, pictures, files, clock, random, diagnostics};
    Application app{kInstallFolder};
    std::unique_ptr<QuizWindow> window;

    explicit Quiz(bool withNames = true, const std::string &productName = kProductName)
    {
        if (withNames)
            files.files[itemsPath()] = namesFile(countryNames());
        window = std::make_unique<QuizWindow>(platform, app, productName);
    }

    std::string itemsPath() const { return std::string(kInstallFolder) + "/items.txt"; }
    std::string soundFile(const char *name) const { return std::string(kInstallFolder) + "/sounds/" + name; }

    QuizWindow &w() { return *window; }
    Form &form() { return window->form(); }

    void load() { window->start(); }

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

    // Drags name label `label` and drops it on the centre of drop target
    // `target`, through the form's pointer input as a person would.
    void dragLabelToTarget(int label, int target)
    {
        const TwipRect to = window->controls().dropTargets[target].geometry();
        dragLabelTo(label, to.left + to.width / 2, to.top + to.height / 2);
    }

    // Pressed 150 twips below the label's top: neighbouring labels overlap
    // by 75 twips, and there only this label lies.
    void dragLabelTo(int label, int x, int y)
    {
        const TwipRect from = window->controls().nameLabels[label].geometry();
        form().pressMouse(from.left + 30, from.top + 150);
        form().moveMouse(from.left + 300, from.top + 150);
        form().moveMouse(x, y);
        form().releaseMouse(x, y);
    }
};

} // namespace drillix::test
