#pragma once

#include "core/platform.h"

namespace drillix {

// The local time of day from the system clock.
class SystemClock : public Clock
{
public:
    float secondsSinceMidnight() override;
};

} // namespace drillix
