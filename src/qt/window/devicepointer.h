#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QPointF>

#include <optional>

namespace drillix {

// Qt 6.4 hands widgets pointer positions rounded to whole logical pixels: at
// a scale factor of 2, one device pixel in two reaches the widget as the
// neighbouring logical pixel, and a drop at a region's edge would land on
// the other side. This filter keeps the pointer's last position in device
// pixels, as the X server reported it for the watched window, so that the
// window can place a drop exactly. It never consumes an event.
class DevicePointer : public QAbstractNativeEventFilter
{
public:
    explicit DevicePointer(quint32 window);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // Relative to the window, in device pixels; empty until the X server
    // reported a pointer event for it.
    std::optional<QPointF> lastPosition() const { return m_last; }

    // Parses one X event; public for tests.
    static std::optional<QPointF> positionIn(const void *event, quint32 window);

private:
    quint32 m_window;
    std::optional<QPointF> m_last;
};

} // namespace drillix
