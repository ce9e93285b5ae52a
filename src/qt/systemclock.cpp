#include "qt/systemclock.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace drillix {

float SystemClock::secondsSinceMidnight()
{
    const auto now = std::chrono::system_clock::now();
    const time_t t = std::chrono::system_clock::to_time_t(now);
    struct tm local {};
    localtime_r(&t, &local);
    const auto subsecond = std::chrono::duration<double>(now.time_since_epoch()).count()
                           - static_cast<double>(t);
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + subsecond);
}

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
