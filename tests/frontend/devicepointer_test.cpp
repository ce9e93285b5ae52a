#include "qt/window/devicepointer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

using namespace drillix;

namespace {

template<class T>
void put(unsigned char *buffer, std::size_t offset, T value)
{
    std::memcpy(buffer + offset, &value, sizeof value);
}

} // namespace

TEST(DevicePointer, ReadsCoreAndXInputPositionsForItsWindowOnly)
{
    unsigned char core[32] = {};
    core[0] = 5; // button release
    put<std::uint32_t>(core, 12, 0x400006);
    put<std::int16_t>(core, 24, 597);
    put<std::int16_t>(core, 26, 877);
    EXPECT_EQ(DevicePointer::positionIn(core, 0x400006), QPointF(597, 877));
    EXPECT_EQ(DevicePointer::positionIn(core, 0x400007), std::nullopt) << "another window's event";
    core[0] = 2 | 0x80; // a key press, sent by another client
    EXPECT_EQ(DevicePointer::positionIn(core, 0x400006), std::nullopt);

    unsigned char xi[64] = {};
    xi[0] = 35; // generic event
    put<std::uint32_t>(xi, 4, 8);
    put<std::uint16_t>(xi, 8, 5); // XI button release
    put<std::uint32_t>(xi, 24, 0x400006);
    put<std::int32_t>(xi, 44, 597 * 65536 + 32768);
    put<std::int32_t>(xi, 48, 877 * 65536);
    EXPECT_EQ(DevicePointer::positionIn(xi, 0x400006), QPointF(597.5, 877));
    put<std::uint16_t>(xi, 8, 13); // not a pointer event
    EXPECT_EQ(DevicePointer::positionIn(xi, 0x400006), std::nullopt);
}
