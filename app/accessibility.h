#pragma once
// What the pages tell assistive technology (screen readers, GUI automation) beyond what the
// toolkit does by itself: events raised through one door that tests can watch, and the accessible
// face of labels whose text changes at run time.

#include <QAccessibleWidget>
#include <functional>

class QLabel;

// Raises an accessibility event. The toolkit drops events while no assistive technology listens;
// the observer (if one is set) sees every event all the same.
void RaiseAccessibleEvent(QAccessibleEvent* event);

// Watches every event raised through RaiseAccessibleEvent; an empty function stops watching.
using AccessibleEventObserver = std::function<void(QAccessibleEvent*)>;
void SetAccessibleEventObserver(AccessibleEventObserver observer);

// Announces a label's new text: its value changed, its text was replaced, and, for a live label
// (a status line the user waits on), an alert so that a screen reader speaks it at once, as it
// would a live region. The toolkit itself raises the name change when the text is set.
void AnnounceLabelText(QLabel* label, const QString& oldText, bool live);

// A label as assistive technology sees it: its name is the text it shows (an empty label reads
// as empty) unless a fixed name was given, its description the fixed name from the layout, its
// value and its read-only text interface the shown text.
class AccessibleLabel : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleLabel(QLabel* label, QAccessible::Role role = QAccessible::StaticText);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTextInterface: the shown text, read only, without selection or caret.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    QString Shown() const;
};
