#include "qt/window/formaccessible.h"

#include "form/form.h"
#include "qt/window/formwidget.h"
#include "qt/window/qtcolours.h"

#include <QHash>
#include <QPointer>

namespace drillix {

namespace {

// One painted label, as a static text inside the window.
class ControlAccessible : public QAccessibleInterface
{
public:
    ControlAccessible(FormWidget *widget, const Control *control)
        : m_widget(widget)
        , m_control(control)
    {
    }

    bool isValid() const override { return m_widget && m_control->form().loaded(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_widget ? m_widget->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_widget.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return QString::fromStdString(m_control->caption()).simplified();
        return {};
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!m_widget)
            return {};
        const QRect r = toPixels(m_control->geometry());
        return QRect(m_widget->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !m_control->visible();
        s.readOnly = true;
        return s;
    }

private:
    QPointer<FormWidget> m_widget;
    const Control *m_control;
};

// Interfaces of painted controls are made once and kept for the window's
// life, as Qt expects of child interfaces.
QHash<const Control *, QAccessible::Id> &registry()
{
    static QHash<const Control *, QAccessible::Id> ids;
    return ids;
}

bool isExposed(const Control &c)
{
    return c.kind() == ControlKind::Label && c.visible() && !c.caption().empty();
}

} // namespace

FormAccessible::FormAccessible(FormWidget *widget)
    : QAccessibleWidget(widget, QAccessible::Window)
    , m_model(&widget->form())
{
}

FormAccessible::~FormAccessible()
{
    // Runs while the widget itself is being destroyed: only the model is
    // still safe to reach.
    auto &ids = registry();
    for (auto it = ids.begin(); it != ids.end();) {
        if (&it.key()->form() == m_model) {
            QAccessible::deleteAccessibleInterface(it.value());
            it = ids.erase(it);
        } else {
            ++it;
        }
    }
}

FormWidget *FormAccessible::form() const
{
    return static_cast<FormWidget *>(widget());
}

QList<QAccessibleInterface *> FormAccessible::paintedChildren() const
{
    QList<QAccessibleInterface *> children;
    FormWidget *w = form();
    if (!w)
        return children;
    auto &ids = registry();
    // Back to front gives a stable reading order: instructions, names, answers.
    for (Control *c : w->form().controls()) {
        if (!isExposed(*c))
            continue;
        auto it = ids.find(c);
        if (it == ids.end())
            it = ids.insert(c, QAccessible::registerAccessibleInterface(new ControlAccessible(w, c)));
        children << QAccessible::accessibleInterface(it.value());
    }
    return children;
}

int FormAccessible::childCount() const
{
    return QAccessibleWidget::childCount() + static_cast<int>(paintedChildren().size());
}

QAccessibleInterface *FormAccessible::child(int index) const
{
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets)
        return QAccessibleWidget::child(index);
    const auto painted = paintedChildren();
    const int i = index - widgets;
    return i >= 0 && i < painted.size() ? painted.at(i) : nullptr;
}

int FormAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const int own = QAccessibleWidget::indexOfChild(child);
    if (own >= 0)
        return own;
    const int i = static_cast<int>(paintedChildren().indexOf(const_cast<QAccessibleInterface *>(child)));
    return i < 0 ? -1 : QAccessibleWidget::childCount() + i;
}

QString FormAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && form())
        return form()->windowTitle();
    return QAccessibleWidget::text(t);
}

QAccessibleInterface *FormAccessible::factory(const QString &, QObject *object)
{
    if (auto *w = qobject_cast<FormWidget *>(object))
        return new FormAccessible(w);
    return nullptr;
}

} // namespace drillix
