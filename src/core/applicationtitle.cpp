#include "core/applicationtitle.h"

#include "core/platform.h"

#include <algorithm>

namespace drillix {
namespace {

// Characters, not bytes: the text is UTF-8.
std::size_t characterCount(const std::string &text)
{
    // Every byte but a continuation byte starts a character.
    return std::count_if(text.begin(), text.end(), [](unsigned char c) { return (c & 0xC0) != 0x80; });
}

} // namespace

std::string applicationTitle(const std::string &displayName)
{
    std::string title = displayName;
    // The length is tested after the cut, so a short name still loses its
    // last word.
    do {
        const std::size_t space = title.rfind(' ');
        if (space == std::string::npos)
            throw Failure("Invalid procedure call or argument");
        title.resize(space);
    } while (characterCount(title) > kMaxApplicationTitle);
    return title;
}

} // namespace drillix
