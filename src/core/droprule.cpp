#include "core/droprule.h"

#include "core/namesfile.h"

namespace drillix {

bool isRightDrop(const std::string &regionTag, const std::string &nameTag)
{
    const std::string name = trimSpaces(nameTag);
    // An empty name would be found in every region's tag.
    if (name.empty())
        return false;
    return trimSpaces(regionTag) == name || regionTag.find(name) != std::string::npos;
}

std::string answerCaption(const std::string &nameTag)
{
    return nameTag.substr(0, nameTag.find(','));
}

} // namespace drillix
