// The names-file reader on arbitrary bytes: LineReader over a file that hands
// its bytes out in pieces of a size the input chooses, and that may fail for
// good part-way, as a failing disk does; decodeLine and trimSpaces. Besides
// the sanitizers' checks, each result is checked against what the reader
// promises.

#include "core/namesfile.h"
#include "core/platform.h"

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using drillix::Failure;

class PieceFile : public drillix::InputFile
{
public:
    PieceFile(const std::string &bytes, std::size_t piece, std::size_t failAt)
        : m_bytes(bytes)
        , m_piece(piece)
        , m_failAt(failAt)
    {
    }
    std::size_t read(char *buffer, std::size_t size) override
    {
        if (m_pos >= m_failAt)
            throw Failure("Device I/O error");
        const std::size_t n = std::min({size, m_piece, m_bytes.size() - m_pos, m_failAt - m_pos});
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        return n;
    }

private:
    const std::string &m_bytes;
    std::size_t m_piece;
    std::size_t m_failAt;
    std::size_t m_pos = 0;
};

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "names-file reader broke its promise: %s\n", what);
    std::abort();
}

// A plain, independent UTF-8 check (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool validUtf8(const std::string &s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        std::uint32_t cp = len == 1 ? c : c & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static const std::uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// Every line, "!" for a line reported too long and "?" for a read error.
std::vector<std::string> readAll(const std::string &bytes, std::size_t piece, std::size_t failAt)
{
    PieceFile file(bytes, piece, failAt);
    drillix::LineReader reader(file);
    std::vector<std::string> lines;
    int readErrors = 0;
    for (;;) {
        try {
            if (reader.atEnd())
                break;
            lines.push_back(reader.readLine());
        } catch (const Failure &failure) {
            const bool readError = std::string(failure.what()) == "Device I/O error";
            lines.push_back(readError ? "?" : "!");
            if (readError && ++readErrors > 1)
                broken("a read error was reported twice");
        }
        if (lines.size() > bytes.size() + 2)
            broken("more lines than bytes");
    }
    if (failAt < bytes.size() && readErrors != 1)
        broken("a read error was not reported");
    bool threw = false;
    try {
        (void)reader.readLine();
    } catch (const Failure &) {
        threw = true;
    }
    if (!threw)
        broken("reading past the end did not fail");
    return lines;
}

void checkLine(const std::string &line)
{
    if (line.find_first_of("\r\n") != std::string::npos)
        broken("a line holds a line end");
    if (!validUtf8(line))
        broken("a line is not valid UTF-8");
    if (drillix::decodeLine(line) != line)
        broken("decoding a decoded line changed it");

    const std::string trimmed = drillix::trimSpaces(line);
    if (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.back() == ' '))
        broken("a trimmed line still has a space at an end");
    if (line.find(trimmed) == std::string::npos)
        broken("a trimmed line is not part of the line");
    if (trimmed.empty() && line.find_first_not_of(' ') != std::string::npos)
        broken("a line with text trimmed to nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the file hands out its bytes and, with bit
    // 6 set, that it fails for good after as many bytes as the second says.
    const std::size_t piece = std::size_t(data[0] % 64) + 1;
    std::size_t failAt = SIZE_MAX;
    std::size_t skip = 1;
    if ((data[0] & 0x40) && size >= 2) {
        failAt = data[1];
        skip = 2;
    }
    const std::string bytes(reinterpret_cast<const char *>(data) + skip, size - skip);

    const std::vector<std::string> lines = readAll(bytes, piece, failAt);
    if (readAll(bytes, 64 * 1024, failAt) != lines)
        broken("the lines depend on how the file hands out its bytes");
    if (failAt != SIZE_MAX) {
        for (const std::string &line : lines)
            if (line != "?" && line != "!")
                checkLine(line);
        return 0;
    }
    const auto ends = static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(), [](char c) {
        return c == '\r' || c == '\n';
    }));
    const bool noText = bytes.empty() || bytes == "\xEF\xBB\xBF"; // a byte-order mark alone
    if (lines.size() > ends + 1 || noText != lines.empty())
        broken("line count does not fit the line ends");
    for (const std::string &line : lines)
        checkLine(line);

    // The decoding on its own, of the raw bytes.
    const std::string decoded = drillix::decodeLine(bytes);
    if (!validUtf8(decoded))
        broken("decodeLine gave invalid UTF-8");
    if (validUtf8(bytes) && decoded != bytes)
        broken("decodeLine changed valid UTF-8");
    if (!validUtf8(bytes) && decoded.size() < bytes.size())
        broken("decodeLine lost bytes");
    return 0;
}
