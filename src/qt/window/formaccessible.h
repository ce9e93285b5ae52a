#pragma once

#include <QAccessibleWidget>

namespace drillix {

class Form;
class FormWidget;

// The form's painted controls are no widgets, so assistive technology would
// see none of them. This interface lists the visible labels of the window
// (the country names and the answers on the map) as static texts beside the
// real widgets, the buttons.
class FormAccessible : public QAccessibleWidget
{
public:
    explicit FormAccessible(FormWidget *widget);
    ~FormAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text t) const override;

    // For QAccessible::installFactory.
    static QAccessibleInterface *factory(const QString &className, QObject *object);

private:
    FormWidget *form() const;
    QList<QAccessibleInterface *> paintedChildren() const;

    // Kept from the start: the interface may outlive the widget's own part
    // of its destruction.
    const Form *m_model;
};

} // namespace drillix
