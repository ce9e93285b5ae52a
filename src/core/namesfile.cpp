#include "core/namesfile.h"

#include "core/platform.h"

#include <algorithm>
#include <utility>

namespace drillix {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones map to the C1
// controls of the same value, as Windows itself does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

int LineReader::peek()
{
    // Again when a read holds nothing but the byte-order mark.
    while (m_pos >= m_size) {
        if (m_eof)
            return -1;
        m_pos = m_size = 0;
        try {
            // The first read gathers three bytes, enough to tell whether the
            // file starts with the byte-order mark that Windows editors write.
            for (std::size_t more = 1; more > 0 && (m_size == 0 || (!m_pastStart && m_size < 3));)
                m_size += more = m_file.read(m_buffer.data() + m_size, m_buffer.size() - m_size);
        } catch (...) {
            // Whatever follows a read error cannot be trusted, and a file that
            // fails for good would otherwise be tried again for ever: the
            // failure is reported once, and the file then reads as ended.
            m_eof = true;
            throw;
        }
        m_eof = m_size == 0;
        if (!std::exchange(m_pastStart, true) && m_size >= 3 && m_buffer.starts_with("\xEF\xBB\xBF"))
            m_pos = 3;
    }
    // Skipped only now, so that a read error while looking for the line feed
    // belongs to the next read: the line before it was whole.
    if (std::exchange(m_afterCarriageReturn, false) && m_buffer[m_pos] == '\n') {
        ++m_pos;
        return peek();
    }
    return static_cast<unsigned char>(m_buffer[m_pos]);
}

std::string LineReader::readLine()
{
    if (atEnd())
        throw Failure("Input past end of file");
    std::string line;
    std::size_t length = 0;
    while (peek() >= 0) {
        const char *begin = m_buffer.data() + m_pos, *end = m_buffer.data() + m_size;
        const char *stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
        length += std::size_t(stop - begin);
        if (length <= kMaxLineBytes)
            line.append(begin, stop);
        m_pos = std::size_t(stop - m_buffer.data());
        if (stop != end) {
            m_afterCarriageReturn = *stop == '\r';
            ++m_pos;
            break;
        }
    }
    if (length > kMaxLineBytes)
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
        // Every code point here is below U+10000: three bytes at most.
        const char32_t cp = c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : c;
        if (cp < 0x80)
            out += char(cp);
        else if (cp < 0x800)
            out += {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
        else
            out += {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))};
    }
    return out;
}

std::string trimSpaces(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace drillix
