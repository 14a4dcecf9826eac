#include "chart/chart_cursor.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStringList>
#include <QWidget>
#include <cmath>

#include "chart/chart_ctrl.h"

namespace {

constexpr int kPadding = 3;   // inside the box
constexpr int kGap = 6;       // between the line and the box
constexpr int kSwatchGap = 4; // between a colour square and its text
const QColor kLineColour(32, 32, 32);
const QColor kBoxColour(255, 255, 255, 225);
const QColor kBoxBorder(96, 96, 96);

int SwatchSize(const QFontMetrics& fm) { return qMax(4, fm.ascent() - 2); }

QRect ToQRect(const ChartRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

} // namespace

namespace ChartCursorOverlay {

QRect BoxRect(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines)
{
    if (lines.empty())
        return {};
    const QFontMetrics fm(font);
    int textWidth = 0;
    for (const ChartReadoutLine& l : lines)
        textWidth = qMax(textWidth, fm.horizontalAdvance(l.text));
    const int w = 2 * kPadding + SwatchSize(fm) + kSwatchGap + textWidth;
    const int h = 2 * kPadding + fm.height() * static_cast<int>(lines.size());
    int x = px + kGap;
    if (x + w > plot.right() && px - kGap - w >= plot.left())
        x = px - kGap - w;
    return QRect(x, plot.top() + 2, w, h);
}

QRect Bounds(const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines)
{
    const QRect line(px - 1, plot.top(), 3, plot.height() + 1);
    return line.united(BoxRect(font, plot, px, lines)).adjusted(-1, -1, 1, 1);
}

void Paint(QPainter& painter, const QFont& font, const QRect& plot, int px, const std::vector<ChartReadoutLine>& lines)
{
    painter.save();
    painter.setPen(QPen(kLineColour, 1, Qt::SolidLine));
    painter.drawLine(px, plot.top(), px, plot.bottom());

    const QRect box = BoxRect(font, plot, px, lines);
    if (!box.isEmpty()) {
        const QFontMetrics fm(font);
        painter.setFont(font);
        painter.setPen(kBoxBorder);
        painter.setBrush(kBoxColour);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        const int swatch = SwatchSize(fm);
        int y = box.top() + kPadding;
        for (const ChartReadoutLine& l : lines) {
            const QRect square(box.left() + kPadding, y + (fm.height() - swatch) / 2, swatch, swatch);
            painter.setPen(kBoxBorder);
            painter.setBrush(ToQColor(l.colour));
            painter.drawRect(square.adjusted(0, 0, -1, -1));
            painter.setPen(Qt::black);
            painter.drawText(square.right() + 1 + kSwatchGap, y + fm.ascent(), l.text);
            y += fm.height();
        }
    }
    painter.restore();
}

} // namespace ChartCursorOverlay

// The transparent layer over the chart that the cursor is painted on.
class CChartCursor::Layer : public QWidget {
public:
    Layer(CChartCursor* cursor, QWidget* chart) : QWidget(chart), m_cursor(cursor)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(chart->rect());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_cursor->Paint(painter);
    }

private:
    CChartCursor* m_cursor;
};

CChartCursor::CChartCursor(CChartCtrl* chart, ChartReadout readout)
    : QObject(chart), m_chart(chart), m_readout(std::move(readout))
{
    if (!chart)
        return;
    // The layer is shown only while the cursor is: a hidden one costs the chart's repaints
    // nothing.
    m_layer = new Layer(this, chart);
    m_layer->hide();
    chart->installEventFilter(this);
}

CChartCursor::~CChartCursor()
{
    // Nothing of the chart is touched here: the cursor may go as a child of a chart that is
    // itself being destroyed (its event filter goes with the cursor by itself). The layer, if
    // still there, must not outlive the cursor it paints.
    delete m_layer.data();
}

void CChartCursor::SetStep(double step, bool snap)
{
    if (step > 0 && std::isfinite(step))
        m_step = step;
    m_snap = snap;
}

double CChartCursor::Snapped(double x) const { return m_snap ? std::round(x / m_step) * m_step : x; }

void CChartCursor::ShowAt(double x)
{
    CChartAxis* axis = m_chart ? m_chart->GetBottomAxis() : nullptr;
    if (!axis || !std::isfinite(x))
        return;
    const double lo = std::min(axis->RangeMin(), axis->RangeMax());
    const double hi = std::max(axis->RangeMin(), axis->RangeMax());
    m_value = std::clamp(x, lo, hi);
    m_shown = true;
    if (m_layer && m_layer->isHidden())
        m_layer->show();
}

void CChartCursor::Hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_byMouse = false;
    if (m_layer)
        m_layer->hide(); // the chart under it repaints by itself
    m_painted = QRect();
    if (m_chart && m_chart->accessibleDescription() != m_description)
        m_chart->setAccessibleDescription(m_description);
}

std::vector<ChartReadoutLine> CChartCursor::Lines() const
{
    if (!m_shown || !m_readout)
        return {};
    return m_readout(m_value);
}

int CChartCursor::PixelOfValue() const
{
    CChartAxis* axis = m_chart ? m_chart->GetBottomAxis() : nullptr;
    return axis ? axis->ValueToPixel(m_value) : 0;
}

QRect CChartCursor::Bounds() const
{
    if (!m_shown || !m_chart || !m_chart->GetBottomAxis())
        return {};
    const QRect plot = ToQRect(m_chart->PlotRect());
    const int px = PixelOfValue();
    if (px < plot.left() || px > plot.right())
        return {};
    return ChartCursorOverlay::Bounds(m_chart->font(), plot, px, Lines());
}

void CChartCursor::Refresh()
{
    if (!m_shown)
        return;
    if (m_layer)
        m_layer->update(m_painted.united(Bounds()));
    if (!m_byMouse)
        Describe();
}

void CChartCursor::Moved(bool byKeyboard)
{
    m_byMouse = !byKeyboard;
    Refresh();
}

void CChartCursor::Describe()
{
    // A screen reader reads the values at a keyboard cursor as the chart's description, kept
    // up to date as the values under it change.
    if (!m_chart)
        return;
    QStringList parts;
    for (const ChartReadoutLine& l : Lines())
        parts << l.text;
    const QString text = QStringLiteral("光标 %1：%2").arg(m_value).arg(parts.join(QStringLiteral("，")));
    if (m_chart->accessibleDescription() != text)
        m_chart->setAccessibleDescription(text);
}

void CChartCursor::Paint(QPainter& painter)
{
    m_painted = QRect();
    if (!m_shown || !m_chart || !m_chart->GetBottomAxis())
        return;
    const QRect plot = ToQRect(m_chart->PlotRect());
    const int px = PixelOfValue();
    if (plot.isEmpty() || px < plot.left() || px > plot.right())
        return; // scrolled out of view
    const std::vector<ChartReadoutLine> lines = Lines();
    ChartCursorOverlay::Paint(painter, m_chart->font(), plot, px, lines);
    m_painted = ChartCursorOverlay::Bounds(m_chart->font(), plot, px, lines);
}

bool CChartCursor::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    CChartAxis* axis = m_chart ? m_chart->GetBottomAxis() : nullptr;
    if (!axis)
        return false;
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (!m_shown)
            return false;
        Hide();
        return true;
    }
    if (mods != Qt::ShiftModifier)
        return false;
    const double lo = std::min(axis->RangeMin(), axis->RangeMax());
    const double hi = std::max(axis->RangeMin(), axis->RangeMax());
    double target;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!m_shown)
            target = Snapped((lo + hi) / 2);
        else
            target = m_value + (key == Qt::Key_Left ? -m_step : m_step);
        break;
    case Qt::Key_Home: target = lo; break;
    case Qt::Key_End: target = hi; break;
    default: return false;
    }
    if (!m_shown && m_chart)
        m_description = m_chart->accessibleDescription();
    ShowAt(target);
    Moved(true);
    return true;
}

bool CChartCursor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_chart)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        if (m_layer)
            m_layer->setGeometry(m_chart->rect());
        break;
    case QEvent::MouseMove: {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        CChartAxis* axis = m_chart->GetBottomAxis();
        if (axis && m_chart->PlotRect().Contains({p.x(), p.y()})) {
            const double before = m_value;
            const bool wasShown = m_shown;
            if (!wasShown)
                m_description = m_chart->accessibleDescription();
            ShowAt(Snapped(axis->ScreenToValue(p.x())));
            if (!wasShown || m_value != before || !m_byMouse)
                Moved(false);
        } else if (m_byMouse) {
            Hide();
        }
        break;
    }
    case QEvent::Leave:
        if (m_byMouse)
            Hide();
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (HandleKey(key->key(), key->modifiers())) {
            key->accept();
            return true;
        }
        break;
    }
    case QEvent::ShortcutOverride: {
        // Escape would otherwise close the window the chart sits in while the cursor is up.
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_shown && key->key() == Qt::Key_Escape) {
            key->accept();
            return true;
        }
        break;
    }
    default: break;
    }
    return false;
}
