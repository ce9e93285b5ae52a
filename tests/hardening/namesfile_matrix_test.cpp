// The names file at its worst: every kind of damaged or odd file the quiz may
// find beside it, through the whole start-up with fake platform pieces. Each
// case checks the reports in their order and the board that results; the
// large ones also print what they cost.

#include "quiz/namesfile.h"

#include "fakes.h"
#include "memory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

using namespace drillix;
using namespace std::string_literals;
using test::Quiz;

namespace {

using Steps = std::vector<int>;

Quiz &loadWith(Quiz &quiz, const std::string &bytes)
{
    quiz.files.files[quiz.itemsPath()] = bytes;
    quiz.load();
    return quiz;
}

std::vector<std::string> numberedNames(int count)
{
    std::vector<std::string> names = test::countryNames();
    names.resize(23);
    for (int i = 23; i < count; ++i)
        names.push_back("Extra" + std::to_string(i));
    names.resize(static_cast<std::size_t>(count));
    return names;
}

// The reports for lines past the 23rd: two for each, as the line has one
// field (148) or several (146).
Steps extraLineSteps(int lines, bool severalFields = false)
{
    Steps steps;
    for (int i = 23; i < lines; ++i) {
        steps.push_back(142);
        steps.push_back(severalFields ? 146 : 148);
    }
    return steps;
}

void expectShippedBoard(Quiz &quiz)
{
    for (int i = 0; i < 23; ++i) {
        EXPECT_EQ(quiz.w().controls().nameLabels[i].caption(), test::countryNames()[static_cast<std::size_t>(i)]) << i;
        EXPECT_TRUE(quiz.w().controls().nameLabels[i].visible()) << i;
    }
    EXPECT_EQ(quiz.w().controls().dropTargets.count(), 66) << "the drop targets are laid whatever the names file holds";
}

bool isValidUtf8(const std::string &s)
{
    // decodeLine leaves valid UTF-8 as it is, and only that.
    return decodeLine(s) == s;
}

// A file of any length made on the fly: `before`, then `fill` repeated
// `fillBytes` times, then `after`. Nothing of it is held in memory.
class GeneratedFile : public InputFile
{
public:
    GeneratedFile(std::string before, char fill, std::size_t fillBytes, std::string after)
        : m_before(std::move(before))
        , m_after(std::move(after))
        , m_fill(fill)
        , m_fillBytes(fillBytes)
    {
    }
    std::size_t read(char *buffer, std::size_t size) override
    {
        std::size_t n = 0;
        while (n < size) {
            const std::size_t total = m_before.size() + m_fillBytes + m_after.size();
            if (m_pos >= total)
                break;
            char c;
            if (m_pos < m_before.size())
                c = m_before[m_pos];
            else if (m_pos < m_before.size() + m_fillBytes)
                c = m_fill;
            else
                c = m_after[m_pos - m_before.size() - m_fillBytes];
            buffer[n++] = c;
            ++m_pos;
        }
        return n;
    }

private:
    std::string m_before, m_after;
    char m_fill;
    std::size_t m_fillBytes;
    std::size_t m_pos = 0;
};

// Hands out `good` bytes of names, then fails on every read, as a file on a
// failing disk does.
class FailingFile : public InputFile
{
public:
    explicit FailingFile(std::string good, int *reads = nullptr)
        : m_good(std::move(good))
        , m_reads(reads)
    {
    }
    std::size_t read(char *buffer, std::size_t size) override
    {
        if (m_reads)
            ++*m_reads;
        if (m_pos >= m_good.size())
            throw Failure("Device I/O error");
        const std::size_t n = std::min(size, m_good.size() - m_pos);
        std::memcpy(buffer, m_good.data() + m_pos, n);
        m_pos += n;
        return n;
    }
private:
    std::string m_good;
    int *m_reads;
    std::size_t m_pos = 0;
};

// A quiz whose names file is whatever `open` hands out.
struct QuizWithFile {
    class Files : public test::FakeFiles
    {
    public:
        std::function<std::unique_ptr<InputFile>()> open;
        std::unique_ptr<InputFile> openForInput(const std::string &path) override
        {
            if (path.size() >= 10 && path.compare(path.size() - 10, 10, "/items.txt") == 0)
                return open();
            return FakeFiles::openForInput(path);
        }
    };

    test::FakeMessageBoxes boxes;
    test::FakeSound sound;
    test::FakeShell shell;
    test::FakeSkin skin;
    test::FakePictures pictures;
    Files files;
    test::FakeClock clock;
    test::FakeRandom random;
    test::FakeDiagnostics diagnostics;
    Platform platform{boxes, sound, shell, skin, pictures, files, clock, random, diagnostics};
    Application app{test::kInstallFolder};
    std::unique_ptr<QuizWindow> window;

    explicit QuizWithFile(std::function<std::unique_ptr<InputFile>()> opener)
    {
        files.open = std::move(opener);
        window = std::make_unique<QuizWindow>(platform, app);
        window->form().setHandle(4242);
    }

    Steps steps() const
    {
        Steps out;
        for (const auto &b : boxes.shown) {
            const auto at = b.text.find("at line ");
            if (at != std::string::npos)
                out.push_back(std::stoi(b.text.substr(at + 8)));
        }
        return out;
    }
};

} // namespace

TEST(NamesFileMatrix, MissingEmptyOrUnopenableGiveTheDesignedLabels)
{
    Quiz missing(false);
    missing.load();
    EXPECT_EQ(missing.reportedSteps(), Steps{130});
    EXPECT_EQ(missing.boxes.shown.at(0).title, "Application Error");

    Quiz empty;
    loadWith(empty, "");
    EXPECT_EQ(empty.reportedSteps(), Steps{});

    // What the file system says when items.txt is a folder or unreadable.
    QuizWithFile folder([]() -> std::unique_ptr<InputFile> { throw Failure("Path/File access error"); });
    folder.window->start();
    EXPECT_EQ(folder.steps(), Steps{130});

    for (QuizWindow *w : {&missing.w(), &empty.w(), folder.window.get()}) {
        for (int i = 0; i < 23; ++i)
            EXPECT_EQ(w->controls().nameLabels[i].caption(), "Label3");
        EXPECT_EQ(w->controls().dropTargets.count(), 66);
        EXPECT_TRUE(w->form().loaded());
    }
}

TEST(NamesFileMatrix, LineEndsCrLfCrAloneLfAloneAndMixed)
{
    const auto &names = test::countryNames();
    for (const char *end : {"\r\n", "\r"}) {
        Quiz quiz;
        loadWith(quiz, test::namesFile(names, end));
        EXPECT_EQ(quiz.reportedSteps(), Steps{}) << "line end " << (end[1] ? "CR LF" : "CR");
        expectShippedBoard(quiz);
    }
    {
        SCOPED_TRACE("the last line without an end");
        Quiz quiz;
        std::string text = test::namesFile(names);
        text.resize(text.size() - 2);
        loadWith(quiz, text);
        EXPECT_EQ(quiz.reportedSteps(), Steps{});
        expectShippedBoard(quiz);
    }
    {
        SCOPED_TRACE("LF alone is no line end: the whole file is one name");
        Quiz quiz;
        loadWith(quiz, test::namesFile(names, "\n"));
        EXPECT_EQ(quiz.reportedSteps(), Steps{});
        EXPECT_EQ(quiz.w().controls().nameLabels[0].caption(), test::namesFile(names, "\n"));
        EXPECT_EQ(quiz.w().controls().nameLabels[1].caption(), "Label3");
    }
    {
        SCOPED_TRACE("mixed: CR LF, CR, LF CR and CR CR (an empty line)");
        Quiz quiz;
        loadWith(quiz, "China\r\nIndia\rJapan\n\rNepal\r\rLaos\r\n");
        EXPECT_EQ(quiz.reportedSteps(), (Steps{142, 148})) << "the one empty line";
        const std::vector<std::string> want = {"China", "India", "Japan\n", "Nepal", "Label3", "Laos"};
        for (std::size_t i = 0; i < want.size(); ++i)
            EXPECT_EQ(quiz.w().controls().nameLabels[static_cast<int>(i)].caption(), want[i]) << i;
    }
}

TEST(NamesFileMatrix, BlankLinesAnywhereGiveTwoReportsEachAndLeaveTheirLabel)
{
    for (std::size_t at : {std::size_t(0), std::size_t(11), std::size_t(22)}) {
        std::vector<std::string> names = test::countryNames();
        names.insert(names.begin() + static_cast<long>(at), "");
        Quiz quiz;
        loadWith(quiz, test::namesFile(names));
        // 24 lines: the blank one, and the 24th past the end.
        EXPECT_EQ(quiz.reportedSteps(), (Steps{142, 148, 142, 148})) << "blank line at " << at;
        EXPECT_EQ(quiz.w().controls().nameLabels[static_cast<int>(at)].caption(), "Label3");
    }
    Quiz onlyBlanks;
    loadWith(onlyBlanks, "\r\n\r\n\r\n");
    EXPECT_EQ(onlyBlanks.reportedSteps(), (Steps{142, 148, 142, 148, 142, 148}));
}

TEST(NamesFileMatrix, UndecodableAndNulBytesBecomeTextWithoutReports)
{
    Quiz quiz;
    const std::string nul("Ch\0na", 5);
    loadWith(quiz, "\xDCr\xFCmqi\r\n"            // Windows-1252
                   "\x93Quoted\x94 \x80\r\n"     // Windows-1252 punctuation
                   "\xC3\x28 broken\r\n"         // a broken UTF-8 sequence
                   "\xED\xA0\x80 surrogate\r\n"  // an encoded surrogate
                   "\xF0\x9F\x87\r\n"            // cut short
                   "Vi\xE1\xBB\x87t Nam\r\n"     // valid UTF-8
                   + nul + "\r\n"
                   "\0\0\0\r\n"s);
    EXPECT_EQ(quiz.reportedSteps(), Steps{});
    EXPECT_EQ(quiz.w().controls().nameLabels[0].caption(), "Ürümqi");
    EXPECT_EQ(quiz.w().controls().nameLabels[1].caption(), "“Quoted” €");
    EXPECT_EQ(quiz.w().controls().nameLabels[2].caption(), "Ã( broken");
    EXPECT_EQ(quiz.w().controls().nameLabels[5].caption(), "Việt Nam");
    EXPECT_EQ(quiz.w().controls().nameLabels[6].caption(), nul) << "NUL bytes are kept, not cut at";
    EXPECT_EQ(quiz.w().controls().nameLabels[7].caption(), std::string(3, '\0'));
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(isValidUtf8(quiz.w().controls().nameLabels[i].caption())) << i;
}

TEST(NamesFileMatrix, LinesPastTheTwentyThirdAreReportedOneBoxAtATime)
{
    for (int lines : {24, 100}) {
        Quiz quiz;
        loadWith(quiz, test::namesFile(numberedNames(lines)));
        EXPECT_EQ(quiz.reportedSteps(), extraLineSteps(lines)) << lines << " lines";
        expectShippedBoard(quiz);
    }
    std::vector<std::string> withFields = numberedNames(30);
    for (std::size_t i = 23; i < withFields.size(); ++i)
        withFields[i] += ",More";
    Quiz quiz;
    loadWith(quiz, test::namesFile(withFields));
    EXPECT_EQ(quiz.reportedSteps(), extraLineSteps(30, true));
}

TEST(NamesFileMatrix, TenThousandLinesAnswerEveryReportAndFinish)
{
    constexpr int kLines = 10000;
    Quiz quiz;
    quiz.files.files[quiz.itemsPath()] = test::namesFile(numberedNames(kLines));
    long answered = 0;
    quiz.boxes.onShow = [&](const test::ShownBox &) { ++answered; };
    const auto start = std::chrono::steady_clock::now();
    quiz.load();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(answered, 2L * (kLines - 23));
    EXPECT_EQ(quiz.reportedSteps(), extraLineSteps(kLines));
    expectShippedBoard(quiz);
    std::printf("[ figure ] %d lines: %ld boxes answered, start-up %.3f s (%.1f us a box)\n", kLines, answered,
                seconds, 1e6 * seconds / double(answered));
}

TEST(NamesFileMatrix, AHundredMegabyteLineIsCutOffInBoundedMemory)
{
    static constexpr std::size_t kLine = 100u << 20;
    const bool peakReset = test::resetPeakResident();
    const long before = test::peakResidentKb();
    QuizWithFile quiz([] {
        return std::make_unique<GeneratedFile>("China\r\n", 'x', kLine, "\r\nJapan\r\n");
    });
    quiz.window->start();
    const long after = test::peakResidentKb();

    // The long line: cut off (136), so nothing to show (142, 148).
    EXPECT_EQ(quiz.steps(), (Steps{136, 142, 148}));
    EXPECT_NE(quiz.boxes.shown.at(0).text.find("over 1 MB"), std::string::npos) << quiz.boxes.shown.at(0).text;
    EXPECT_EQ(quiz.window->controls().nameLabels[0].caption(), "China");
    EXPECT_EQ(quiz.window->controls().nameLabels[1].caption(), "Label3");
    EXPECT_EQ(quiz.window->controls().nameLabels[2].caption(), "Japan") << "reading goes on after the long line";
    ASSERT_GT(before, 0);
    std::printf("[ figure ] 100 MB line: peak resident memory %ld kB before, %ld kB after (+%ld kB)%s\n", before,
                after, after - before, peakReset ? "" : " (peak not resettable here)");
    if (peakReset) {
        EXPECT_LT(after - before, 16 * 1024) << "the reader holds at most about 1 MB of a line";
    }
}

TEST(NamesFileMatrix, AReadErrorIsReportedOnceAndEndsTheReading)
{
    {
        SCOPED_TRACE("failing from the first byte");
        QuizWithFile quiz([] { return std::make_unique<FailingFile>(""); });
        quiz.window->start();
        EXPECT_EQ(quiz.steps(), Steps{134});
        EXPECT_EQ(quiz.window->controls().nameLabels[0].caption(), "Label3");
    }
    {
        // A failing disk fails every read after the first: the reader used
        // to read its old buffer again after each failure, for ever.
        SCOPED_TRACE("failing part-way through a line");
        int reads = 0;
        QuizWithFile quiz([&] { return std::make_unique<FailingFile>("China\r\nJap", &reads); });
        struct Endless {};
        quiz.boxes.onShow = [&](const test::ShownBox &) {
            if (quiz.boxes.shown.size() > 50)
                throw Endless{};
        };
        EXPECT_NO_THROW(quiz.window->start()) << "endless reports";
        EXPECT_EQ(quiz.steps(), (Steps{136, 142, 148}));
        EXPECT_EQ(quiz.window->controls().nameLabels[0].caption(), "China");
        EXPECT_EQ(quiz.window->controls().nameLabels[1].caption(), "Label3");
        EXPECT_EQ(quiz.window->controls().nameLabels[2].caption(), "Label3");
        EXPECT_EQ(reads, 2) << "the failing file is not tried again and again";
    }
}

TEST(LineReaderRegression, AFailedReadEndsTheFileInsteadOfRepeatingTheBuffer)
{
    // Found by a test of a file failing for good after its first 64 KB.
    std::string good;
    while (good.size() < 70000)
        good += "Name\r";
    FailingFile file(good);
    LineReader reader(file);
    int lines = 0;
    int failures = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        try {
            if (reader.atEnd())
                break;
            (void)reader.readLine();
            ++lines;
        } catch (const Failure &) {
            ++failures;
        }
    }
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(lines, 14000) << "each whole line before the failure, once";
    EXPECT_TRUE(reader.atEnd());
}
