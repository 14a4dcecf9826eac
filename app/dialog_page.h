#pragma once
// A page or dialog body built from a layout table: every control is created, placed in pixels
// from its dialog units, named for accessibility, and found again by its numeric id.

#include "app/dialog_layout.h"

#include <QHash>
#include <QWidget>
#include <functional>

class DialogPage : public QWidget {
    Q_OBJECT
public:
    // Creates the control for a layout entry, or returns nullptr to let the page create a standard one.
    using Factory = std::function<QWidget*(const ControlEntry& ctl, QWidget* parent)>;

    explicit DialogPage(const DialogTemplate& layout, QWidget* parent = nullptr, const Factory& custom = {});

    // The control with this id, or nullptr.
    QWidget* control(int id) const { return m_controls.value(id, nullptr); }
    template <class T> T* controlAs(int id) const { return qobject_cast<T*>(control(id)); }

    const DialogTemplate& layout() const { return m_layout; }
    const DialogUnits& units() const { return m_units; }
    // Size of the whole page in pixels.
    QSize sizeHint() const override;

    // All controls in layout order, those without an id included.
    const std::vector<QWidget*>& controls() const { return m_ordered; }

    // Creates one standard control for a layout entry (also used by pages that rebuild a control).
    static QWidget* CreateStandardControl(const ControlEntry& ctl, QWidget* parent);

private:
    DialogTemplate m_layout;
    DialogUnits m_units;
    QHash<int, QWidget*> m_controls;
    std::vector<QWidget*> m_ordered;
};

// Removes the mnemonic marks of a caption ("关于(&A)" -> "关于(A)", "&&" -> "&").
QString StripMnemonic(const QString& caption);
