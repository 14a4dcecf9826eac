#pragma once
// A page or dialog body built from a layout table: every control is created, placed in pixels
// from its dialog units, named for accessibility, and found again by its numeric id.
//
// Accessibility: a control that shows text (a caption, a label's text) is named by its current
// text, so captions and status texts set at run time reach assistive technology as they change;
// a fixed name from the layout describes such a control, or names one without text of its own.

#include "app/dialog_layout.h"

#include <QHash>
#include <QWidget>
#include <functional>

class QAbstractButton;

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

    // Whether the control of a layout entry shows text of its own: a caption or a label's text.
    static bool ShowsOwnText(const ControlEntry& ctl);

    // While one exists, the page is setting its own controls: check boxes it ticks or clears do
    // not run their handlers (the running handler does their work as it is defined). Nests.
    class PageUpdate {
    public:
        explicit PageUpdate(DialogPage& page) : m_page(page) { ++m_page.m_updating; }
        ~PageUpdate() { --m_page.m_updating; }
        PageUpdate(const PageUpdate&) = delete;
        PageUpdate& operator=(const PageUpdate&) = delete;

    private:
        DialogPage& m_page;
    };
    bool IsUpdating() const { return m_updating > 0; }

    // Runs the handler once for every change of the box's state, however it came about: the
    // mouse, the Space key, the accessibility toggle action or setChecked from anywhere outside
    // the page's own handlers. The handler runs inside a PageUpdate.
    void ConnectCheck(QAbstractButton* box, std::function<void(bool checked)> handler);

private:
    // Accessible name or description of a freshly created control.
    static void NameForAccessibility(const ControlEntry& ctl, QWidget* w);

    int m_updating = 0;
    DialogTemplate m_layout;
    DialogUnits m_units;
    QHash<int, QWidget*> m_controls;
    std::vector<QWidget*> m_ordered;
};

// Removes the mnemonic marks of a caption ("关于(&A)" -> "关于(A)", "&&" -> "&").
QString StripMnemonic(const QString& caption);
