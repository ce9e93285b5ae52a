#include "qt/platform/systemclock.h"

#include <chrono>
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

} // namespace drillix
