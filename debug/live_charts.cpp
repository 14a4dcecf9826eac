#include "debug/live_charts.h"

#include <QMenu>
#include <algorithm>

#include "app/dialog_page.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_cursor.h"
#include "debug/chart_window.h"
#include "debug/live_data.h"
#include "debug/live_history.h"
#include "debug/spin_arrows.h"

namespace {

enum : int {
    kIdChartSample = 1005,
    kIdSpinSample = 1013,
    kIdSpinTime = 1016,
};

const char* const kTitles[3] = {"采样值", "环境值", "差值"};

} // namespace

double SpinStepMax(double min, double max, int delta, double step)
{
    if (delta == -1)
        return max + step;
    if (delta == 1) {
        max -= step;
        if (max < step)
            max = step;
        if (max <= min)
            max = min + step;
    }
    return max;
}

LiveCharts::LiveCharts(DialogPage& page, const LiveData& data, Readout readout)
    : m_page(page), m_data(data), m_readout(std::move(readout))
{
    InitPageCharts(page);
}

LiveCharts::~LiveCharts()
{
    // The windows read from here; they go first (and remember their places).
    std::vector<ChartWindow*> windows;
    for (auto& views : m_views)
        for (View& v : views)
            if (v.window)
                windows.push_back(v.window);
    for (ChartWindow* window : windows)
        delete window;
}

QRect LiveCharts::ChartPlace(int index) const
{
    const DialogUnits& u = m_page.units();
    auto sx = [&u](int px) { return static_cast<int>((static_cast<long long>(px) * u.bx + 3) / 6); };
    const int height = static_cast<int>((150LL * u.by + 6) / 13);
    return QRect(sx(250), index * height, sx(500), height);
}

void LiveCharts::InitPageCharts(DialogPage& page)
{
    const double yRange[3][2] = {{0, 500}, {0, 500}, {-20, 200}};
    for (int c = 0; c < 3; ++c) {
        View view;
        view.chart = page.controlAs<CChartCtrl>(kIdChartSample + c);
        if (!view.chart)
            continue;
        view.x = view.chart->CreateAxisAt(BottomAxis);
        view.x->SetRange(0, kHistoryLength);
        view.y = view.chart->CreateAxisAt(LeftAxis);
        view.y->SetRange(yRange[c][0], yRange[c][1]);
        m_views[c].push_back(view);
    }
    // The charts take fixed places, stacked beside their lists, instead of the layout's: 500 x 150
    // pixels at x 250 and y 0, 150, 300 with the dialog font's usual metrics (6 x 13 pixel base
    // units). Where the font's metrics differ the places scale with them, so that the charts keep
    // their room between the buttons, the spin buttons and the results table.
    for (int c = 0; c < 3; ++c)
        for (View& v : m_views[c]) {
            v.chart->setGeometry(ChartPlace(c));
            v.chart->update();
        }
    for (int c = 0; c < 3; ++c)
        for (View& v : m_views[c]) {
            v.y->Label()->SetText(QString::fromUtf8(kTitles[c]));
            Bind(v, c);
        }
    for (int s = 0; s < 4; ++s) {
        m_spin[s] = page.controlAs<CSpinArrows>(kIdSpinSample + s);
        if (m_spin[s]) {
            const int id = kIdSpinSample + s;
            connect(m_spin[s], &CSpinArrows::DeltaPos, this, [this, id](int delta) { OnSpinDelta(id, delta); });
        }
    }
}

void LiveCharts::Bind(View& view, int index)
{
    // Read-out cursor: one step is one point of the histories.
    view.cursor = new CChartCursor(view.chart, [this, index](double x) { return m_readout(index, x); });
    view.cursor->SetStep(1);
    const bool enlarged = view.window != nullptr;
    connect(view.chart, &CChartCtrl::UserRangeChanged, this, &LiveCharts::DropAutoRange);
    connect(view.chart, &CChartCtrl::ContextMenuRequested, this,
            [this, index, enlarged](const QPoint& at) { ShowMenu(index, enlarged, at); });
    if (!enlarged)
        connect(view.chart, &CChartCtrl::DoubleClicked, this, [this, index] { OpenWindow(index); });
}

// ---- a refresh ---------------------------------------------------------------------------------

void LiveCharts::Begin(const Picture& picture, bool full)
{
    m_picture = picture;
    for (int c = 0; c < 3; ++c)
        for (View& v : m_views[c])
            Fill(v, c, full);
}

void LiveCharts::Fill(View& view, int index, bool full)
{
    std::vector<int> series(m_picture.shown, m_picture.shown + m_picture.count);
    if (index == 2)
        for (int i = 0; i < m_picture.count; ++i)
            if (m_picture.threshold[m_picture.shown[i]])
                series.push_back(kThresholdLine + m_picture.shown[i]);
    CChartCtrl* chart = view.chart;
    // The control makes line series only.
    const bool keep = !full && !series.empty() && series == view.series && chart->SeriesCount() == series.size();
    chart->EnableRedraw(false);
    if (!keep)
        chart->DeleteAllSeries();
    const HistoryTables& shown = m_data.ShownHistory();
    const HistoryTable* histories[] = {&shown.sample, &shown.baseline, &shown.diff};
    for (size_t i = 0; i < series.size(); ++i) {
        CChartLineSerie* serie = keep ? dynamic_cast<CChartLineSerie*>(chart->Series()[i]) : chart->AddLineSerie();
        if (!serie)
            continue;
        const bool line = series[i] >= kThresholdLine;
        const int slot = line ? series[i] - kThresholdLine : series[i];
        // A kept series has its order, pen and colour from the pass that made it: each setter asks
        // the chart for a redraw, so only what differs is set.
        if (serie->GetPointOrder() != NoOrder)
            serie->SetPointOrder(NoOrder);
        if (line) {
            const double level = *m_picture.threshold[slot];
            const double xs[] = {0, kHistoryLength - 1}, ys[] = {level, level};
            serie->SetXYData(xs, ys, 2);
        } else {
            serie->SetXYData(g_historyX.data(), (*histories[index])[slot], kHistoryLength);
        }
        const int width = line ? 1 : 2;
        if (serie->LineWidth() != width)
            serie->SetLineWidth(width);
        const ChartPenStyle pen = line ? ChartPenStyle::Dash : ChartPenStyle::Solid;
        if (serie->PenStyle() != pen)
            serie->SetPenStyle(pen);
        if (serie->SerieColor() != g_channelColours[slot])
            serie->SetSerieColor(g_channelColours[slot]);
    }
    view.series = std::move(series);
}

void LiveCharts::End()
{
    if (m_autoRange)
        for (int c = 0; c < 3; ++c)
            for (View& v : m_views[c])
                Follow(v, c, false);
    for (auto& views : m_views)
        for (View& v : views)
            v.chart->EnableRedraw(true);
    // The values under a cursor may have changed with the curves.
    for (auto& views : m_views)
        for (View& v : views)
            v.cursor->Refresh();
}

// ---- ranges --------------------------------------------------------------------------------------

bool LiveCharts::DataExtent(int index, double& lo, double& hi) const
{
    const HistoryTables& shown = m_data.ShownHistory();
    const HistoryTable& history = index == 0 ? shown.sample : index == 1 ? shown.baseline : shown.diff;
    // Only the points frames have filled: until 200 have come, the oldest are the start's zeros.
    const int filled = static_cast<int>(std::min<std::uint64_t>(m_data.ShownRevision(), kHistoryLength));
    bool any = false;
    for (int i = 0; i < m_picture.count && filled > 0; ++i) {
        const int slot = m_picture.shown[i];
        const auto [least, most] = std::minmax_element(history[slot] + (kHistoryLength - filled), history[slot] + kHistoryLength);
        lo = any ? std::min(lo, *least) : *least;
        hi = any ? std::max(hi, *most) : *most;
        any = true;
        if (index == 2 && m_picture.threshold[slot]) {
            lo = std::min<double>(lo, *m_picture.threshold[slot]);
            hi = std::max<double>(hi, *m_picture.threshold[slot]);
        }
    }
    return any;
}

void LiveCharts::Follow(View& view, int index, bool fit)
{
    double lo = 0, hi = 0;
    if (!DataExtent(index, lo, hi))
        return;
    const AxisRange now{view.y->RangeMin(), view.y->RangeMax()};
    const AxisRange next = fit ? FitData(lo, hi) : FollowData(lo, hi, now);
    // An unchanged range leaves the chart's frame as it is.
    if (next != now)
        view.y->SetRange(next.min, next.max);
}

void LiveCharts::SetAutoRange(bool on)
{
    m_autoRange = on;
    if (on)
        for (int c = 0; c < 3; ++c)
            for (View& v : m_views[c])
                Follow(v, c, false);
}

void LiveCharts::FitToData(int index)
{
    for (View& v : m_views[index])
        Follow(v, index, true);
}

void LiveCharts::DropAutoRange()
{
    if (!m_autoRange)
        return;
    m_autoRange = false;
    emit AutoRangeDropped();
}

void LiveCharts::OnSpinDelta(int spinId, int delta)
{
    if (spinId < kIdSpinSample || spinId > kIdSpinTime || m_views[0].empty())
        return;
    const bool time = spinId == kIdSpinTime;
    const int index = spinId - kIdSpinSample;
    if (!time && m_views[index].empty())
        return;
    if (!time)
        DropAutoRange(); // the user's own range from here on
    CChartAxis* axis = time ? m_views[0][0].x : m_views[index][0].y;
    const double min = axis->RangeMin();
    const double max = SpinStepMax(min, axis->RangeMax(), delta, time ? kTimeStep : kVerticalStep);
    axis->SetRange(min, max);
    if (time) {
        // The time axis is shared: all three charts show the same span.
        for (int c = 1; c < 3; ++c)
            if (!m_views[c].empty())
                m_views[c][0].x->SetRange(min, max);
    }
}

// ---- windows and menus -------------------------------------------------------------------------

ChartWindow* LiveCharts::Window(int index) const
{
    if (index < 0 || index > 2)
        return nullptr;
    for (const View& v : m_views[index])
        if (v.window)
            return v.window;
    return nullptr;
}

void LiveCharts::OpenWindow(int index)
{
    if (index < 0 || index > 2 || m_views[index].empty())
        return;
    if (ChartWindow* open = Window(index)) {
        open->raise();
        open->activateWindow();
        return;
    }
    const View& page = m_views[index][0];
    auto* window = new ChartWindow(index, page.chart->accessibleName(), &m_page);
    View view;
    view.window = window;
    view.chart = window->Chart();
    view.chart->SetFrameCache(page.chart->FrameCache());
    view.x = view.chart->CreateAxisAt(BottomAxis);
    view.x->SetRange(page.x->RangeMin(), page.x->RangeMax());
    view.y = view.chart->CreateAxisAt(LeftAxis);
    view.y->SetRange(page.y->RangeMin(), page.y->RangeMax());
    view.y->Label()->SetText(QString::fromUtf8(kTitles[index]));
    Bind(view, index);
    connect(window, &QObject::destroyed, this, [this, index, window] {
        auto& views = m_views[index];
        views.erase(std::remove_if(views.begin() + 1, views.end(), [window](const View& v) { return v.window == window || !v.window; }),
                    views.end());
    });
    m_views[index].push_back(view);
    Fill(m_views[index].back(), index, true);
    if (m_autoRange)
        Follow(m_views[index].back(), index, false);
    view.chart->EnableRedraw(true);
    window->show();
    window->raise();
    window->activateWindow();
}

void LiveCharts::ShowMenu(int index, bool enlarged, const QPoint& at)
{
    QMenu menu(&m_page);
    menu.addAction(QStringLiteral("适应数据"), this, [this, index] { FitToData(index); });
    if (!enlarged)
        menu.addAction(QStringLiteral("放大显示"), this, [this, index] { OpenWindow(index); });
    menu.exec(at);
}

void LiveCharts::SetFrameCache(bool on)
{
    for (auto& views : m_views)
        for (View& v : views)
            v.chart->SetFrameCache(on);
}

CChartCtrl* LiveCharts::Chart(int index) const
{
    return index >= 0 && index < 3 && !m_views[index].empty() ? m_views[index][0].chart : nullptr;
}

CChartCursor* LiveCharts::Cursor(int index) const
{
    return index >= 0 && index < 3 && !m_views[index].empty() ? m_views[index][0].cursor : nullptr;
}
