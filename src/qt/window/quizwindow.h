#pragma once

#include "core/quiz.h"

#include <QWidget>

class QLabel;

namespace drillix {

struct TouchPin;

// The quiz's one window: the map and the panel drawn behind child labels and
// buttons. Pressing on a name and letting go drags it with the pin pointer;
// a finger drags it with a pin drawn above the fingertip, where it will land.
// The game decides what the drop means, and the window shows the result.
class QuizWindow : public QWidget
{
    Q_OBJECT

public:
    explicit QuizWindow(Quiz &quiz, QWidget *parent = nullptr);
    ~QuizWindow() override;

    // Shows the window where it was placed when made, the keyboard focus on
    // the window itself, so that no button shows a focus frame until Tab.
    void showWithFocus() { show(); setFocus(Qt::OtherFocusReason); }
    // Where a window of this size goes in a screen's available area: centred
    // along each axis where it fits, else at the start, so that its title bar
    // and controls can be reached.
    static QPoint placement(const QSize &window, const QRect &available);

    // The name being dragged, or -1.
    int draggedName() const { return m_draggedName; }
    QLabel *nameLabel(int index) const { return m_names.at(index); }
    QLabel *answerLabel(int index) const { return m_answers.at(index); }

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showQuiz();
    void dropAt(const QPointF &point);
    void endDrag();
    void updatePointer();
    QPointF dropPoint(const QMouseEvent *event) const;
    // The name shown under a point, or -1, also where a drop target lies in front.
    int nameUnder(const QPointF &point) const;

    Quiz &m_quiz;
    QList<QLabel *> m_names;
    QList<QLabel *> m_answers;
    // The pin drawn during a touch drag, and shown only then.
    TouchPin *m_touchPin = nullptr;
    int m_draggedName = -1;
    bool m_showsHand = false;
    // The pointer as the window system gave it, before Qt rounds it to whole
    // pixels for widgets; at scale factors above 1 a drop at a region's edge
    // needs the exact point.
    QPointF m_windowPointer{-1, -1};
};

} // namespace drillix
