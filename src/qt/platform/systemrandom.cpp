#include "qt/platform/systemrandom.h"

#include <bit>
#include <cstdint>

namespace drillix {

void SystemRandom::seed(float seed)
{
    m_engine.seed(std::bit_cast<std::uint32_t>(seed));
}

float SystemRandom::next()
{
    // 24 random bits: every value is exact in a float and below 1.
    return static_cast<float>(m_engine() >> 8) * (1.0f / 16777216.0f);
}

} // namespace drillix
