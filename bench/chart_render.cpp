// Rendering cost of the debug page's live charts: 500 x 150 pixels, a bottom axis 0..200 and a
// left axis with a title, eight line series of 200 noisy points, 2 pixels wide. The page
// rebuilds and renders three such charts every 25 ms.

#include "chart/chart_ctrl.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

struct LiveChart {
    std::unique_ptr<CChartCtrl> ctrl;
    double xs[200];
    double ys[8][200];
};

std::unique_ptr<LiveChart> MakeChart(double lo, double hi, const QString& title, unsigned seed)
{
    auto chart = std::make_unique<LiveChart>();
    chart->ctrl = std::make_unique<CChartCtrl>();
    chart->ctrl->resize(500, 150);
    chart->ctrl->CreateAxisAt(BottomAxis)->SetRange(0, 200);
    CChartStandardAxis* left = chart->ctrl->CreateAxisAt(LeftAxis);
    left->SetRange(lo, hi);
    left->Label()->SetText(title);
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 4);
    for (int i = 0; i < 200; ++i)
        chart->xs[i] = i;
    for (int c = 0; c < 8; ++c) {
        double level = lo + (hi - lo) * (0.15 + 0.09 * c);
        for (int i = 0; i < 200; ++i) {
            // Noise around a level that jumps while a key is touched.
            const double touch = (i / 37 + c) % 3 == 0 ? (hi - lo) * 0.12 : 0;
            chart->ys[c][i] = level + touch + noise(rng);
        }
    }
    return chart;
}

// One refresh as the debug page does it: rebuild all curves inside a redraw bracket.
void Refresh(LiveChart& chart)
{
    static const ChartColour colours[8] = {0x0000FF, 0xFF0000, 0x009600, 0x00A5FF, 0x800080, 0x808000, 0x000080, 0x404040};
    CChartCtrl& c = *chart.ctrl;
    c.EnableRedraw(false);
    c.DeleteAllSeries();
    for (int s = 0; s < 8; ++s) {
        CChartLineSerie* serie = c.AddLineSerie();
        serie->SetPointOrder(NoOrder);
        serie->SetXYData(chart.xs, chart.ys[s], 200);
        serie->SetLineWidth(2);
        serie->SetSerieColor(colours[s]);
    }
    c.EnableRedraw(true);
}

QApplication* App()
{
    static int argc = 1;
    static char name[] = "bench_chart_render";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication app(argc, argv);
    }
    return qobject_cast<QApplication*>(QApplication::instance());
}

void BM_RenderOneChart(benchmark::State& state)
{
    App();
    auto chart = MakeChart(0, 500, QStringLiteral("采样值"), 1);
    Refresh(*chart);
    for (auto _ : state) {
        chart->ctrl->RedrawChart();
        benchmark::DoNotOptimize(chart->ctrl->OffscreenImage().constBits());
    }
}
BENCHMARK(BM_RenderOneChart)->Unit(benchmark::kMicrosecond);

void BM_RefreshOneChart(benchmark::State& state)
{
    App();
    auto chart = MakeChart(0, 500, QStringLiteral("采样值"), 1);
    for (auto _ : state)
        Refresh(*chart);
}
BENCHMARK(BM_RefreshOneChart)->Unit(benchmark::kMicrosecond);

// The whole chart part of one tick: three charts rebuilt and rendered.
void BM_RefreshThreeCharts(benchmark::State& state)
{
    App();
    auto sample = MakeChart(0, 500, QStringLiteral("采样值"), 1);
    auto baseline = MakeChart(0, 500, QStringLiteral("环境值"), 2);
    auto diff = MakeChart(-20, 200, QStringLiteral("差值"), 3);
    for (auto _ : state) {
        Refresh(*sample);
        Refresh(*baseline);
        Refresh(*diff);
    }
}
BENCHMARK(BM_RefreshThreeCharts)->Unit(benchmark::kMicrosecond);

// The three charts of one tick with new curves on unchanged axes: the frame (background, axes,
// tick labels, grid, titles) is kept and only the curves are drawn over it. Argument 1: the
// frame cache off, everything drawn each time.
void BM_ThreeChartsCachedAxes(benchmark::State& state)
{
    App();
    auto sample = MakeChart(0, 500, QStringLiteral("采样值"), 1);
    auto baseline = MakeChart(0, 500, QStringLiteral("环境值"), 2);
    auto diff = MakeChart(-20, 200, QStringLiteral("差值"), 3);
    for (auto* c : {sample.get(), baseline.get(), diff.get()})
        c->ctrl->SetFrameCache(state.range(0) == 0);
    for (auto _ : state) {
        Refresh(*sample);
        Refresh(*baseline);
        Refresh(*diff);
    }
}
BENCHMARK(BM_ThreeChartsCachedAxes)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Series drawing alone (no axes, no text), to see the cost of the wide curves.
void BM_CurvesOnly(benchmark::State& state)
{
    App();
    auto chart = MakeChart(0, 500, QString(), 1);
    Refresh(*chart);
    QImage image(500, 150, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainterChartSurface surface(&image);
        for (CChartSerie* s : chart->ctrl->Series()) {
            s->SetDrawRect(chart->ctrl->PlotRect());
            s->DrawAll(surface);
        }
    }
}
BENCHMARK(BM_CurvesOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
