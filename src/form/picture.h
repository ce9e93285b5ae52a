#pragma once

#include <string>

namespace drillix {

// A picture as the form model sees it: where its pixels come from. The
// model only stores and passes pictures on; the front end turns the source
// (an embedded resource name or a file path) into pixels. Cursors carry
// their hot spot, which the image itself does not know.
struct Picture {
    std::string source;
    int hotSpotX = 0;
    int hotSpotY = 0;

    bool isNull() const { return source.empty(); }
    friend bool operator==(const Picture &, const Picture &) = default;
};

} // namespace drillix
