// The names file at its worst, through the whole start-up with fake platform
// pieces: thousands of lines, and a disk that fails part-way through. The
// rules for single lines live in the unit tests and the damaged real files in
// startup_files_test.cpp.

#include "core/namesfile.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

using namespace drillix;
using test::Game;

namespace {

using Steps = std::vector<int>;

std::vector<std::string> numberedNames(int count)
{
    std::vector<std::string> names = test::countryNames();
    for (int i = 23; i < count; ++i)
        names.push_back("Extra" + std::to_string(i));
    return names;
}

// The reports for lines past the 23rd, each of one field: two a line.
Steps extraLineSteps(int lines)
{
    Steps steps;
    for (int i = 23; i < lines; ++i) {
        steps.push_back(142);
        steps.push_back(148);
    }
    return steps;
}

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

} // namespace

TEST(NamesFileMatrix, SurplusLinesGiveAtMostTwentyReportsAndOneCount)
{
    // Ten surplus lines report as ever; beyond that the reports are counted
    // in one more box, whatever the line ends and the length.
    const struct {
        int lines;
        const char *end;
        const char *count;
    } rows[] = {{33, "\r\n", nullptr}, {34, "\r", "2 further reports"}, {10000, "\n", "19934 further reports"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.lines);
        Game quiz;
        quiz.files.files[quiz.itemsPath()] = test::namesFile(numberedNames(r.lines), r.end);
        const auto start = std::chrono::steady_clock::now();
        quiz.start();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Steps steps = extraLineSteps(std::min(r.lines, 33));
        if (r.count)
            steps.push_back(142);
        EXPECT_EQ(quiz.reportedSteps(), steps);
        if (r.count) {
            EXPECT_NE(quiz.boxes.shown.back().text.find(r.count), std::string::npos) << quiz.boxes.shown.back().text;
        }
        EXPECT_EQ(quiz.q().names()[0].caption, "Bangladesh");
        EXPECT_EQ(quiz.q().names()[22].tag, "Vietnam");
        std::printf("[ figure ] %d lines: %zu boxes, start-up %.3f s\n", r.lines, quiz.boxes.shown.size(), seconds);
    }
}

TEST(NamesFileMatrix, AReadErrorPartWayIsReportedOnceAndEndsTheReading)
{
    // A failing disk fails every read after the first, so the reader must
    // not try its old buffer again after each failure.
    int reads = 0;
    Game quiz(false);
    quiz.files.openers[quiz.itemsPath()] = [&] { return std::make_unique<FailingFile>("China\r\nJap", &reads); };
    struct Endless {};
    quiz.boxes.onShow = [&](const test::ShownBox &) {
        if (quiz.boxes.shown.size() > 50)
            throw Endless{};
    };
    EXPECT_NO_THROW(quiz.start()) << "endless reports";
    EXPECT_EQ(quiz.reportedSteps(), (Steps{136, 142, 148}));
    EXPECT_EQ(quiz.q().names()[0].caption, "China");
    EXPECT_EQ(quiz.q().names()[1].caption, "Label3");
    EXPECT_EQ(quiz.q().names()[2].caption, "Label3");
    EXPECT_EQ(reads, 2) << "the failing file is not tried again and again";
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
