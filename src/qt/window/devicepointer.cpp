#include "qt/window/devicepointer.h"

#include <cstdint>
#include <cstring>

namespace drillix {

namespace {

// The wire layouts of the pointer events that carry a position, as xcb
// hands them over. Core events: press, release and motion share one layout.
struct CorePointerEvent {
    std::uint8_t responseType;
    std::uint8_t detail;
    std::uint16_t sequence;
    std::uint32_t time;
    std::uint32_t root;
    std::uint32_t event;
    std::uint32_t child;
    std::int16_t rootX, rootY;
    std::int16_t eventX, eventY;
    std::uint16_t state;
    std::uint8_t sameScreen;
    std::uint8_t pad;
};
static_assert(sizeof(CorePointerEvent) == 32);

// XInput 2 device events (button press, release, motion); xcb moves the
// full sequence number in after the first 32 bytes. Positions are 16.16
// fixed point.
struct XiPointerEvent {
    std::uint8_t responseType;
    std::uint8_t extension;
    std::uint16_t sequence;
    std::uint32_t length;
    std::uint16_t eventType;
    std::uint16_t deviceId;
    std::uint32_t time;
    std::uint32_t detail;
    std::uint32_t root;
    std::uint32_t event;
    std::uint32_t child;
    std::uint32_t fullSequence;
    std::int32_t rootX, rootY;
    std::int32_t eventX, eventY;
};
static_assert(sizeof(XiPointerEvent) == 52);

constexpr std::uint8_t kButtonPress = 4;
constexpr std::uint8_t kButtonRelease = 5;
constexpr std::uint8_t kMotionNotify = 6;
constexpr std::uint8_t kGenericEvent = 35;
constexpr std::uint16_t kXiButtonPress = 4;
constexpr std::uint16_t kXiButtonRelease = 5;
constexpr std::uint16_t kXiMotion = 6;

} // namespace

DevicePointer::DevicePointer(quint32 window)
    : m_window(window)
{
}

std::optional<QPointF> DevicePointer::positionIn(const void *message, quint32 window)
{
    const auto type = static_cast<std::uint8_t>(*static_cast<const std::uint8_t *>(message) & 0x7F);
    if (type == kButtonPress || type == kButtonRelease || type == kMotionNotify) {
        CorePointerEvent e;
        std::memcpy(&e, message, sizeof e);
        if (e.event != window)
            return std::nullopt;
        return QPointF(e.eventX, e.eventY);
    }
    if (type == kGenericEvent) {
        XiPointerEvent e;
        std::memcpy(&e, message, sizeof e);
        // 4-byte units past the first 32 bytes: a device event has at least
        // the buttons, valuators and modifiers that follow the position.
        const bool deviceEvent = e.eventType == kXiButtonPress || e.eventType == kXiButtonRelease
                                 || e.eventType == kXiMotion;
        if (!deviceEvent || e.length < 6 || e.event != window)
            return std::nullopt;
        return QPointF(e.eventX / 65536.0, e.eventY / 65536.0);
    }
    return std::nullopt;
}

bool DevicePointer::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (message && eventType == QByteArrayLiteral("xcb_generic_event_t")) {
        if (auto p = positionIn(message, m_window))
            m_last = p;
    }
    return false;
}

} // namespace drillix
