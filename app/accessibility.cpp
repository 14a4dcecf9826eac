#include "app/accessibility.h"

#include <QLabel>

namespace {

AccessibleEventObserver& Observer()
{
    static AccessibleEventObserver observer;
    return observer;
}

} // namespace

void RaiseAccessibleEvent(QAccessibleEvent* event)
{
    if (const AccessibleEventObserver& observer = Observer())
        observer(event);
    QAccessible::updateAccessibility(event);
}

void SetAccessibleEventObserver(AccessibleEventObserver observer) { Observer() = std::move(observer); }

void AnnounceLabelText(QLabel* label, const QString& oldText, bool live)
{
    const QString text = label->text();
    QAccessibleValueChangeEvent value(label, text);
    RaiseAccessibleEvent(&value);
    QAccessibleTextUpdateEvent update(label, 0, oldText, text);
    RaiseAccessibleEvent(&update);
    // The toolkit has no live-region announcement (it arrives with Qt 6.8); an alert raised on
    // the label is the nearest it offers.
    if (live) {
        QAccessibleEvent alert(label, QAccessible::Alert);
        RaiseAccessibleEvent(&alert);
    }
}

AccessibleLabel::AccessibleLabel(QLabel* label, QAccessible::Role role) : QAccessibleWidget(label, role) {}

QString AccessibleLabel::Shown() const
{
    const auto* label = static_cast<const QLabel*>(object());
    return label->text();
}

QString AccessibleLabel::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name: {
        const QString fixed = widget()->accessibleName();
        return fixed.isEmpty() ? Shown() : fixed;
    }
    case QAccessible::Value:
        return Shown();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State AccessibleLabel::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.focusable = false;
    return s;
}

void* AccessibleLabel::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void AccessibleLabel::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

QString AccessibleLabel::text(int startOffset, int endOffset) const
{
    const QString shown = Shown();
    const int start = qBound(0, startOffset, static_cast<int>(shown.size()));
    const int end = qBound(start, endOffset, static_cast<int>(shown.size()));
    return shown.mid(start, end - start);
}

int AccessibleLabel::characterCount() const { return static_cast<int>(Shown().size()); }

QString AccessibleLabel::attributes(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
