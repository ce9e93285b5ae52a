#include "core/namesfile.h"

#include "core/platform.h"

#include <algorithm>
#include <utility>

namespace drillix {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones map to the C1
// controls of the same value, as Windows itself does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Every code point here is below U+10000: three bytes at most.
void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80)
        out += char(cp);
    else if (cp < 0x800)
        out += {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
    else
        out += {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))};
}

// No overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(const std::string &s)
{
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000}; // by sequence length
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
        if (length == 0 || i + length > s.size())
            return false;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace

LineReader::LineReader(InputFile &file)
    : m_file(file)
    , m_buffer(kChunk)
{
}

bool LineReader::fill()
{
    // Again when a read holds nothing but the byte-order mark.
    while (m_pos >= m_size) {
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
        if (m_eof)
            return false;
        m_pos = 0;
        m_size = 0;
        try {
            m_size = m_file.read(m_buffer.data(), m_buffer.size());
            if (!m_pastStart)
                skipByteOrderMark();
        } catch (...) {
            // Whatever follows a read error cannot be trusted, and a file that
            // fails for good would otherwise be tried again for ever: the
            // failure is reported once, and the file then reads as ended.
            m_eof = true;
            throw;
        }
        m_eof = m_size == 0;
    }
    return true;
}

void LineReader::skipByteOrderMark()
{
    // Editors on Windows start UTF-8 files with this mark; it is no part of
    // the first name.
    static constexpr char kMark[] = "\xEF\xBB\xBF";
    while (m_size > 0 && m_size < 3) {
        const std::size_t more = m_file.read(m_buffer.data() + m_size, m_buffer.size() - m_size);
        if (more == 0)
            break;
        m_size += more;
    }
    m_pastStart = true;
    if (m_size >= 3 && std::equal(kMark, kMark + 3, m_buffer.data()))
        m_pos = 3;
}

int LineReader::peek()
{
    return fill() ? static_cast<unsigned char>(m_buffer[m_pos]) : -1;
}

bool LineReader::atEnd()
{
    return peek() < 0;
}

std::string LineReader::readLine()
{
    if (atEnd())
        throw Failure("Input past end of file");

    std::string line;
    bool tooLong = false;
    while (fill()) {
        const char *begin = m_buffer.data() + m_pos;
        const char *end = m_buffer.data() + m_size;
        const char *stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
        const auto take = static_cast<std::size_t>(stop - begin);
        tooLong = tooLong || line.size() + take > kMaxLineBytes;
        if (!tooLong) {
            line.append(begin, take);
        } else {
            line.clear();
            line.shrink_to_fit(); // what it held goes back at once
        }
        m_pos += take;
        if (stop != end) {
            ++m_pos; // the line end
            // The line is whole at its carriage return: a read error while
            // looking for a line feed after it belongs to the next read.
            try {
                if (*stop == '\r' && peek() == '\n')
                    ++m_pos;
            } catch (...) {
                m_error = std::current_exception();
            }
            break;
        }
    }
    if (tooLong)
        throw Failure("Line too long: a line of the names file is over 1 MB");
    return decodeLine(line);
}

std::string decodeLine(const std::string &bytes)
{
    if (isValidUtf8(bytes))
        return bytes;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        appendUtf8(out, c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : c);
    }
    return out;
}

std::vector<std::string> splitFields(const std::string &text)
{
    std::vector<std::string> fields;
    if (text.empty())
        return fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma - start)); // to the end after the last comma
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

std::string trimSpaces(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace drillix
