#pragma once

#include "core/platform.h"

#include <random>

namespace drillix {

// Uniform fractions from a generator seeded with the given value.
class SystemRandom : public RandomSource
{
public:
    void seed(float seed) override;
    float next() override;

private:
    std::mt19937 m_engine{0};
};

} // namespace drillix
