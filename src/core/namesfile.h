#pragma once

#include <cstddef>
#include <string>

namespace drillix {

class InputFile;

// Reads a text file line by line as the names file is read: a line ends at
// a carriage return, a line feed, or the pair of them, so that files from
// Windows, Linux and old Macs read alike; the last line needs no end. A UTF-8
// byte-order mark at the very start is skipped. Lines come back as UTF-8
// (see decodeLine).
class LineReader
{
public:
    // Longer lines are cut off at a line end and reported as a failure, so
    // that a damaged file cannot take all memory.
    static constexpr std::size_t kMaxLineBytes = 1 << 20;

    explicit LineReader(InputFile &file) : m_file(file) {}

    // True when nothing is left to read. Throws on a read error; after one,
    // the file reads as ended.
    bool atEnd() { return peek() < 0; }
    // The next line, without its line end. Throws Failure at the end of the
    // file, and for an over-long line (after skipping past it).
    std::string readLine();

private:
    // The next byte, or -1 at the end; reads on when none is left.
    int peek();

    InputFile &m_file;
    std::string m_buffer = std::string(64 * 1024, '\0');
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
    bool m_eof = false;
    bool m_pastStart = false;
    // A line ended at a carriage return: a line feed next is part of its end.
    bool m_afterCarriageReturn = false;
};

// Bytes of a line as UTF-8 text: kept as they are when they are valid
// UTF-8, otherwise read as Windows-1252, so that no byte is lost.
std::string decodeLine(const std::string &bytes);

// Removes leading and trailing spaces (U+0020) only.
std::string trimSpaces(const std::string &text);

} // namespace drillix
