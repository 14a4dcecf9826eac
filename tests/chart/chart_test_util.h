#pragma once
// Test helpers: a chart that lays itself out on a recording surface (fixed text metrics:
// 6 pixels per character, 13 pixels high for the 8-point tick font, 15 for 10 points), so
// positions are exact, while the widget still renders its image as usual.

#include "chart/chart_ctrl.h"

#include <gtest/gtest.h>
#include <memory>

#include <vector>

class RecordedChart : public CChartCtrl {
public:
    explicit RecordedChart(int width = 500, int height = 300)
    {
        // Every redraw goes through DrawChart, so each records the whole chart.
        SetFrameCache(false);
        resize(width, height);
    }
    void DrawChart(ChartSurface&, ChartRect r) override
    {
        rec.Clear();
        CChartCtrl::DrawChart(rec, r);
    }
    RecordingChartSurface rec;
};

inline std::vector<double> Ramp(int n, double start = 0, double step = 1)
{
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = start + i * step;
    return v;
}

// Tick values of an axis laid out on the given plotting rectangle.
inline std::vector<double> TicksOf(CChartStandardAxis& axis, const ChartRect& plot)
{
    axis.Place(plot, plot);
    axis.ComputeTickIncrement();
    axis.ComputeFirstTick();
    std::vector<double> ticks;
    double v = axis.FirstTickValue();
    for (int i = 0; i < CChartAxis::kMaxTicks; ++i) {
        ticks.push_back(v);
        if (!axis.NextTickValue(v, v))
            break;
    }
    return ticks;
}

inline QStringList LabelsOf(CChartStandardAxis& axis, const ChartRect& plot)
{
    QStringList labels;
    for (double v : TicksOf(axis, plot))
        labels << axis.TickLabelText(v);
    return labels;
}

// A 500 x 300 recorded chart with a bottom axis 0..200 and a left axis 0..500.
struct ChartWithAxesFixture : ::testing::Test {
    std::unique_ptr<RecordedChart> chart = std::make_unique<RecordedChart>(500, 300);
    CChartStandardAxis* bottom = nullptr;
    CChartStandardAxis* left = nullptr;
    void SetUp() override
    {
        bottom = chart->CreateAxisAt(BottomAxis);
        bottom->SetRange(0, 200);
        left = chart->CreateAxisAt(LeftAxis);
        left->SetRange(0, 500);
    }
};
