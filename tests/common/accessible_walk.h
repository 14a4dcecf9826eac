#pragma once
// The window as assistive technology (a screen reader, GUI automation) sees it: a walk over the
// accessibility tree that compares what each control tells with what it shows on screen.

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSet>
#include <QStringList>
#include <QTabBar>
#include <QTableWidget>

#include "app/dialog_page.h"
#include "app/zcstatic.h"

inline QString AccessibleText(QWidget* w, QAccessible::Text t = QAccessible::Name)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(t) : QString();
}

// A control says what it is: a name, or, for a status label that shows nothing at the moment, its
// fixed description (an empty label reads as empty). A combo box's fixed name may reach assistive
// technology through its label instead (on Linux the toolkit names it by its current item).
inline bool HasAccessibleName(QWidget* w)
{
    if (!AccessibleText(w).trimmed().isEmpty() || !w->accessibleName().trimmed().isEmpty())
        return true;
    auto* label = qobject_cast<ZCStatic*>(w);
    return label && label->text().trimmed().isEmpty() && !AccessibleText(w, QAccessible::Description).isEmpty();
}

// Toggles a check box the way assistive technology does, through its toggle action; false if the
// box offers none.
inline bool ToggleThroughAccessibility(QAbstractButton* box)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
    QAccessibleActionInterface* actions = iface ? iface->actionInterface() : nullptr;
    if (!actions || !actions->actionNames().contains(QAccessibleActionInterface::toggleAction()))
        return false;
    actions->doAction(QAccessibleActionInterface::toggleAction());
    return true;
}

struct AccessibleWalk {
    QSet<QWidget*> reached;  // widgets found in the tree
    QStringList mismatches;  // controls whose accessible text differs from the shown one

    bool Reached(QWidget* w) const { return reached.contains(w); }
};

namespace accessible_walk_detail {

inline QString Describe(QWidget* w)
{
    const QVariant id = w->property("controlId");
    return QStringLiteral("%1 %2").arg(id.isValid() ? QString::number(id.toInt()) : w->objectName(),
                                       QString::fromLatin1(w->metaObject()->className()));
}

inline void Expect(AccessibleWalk& walk, QWidget* w, const char* what, const QString& told, const QString& shown)
{
    if (told != shown)
        walk.mismatches << QStringLiteral("%1: %2 '%3', shown '%4'").arg(Describe(w), QString::fromLatin1(what), told, shown);
}

inline void ExpectNamed(AccessibleWalk& walk, QWidget* w)
{
    if (!HasAccessibleName(w))
        walk.mismatches << Describe(w) + QStringLiteral(": no accessible name");
}

inline void CheckTable(AccessibleWalk& walk, QTableWidget* table, QAccessibleInterface* iface)
{
    QAccessibleTableInterface* t = iface->tableInterface();
    if (!t) {
        walk.mismatches << Describe(table) + QStringLiteral(": no table interface");
        return;
    }
    for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem* header = table->horizontalHeaderItem(c);
        Expect(walk, table, "column header", t->columnDescription(c), header ? header->text() : QString());
    }
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c) {
            QAccessibleInterface* cell = t->cellAt(r, c);
            const QTableWidgetItem* item = table->item(r, c);
            Expect(walk, table, "cell", cell ? cell->text(QAccessible::Name) : QStringLiteral("<none>"),
                   item ? item->text() : QString());
        }
}

inline void Check(AccessibleWalk& walk, QWidget* w, QAccessibleInterface* iface)
{
    const QAccessible::State state = iface->state();
    if (static_cast<bool>(state.disabled) != !w->isEnabled())
        walk.mismatches << Describe(w) + QStringLiteral(": enabled state differs");
    const QString name = iface->text(QAccessible::Name);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (b->text().isEmpty())
            ExpectNamed(walk, w);
        else
            Expect(walk, w, "name", name, StripMnemonic(b->text()));
        if (b->isCheckable() && static_cast<bool>(state.checked) != b->isChecked())
            walk.mismatches << Describe(w) + QStringLiteral(": check mark differs");
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty()) {
            ExpectNamed(walk, w);
        } else if (name != StripMnemonic(label->text())) {
            Expect(walk, w, "name", name, label->text());
        }
        if (qobject_cast<ZCStatic*>(w))
            Expect(walk, w, "value", iface->text(QAccessible::Value), label->text());
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        if (group->title().isEmpty())
            ExpectNamed(walk, w);
        else
            Expect(walk, w, "name", name, StripMnemonic(group->title()));
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        ExpectNamed(walk, w);
        Expect(walk, w, "value", iface->text(QAccessible::Value), edit->text());
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        ExpectNamed(walk, w);
        Expect(walk, w, "value", iface->text(QAccessible::Value), combo->currentText());
    } else if (auto* progress = qobject_cast<QProgressBar*>(w)) {
        ExpectNamed(walk, w);
        QAccessibleValueInterface* v = iface->valueInterface();
        Expect(walk, w, "value", v ? v->currentValue().toString() : QString(), QString::number(progress->value()));
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        ExpectNamed(walk, w);
        CheckTable(walk, table, iface);
    } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
        ExpectNamed(walk, w);
        for (int i = 0; i < iface->childCount() && i < bar->count(); ++i)
            Expect(walk, w, "tab", iface->child(i)->text(QAccessible::Name), StripMnemonic(bar->tabText(i)));
    }
}

inline void Walk(AccessibleWalk& walk, QAccessibleInterface* iface, int depth)
{
    if (!iface || depth > 32)
        return;
    auto* w = qobject_cast<QWidget*>(iface->object());
    if (w) {
        if (walk.reached.contains(w))
            return;
        walk.reached.insert(w);
        Check(walk, w, iface);
        // Tables, tab rows and combo boxes were checked as a whole: their children are items.
        if (qobject_cast<QTableWidget*>(w) || qobject_cast<QTabBar*>(w) || qobject_cast<QComboBox*>(w))
            return;
    }
    for (int i = 0; i < iface->childCount(); ++i)
        Walk(walk, iface->child(i), depth + 1);
}

} // namespace accessible_walk_detail

// Walks the tree below a window, from the window down through the children each node reports.
inline AccessibleWalk WalkAccessibleTree(QWidget* root)
{
    AccessibleWalk walk;
    accessible_walk_detail::Walk(walk, QAccessible::queryAccessibleInterface(root), 0);
    return walk;
}
