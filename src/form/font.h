#pragma once

#include <string>

namespace drillix {

struct Font {
    std::string name;
    double pointSize = 0;
    bool bold = false;

    friend bool operator==(const Font &, const Font &) = default;
};

} // namespace drillix
