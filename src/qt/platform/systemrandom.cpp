#include "qt/platform/systemrandom.h"

#include <cstdint>
#include <cstring>

namespace drillix {

void SystemRandom::seed(float seed)
{
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof seed);
    std::memcpy(&bits, &seed, sizeof bits);
    m_engine.seed(bits);
}

float SystemRandom::next()
{
    // 24 random bits: every value is exact in a float and below 1.
    return static_cast<float>(m_engine() >> 8) * (1.0f / 16777216.0f);
}

} // namespace drillix
