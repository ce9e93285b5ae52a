#pragma once

#include "form/form.h"
#include "qt/window/formpainter.h"

#include <QHash>
#include <QWidget>

#include <memory>

class QPushButton;

namespace drillix {

class DevicePointer;

// The window of a form model: paints the light-weight controls, hosts real
// widgets for the windowed ones, and turns Qt's mouse events into the
// model's press, move, release, click and unload.
class FormWidget : public QWidget, public FormObserver
{
    Q_OBJECT

public:
    explicit FormWidget(Form &form, QWidget *parent = nullptr);
    ~FormWidget() override;

    Form &form() const { return m_form; }
    // The real widget standing for a windowed control, if any.
    QWidget *widgetFor(const Control &control) const { return m_windowed.value(&control); }
    // Shows the window where it was placed when made (see placement()),
    // focus on the first control in tab order.
    void showWithFocus();
    // Where a window of this size goes in a screen's available area: centred
    // along each axis where it fits, else at the start, so that its title bar
    // and controls can be reached.
    static QPoint placement(const QSize &window, const QRect &available);

    // FormObserver
    void controlAdded(const Control &control) override;
    void controlChanged(const Control &control, Property what) override;
    void formChanged(FormProperty what) override;
    void unloaded() override;

Q_SIGNALS:
    void formUnloaded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createWindowed(const Control &control);
    void syncWindowed(const Control &control);
    void updatePointer();
    void updateDragPointer();
    void updateIcon();
    bool handleButtonKey(QPushButton *button, QKeyEvent *event);
    QPoint toTwips(const QPointF &pos) const;

    Form &m_form;
    FormPainter m_painter;
    QHash<const Control *, QWidget *> m_windowed;
    bool m_dragCursorActive = false;
    // The window's icon waits for the first frame: decoding it and handing
    // every size to the window system is no part of what the user sees first.
    bool m_firstFramePainted = false;
    std::unique_ptr<DevicePointer> m_devicePointer;
};

} // namespace drillix
