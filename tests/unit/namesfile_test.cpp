#include "core/namesfile.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;

namespace {

std::vector<std::string> readAll(const std::string &bytes, std::size_t piece = 3)
{
    test::FakeInputFile file(bytes, piece);
    LineReader reader(file);
    std::vector<std::string> lines;
    while (!reader.atEnd())
        lines.push_back(reader.readLine());
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(LineReader, LineEndsAreCarriageReturnLineFeedOrTheirPair)
{
    const std::pair<std::string, Lines> rows[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\rc", {"a", "b", "c"}}, // the last line needs no end
        {"a\nb\nc\n", {"a", "b", "c"}},
        {"a\r\n\nb\r\rc\n\rd", {"a", "", "b", "", "c", "", "d"}}, // only CR LF is one end
        {"a\r\n\r\n", {"a", ""}}, // a file ending in an empty line
        {"a\n\n", {"a", ""}},
        {"", {}},
        {"\r\n", {""}},
        {"\n", {""}},
        {" x ,y\r\n", {" x ,y"}}, // nothing trimmed
    };
    // One byte a read puts every carriage return at the end of a read.
    for (std::size_t piece : {1, 2, 3, 4096})
        for (const auto &[bytes, lines] : rows)
            EXPECT_EQ(readAll(bytes, piece), lines) << piece << " " << testing::PrintToString(bytes);
}

TEST(LineReader, AByteOrderMarkAtTheStartIsNoText)
{
    for (std::size_t piece : {1, 2, 3, 4096}) {
        EXPECT_EQ(readAll("\xEF\xBB\xBFJapan\r\n", piece), Lines{"Japan"}) << piece;
        EXPECT_EQ(readAll("\xEF\xBB\xBF", piece), Lines{}) << "a mark alone is an empty file";
        EXPECT_EQ(readAll("\xEF\xBB\xBF\r\n", piece), Lines{""});
    }
    EXPECT_EQ(readAll("a\r\n\xEF\xBB\xBF" "b"), (Lines{"a", "\xEF\xBB\xBF" "b"})) << "only at the very start";
    EXPECT_EQ(readAll("\xEF\xBBJ"), Lines{"\xC3\xAF\xC2\xBBJ"}) << "half a mark is Windows-1252 text";
}

TEST(LineReader, ReadingPastTheEndFails)
{
    test::FakeInputFile file("x");
    LineReader reader(file);
    EXPECT_EQ(reader.readLine(), "x");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_THROW(reader.readLine(), Failure);
}

TEST(LineReader, AFailedReadIsReportedOnceAndEndsTheFile)
{
    // A failing disk fails every read once it fails: the reader must neither
    // try the file again nor hand out its old buffer again.
    std::string overBuffer;
    while (overBuffer.size() < 70000)
        overBuffer += "Name\r";
    const std::pair<std::string, std::size_t> rows[] = {
        {"China\r\nJap", 3}, {"China\r\nJap", 4096}, {"China\r\n", 3}, {overBuffer, 1 << 20}};
    for (const auto &[bytes, piece] : rows) {
        SCOPED_TRACE(bytes.size());
        test::FakeInputFile file(bytes, piece, bytes.size());
        LineReader reader(file);
        Lines lines;
        int failures = 0;
        for (int guard = 0; guard < 100000; ++guard) {
            try {
                if (reader.atEnd())
                    break;
                lines.push_back(reader.readLine());
            } catch (const Failure &) {
                ++failures;
            }
        }
        EXPECT_EQ(failures, 1);
        EXPECT_EQ(file.failedReads, 1);
        EXPECT_EQ(lines, bytes == overBuffer ? Lines(14000, "Name") : Lines{"China"}) << "each whole line, once";
    }
}

TEST(LineReader, AnOverlongLineFailsAndReadingGoesOn)
{
    const std::string huge(LineReader::kMaxLineBytes + 10, 'x');
    test::FakeInputFile file("a\r\n" + huge + "\r\nb", 64 * 1024);
    LineReader reader(file);
    EXPECT_EQ(reader.readLine(), "a");
    EXPECT_THROW(reader.readLine(), Failure);
    EXPECT_EQ(reader.readLine(), "b");
    EXPECT_TRUE(reader.atEnd());
}

TEST(DecodeLine, Utf8KeptOtherwiseWindows1252AndAlwaysValidUtf8)
{
    const std::pair<std::string, std::string> rows[] = {
        {"Ürümqi", "Ürümqi"},
        {"\xDCr\xFCmqi", "Ürümqi"},
        {"\x80 \x93quoted\x94 \x81", "€ “quoted” \xC2\x81"}, // every byte kept
        {"\xC0\xAF", "À¯"},                 // an overlong form is not UTF-8
        {"\xC3\x28 broken", "Ã( broken"},
        {"\xED\xA0\x80", "í\xC2\xA0€"},       // an encoded surrogate
        {"\xF0\x9F\x87", "ðŸ‡"},             // cut short
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto &[bytes, text] : rows) {
        EXPECT_EQ(decodeLine(bytes), text);
        EXPECT_EQ(decodeLine(text), text) << "the result is valid UTF-8";
    }
}
