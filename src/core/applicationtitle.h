#pragma once

#include <cstddef>
#include <string>

namespace drillix {

inline constexpr std::size_t kMaxApplicationTitle = 40;

// Cuts the display name back word by word, at least once, until it has 40
// characters or fewer. Throws Failure when a cut finds no space to cut at.
std::string applicationTitle(const std::string &displayName);

} // namespace drillix
