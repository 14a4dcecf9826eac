#include "chart/chart_scrollbar.h"

#include "chart/chart_axis.h"
#include "chart/chart_ctrl.h"

#include <QEvent>
#include <QStyle>
#include <algorithm>

CChartScrollBar::CChartScrollBar(CChartAxis* axis, QWidget* chart)
    : QScrollBar(axis && axis->IsHorizontal() ? Qt::Horizontal : Qt::Vertical, chart), m_axis(axis), m_hi(1), m_pos(1)
{
    setObjectName(QStringLiteral("chartScrollBar"));
    setAccessibleName(axis && axis->IsHorizontal() ? QStringLiteral("横向滚动条") : QStringLiteral("纵向滚动条"));
    hide();
    setRange(1, 1);
    setPageStep(1);
    setValue(1);
    // First placement: the current plotting rectangle moved in by one pixel at left and top,
    // the bar of standard thickness against its axis' edge of it.
    if (auto* ctrl = qobject_cast<CChartCtrl*>(chart)) {
        const ChartRect p = ctrl->PlotRect();
        const int t = Thickness();
        QRect g(p.left + 1, p.top + 1, std::max(0, p.Width() - 1), std::max(0, p.Height() - 1));
        switch (axis ? axis->Position() : LeftAxis) {
        case BottomAxis: g.setTop(g.top() + g.height() - t); break;
        case TopAxis: g.setHeight(t); break;
        case LeftAxis: g.setWidth(t); break;
        case RightAxis: g.setLeft(g.left() + g.width() - t); break;
        }
        setGeometry(g);
    }
    connect(this, &QAbstractSlider::actionTriggered, this, &CChartScrollBar::OnAction);
}

int CChartScrollBar::Thickness() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void CChartScrollBar::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    setVisible(enabled && !m_autoHide);
}

void CChartScrollBar::SetAutoHide(bool autoHide)
{
    m_autoHide = autoHide;
    setVisible(m_enabled && !m_autoHide);
}

void CChartScrollBar::Place(const ChartRect& p)
{
    if (m_placed && p == m_placedIn)
        return;
    m_placed = true;
    m_placedIn = p;
    const int t = Thickness();
    QRect g;
    switch (m_axis->Position()) {
    case BottomAxis: g = QRect(QPoint(p.left + 1, p.bottom - t), QPoint(p.right - 1, p.bottom - 1)); break;
    case TopAxis: g = QRect(QPoint(p.left + 1, p.top + 1), QPoint(p.right - 1, p.top + t)); break;
    case LeftAxis: g = QRect(QPoint(p.left + 1, p.top + 1), QPoint(p.left + t, p.bottom - 1)); break;
    case RightAxis: g = QRect(QPoint(p.right - t, p.top + 1), QPoint(p.right - 1, p.bottom - 1)); break;
    }
    setGeometry(g.normalized());
}

bool CChartScrollBar::event(QEvent* event)
{
    const bool done = QScrollBar::event(event);
    // Another style, or a screen of another resolution, may give bars another thickness.
    if ((event->type() == QEvent::StyleChange || event->type() == QEvent::ScreenChangeInternal) && m_placed) {
        m_placed = false;
        Place(m_placedIn);
    }
    return done;
}

void CChartScrollBar::Refresh()
{
    int steps = 1, pos = 1;
    m_axis->ScrollSteps(steps, pos);
    // Already showing this (the usual case: the series got new points, the range stayed).
    const int target = std::clamp(m_axis->IsHorizontal() ? pos : steps - pos - 9, 0, std::max(0, steps - 1 - 9));
    if (steps - 1 == m_hi && target == m_pos && minimum() == 0 && maximum() == std::max(0, m_hi - 9) &&
        pageStep() == 10 && singleStep() == 1 && value() == m_pos && sliderPosition() == m_pos &&
        testAttribute(Qt::WA_ForceDisabled) == (steps <= 10))
        return;
    m_hi = steps - 1;
    m_updating = true;
    setRange(0, std::max(0, m_hi - 9));
    setPageStep(10);
    setSingleStep(1);
    m_updating = false;
    SetPosition(m_axis->IsHorizontal() ? pos : steps - pos - 9);
    // A bar that cannot scroll is disabled rather than hidden.
    setDisabled(steps <= 10);
}

void CChartScrollBar::SetPosition(int pos)
{
    // Like the platform's bar: the position stays within lo .. hi - page + 1.
    m_pos = std::clamp(pos, 0, std::max(0, m_hi - 9));
    m_updating = true;
    setSliderPosition(m_pos);
    setValue(m_pos);
    m_updating = false;
}

int CChartScrollBar::OnScroll(ScrollCode code, int thumb)
{
    const int p = m_pos;
    const int lo = 0;
    const int hi = m_hi;
    int next = p;
    switch (code) {
    case LineUp:
        if (p > lo)
            next = p - 1;
        break;
    case LineDown:
        if (p < hi - 9)
            next = p + 1;
        break;
    case PageUp:
        if (p > lo)
            next = std::max(lo, p - 10);
        break;
    case PageDown:
        if (p < hi - 9)
            next = std::min(hi, p + 10);
        break;
    case ThumbPosition:
    case ThumbTrack: next = thumb; break;
    case Top: next = 0; break;
    case Bottom: next = hi; break;
    case EndScroll: return p;
    case Other: next = p; break;
    }
    SetPosition(next);
    return m_pos;
}

void CChartScrollBar::OnAction(int action)
{
    if (m_updating)
        return;
    ScrollCode code = Other;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = LineDown; break;
    case QAbstractSlider::SliderSingleStepSub: code = LineUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = PageDown; break;
    case QAbstractSlider::SliderPageStepSub: code = PageUp; break;
    case QAbstractSlider::SliderToMinimum: code = Top; break;
    case QAbstractSlider::SliderToMaximum: code = Bottom; break;
    case QAbstractSlider::SliderMove: code = ThumbTrack; break;
    default: break;
    }
    const int thumb = sliderPosition();
    if (auto* ctrl = qobject_cast<CChartCtrl*>(parentWidget()))
        ctrl->OnScroll(this, code, thumb);
    else
        OnScroll(code, thumb);
    setSliderPosition(m_pos);
}
