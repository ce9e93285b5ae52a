#pragma once

#include "form/form.h"

#include <QPixmap>
#include <QString>

class QPainter;

namespace drillix {

// Paints a form's light-weight controls back to front, from the model alone.
// Windowed controls are real widgets and paint themselves.
class FormPainter
{
public:
    void paint(QPainter &painter, const Form &form, const QRect &dirty);

    // The pixmap of a picture; a "@2x" companion is used on high-density
    // screens, drawn into the same logical rectangle.
    QPixmap pixmap(const Picture &picture, qreal devicePixelRatio);

private:
    void paintControl(QPainter &painter, const Control &control, qreal dpr);
};

} // namespace drillix
