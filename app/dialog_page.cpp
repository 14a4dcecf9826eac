#include "app/dialog_page.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QTableWidget>

#include "app/vertical_check_box.h"
#include "app/zcstatic.h"

QString StripMnemonic(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&'))
                ++i;
            else
                continue;
        }
        out += caption[i];
    }
    return out;
}

namespace {

// Check boxes of the layouts are drawn narrow (15 × 10 units for a one-digit caption), sized for
// the Windows gap of 3 pixels between the box and its text; the same gap keeps them readable here.
class CompactCheckStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_CheckBoxLabelSpacing || metric == PM_RadioButtonLabelSpacing)
            return 3;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QStyle* CheckStyle()
{
    static CompactCheckStyle* style = new CompactCheckStyle;
    return style;
}

} // namespace

QWidget* DialogPage::CreateStandardControl(const ControlEntry& ctl, QWidget* parent)
{
    const QString& k = ctl.kind;
    if (k == QLatin1String("group")) {
        auto* w = new QGroupBox(ctl.caption, parent);
        w->setFocusPolicy(Qt::NoFocus);
        return w;
    }
    if (k == QLatin1String("label") || k == QLatin1String("icon")) {
        auto* w = new QLabel(ctl.caption, parent);
        w->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return w;
    }
    if (k == QLatin1String("zcstatic"))
        return new ZCStatic(parent);
    if (k == QLatin1String("button") || k == QLatin1String("defbutton")) {
        auto* w = new QPushButton(ctl.caption, parent);
        w->setAutoDefault(false);
        w->setDefault(k == QLatin1String("defbutton"));
        return w;
    }
    if (k == QLatin1String("check")) {
        // "vertical": the caption under the box, one character a line, for a narrow column.
        auto* w = ctl.HasStyle(QStringLiteral("vertical")) ? new CVerticalCheckBox(ctl.caption, parent)
                                                           : new QCheckBox(ctl.caption, parent);
        w->setStyle(CheckStyle());
        return w;
    }
    if (k == QLatin1String("combo")) {
        auto* w = new QComboBox(parent);
        w->setEditable(false);
        w->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        w->setMinimumContentsLength(1);
        return w;
    }
    if (k == QLatin1String("edit"))
        return new QLineEdit(ctl.caption, parent);
    if (k == QLatin1String("list")) {
        // A report-style list: text cells in fixed columns, no row header.
        auto* w = new QTableWidget(parent);
        w->verticalHeader()->hide();
        w->setEditTriggers(QAbstractItemView::NoEditTriggers);
        w->setSelectionBehavior(QAbstractItemView::SelectRows);
        w->setSelectionMode(QAbstractItemView::SingleSelection);
        // Tab and Shift+Tab leave the list for the next control, as everywhere else on the page;
        // the arrow keys move between its cells.
        w->setTabKeyNavigation(false);
        w->setWordWrap(false);
        w->horizontalHeader()->setHighlightSections(false);
        // Compact rows, the text height and a pixel, so that the eight rows of the debug page's
        // lists show without scrolling.
        const int row = QFontMetrics(parent ? parent->font() : w->font()).height() + 1;
        w->verticalHeader()->setMinimumSectionSize(1);
        w->verticalHeader()->setDefaultSectionSize(row);
        w->horizontalHeader()->setFixedHeight(row + 4);
        return w;
    }
    if (k == QLatin1String("progress")) {
        auto* w = new QProgressBar(parent);
        w->setTextVisible(false);
        return w;
    }
    auto* w = new QWidget(parent);
    return w;
}

DialogPage::DialogPage(const DialogTemplate& layout, QWidget* parent, const Factory& custom)
    : QWidget(parent), m_layout(layout)
{
    setFont(DialogFont(m_layout.fontFace, m_layout.pointSize));
    m_units = DialogUnits::FromFont(font());
    if (!m_layout.caption.isEmpty())
        setWindowTitle(m_layout.caption);

    for (const ControlEntry& ctl : m_layout.controls) {
        QWidget* w = custom ? custom(ctl, this) : nullptr;
        if (!w)
            w = CreateStandardControl(ctl, this);
        w->setGeometry(m_units.ToPixels(ctl.du));
        w->setProperty("controlId", ctl.id);
        if (ctl.id != -1)
            w->setObjectName(QStringLiteral("c%1").arg(ctl.id));
        NameForAccessibility(ctl, w);
        if (ctl.HasStyle(QStringLiteral("disabled")))
            w->setEnabled(false);
        if (ctl.HasStyle(QStringLiteral("hidden")))
            w->hide();
        if (ctl.id != -1)
            m_controls.insert(ctl.id, w);
        m_ordered.push_back(w);
    }

    // Labels name the control they stand beside: buddy=<id>.
    for (size_t i = 0; i < m_layout.controls.size(); ++i) {
        const ControlEntry& ctl = m_layout.controls[i];
        const QString buddy = ctl.StyleValue(QStringLiteral("buddy"));
        if (buddy.isEmpty())
            continue;
        QWidget* target = control(buddy.toInt());
        if (!target)
            continue;
        if (auto* label = qobject_cast<QLabel*>(m_ordered[i]))
            label->setBuddy(target);
        if (target->accessibleName().isEmpty())
            target->setAccessibleName(StripMnemonic(ctl.caption));
    }

    const QSize px = m_units.ToPixels(m_layout.sizeDu);
    if (px.isValid() && !px.isEmpty())
        resize(px);
}

bool DialogPage::ShowsOwnText(const ControlEntry& ctl)
{
    const QString& k = ctl.kind;
    if (k == QLatin1String("zcstatic"))
        return true;
    const bool textKind = k == QLatin1String("label") || k == QLatin1String("button") || k == QLatin1String("defbutton")
        || k == QLatin1String("check") || k == QLatin1String("group");
    return textKind && !ctl.caption.isEmpty();
}

void DialogPage::NameForAccessibility(const ControlEntry& ctl, QWidget* w)
{
    // A control that shows text of its own (a caption, a label's text) is named by that text, so
    // that its name follows every change of the text at run time (the toolkit reads the current
    // caption and raises the name change itself); the layout's fixed name, if any, describes it.
    // Other controls (edits, lists, charts, frames without a title) carry the layout's name, or
    // the caption of the label beside them (see the buddies below).
    if (ShowsOwnText(ctl)) {
        if (!ctl.name.isEmpty())
            w->setAccessibleDescription(ctl.name);
        if (auto* label = qobject_cast<ZCStatic*>(w))
            label->SetLiveRegion(ctl.HasStyle(QStringLiteral("live")));
        return;
    }
    if (!ctl.name.isEmpty())
        w->setAccessibleName(ctl.name);
}

void DialogPage::ConnectCheck(QAbstractButton* box, std::function<void(bool)> handler)
{
    connect(box, &QAbstractButton::toggled, this, [this, handler = std::move(handler)](bool checked) {
        if (m_updating > 0)
            return; // the page is setting its own controls
        const PageUpdate update(*this);
        handler(checked);
    });
}

QSize DialogPage::sizeHint() const
{
    const QSize px = m_units.ToPixels(m_layout.sizeDu);
    return px.isEmpty() ? QWidget::sizeHint() : px;
}
