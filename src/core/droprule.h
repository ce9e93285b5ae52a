#pragma once

#include <string>

namespace drillix {

// Whether a name dropped on a map region is right. The name label's tag is
// the whole line it was read from; the region's tag is its country's name.
// Spaces around the name do not count, a name that is part of the region's
// name is right too ("Korea" on either Korea), and a name that is empty
// after trimming is never right.
bool isRightDrop(const std::string &regionTag, const std::string &nameTag);

// The text a right drop shows on the map: the name label's tag up to its
// first comma, untrimmed.
std::string answerCaption(const std::string &nameTag);

} // namespace drillix
