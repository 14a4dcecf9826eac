// Renders sample charts to a PNG: a chart with both axes, a two-line title, a docked legend and
// several series, and below it one live chart as the debug page sets it up (500 x 150 pixels).
// Usage: morvek-chart-demo [output.png]

#include "chart/chart_ctrl.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("chart-demo.png");
    if (argc > 2 || out.startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: morvek-chart-demo [output.png]\n");
        return 2;
    }

    CChartCtrl full;
    full.resize(500, 300);
    full.EnableRedraw(false);
    CChartStandardAxis* bottom = full.CreateAxisAt(BottomAxis);
    bottom->SetRange(0, 10);
    bottom->Label()->SetText(QStringLiteral("时间 (s)"));
    CChartStandardAxis* left = full.CreateAxisAt(LeftAxis);
    left->SetRange(-1.5, 1.5);
    left->Label()->SetText(QStringLiteral("幅度"));
    full.GetTitle()->AddString(QStringLiteral("Chart component demo"));
    full.GetTitle()->AddString(QStringLiteral("图表组件示例"));
    full.GetLegend()->SetVisible(true);
    full.GetLegend()->DockLegend(DockRight);
    const char* names[] = {"sin", "cos", "damped", "square"};
    for (int s = 0; s < 4; ++s) {
        double xs[200], ys[200];
        for (int i = 0; i < 200; ++i) {
            const double x = i * 0.05;
            xs[i] = x;
            switch (s) {
            case 0: ys[i] = std::sin(x); break;
            case 1: ys[i] = std::cos(x); break;
            case 2: ys[i] = 1.4 * std::exp(-x / 3) * std::sin(3 * x); break;
            default: ys[i] = (int(x) % 2 ? -0.5 : 0.5); break;
            }
        }
        CChartLineSerie* serie = full.AddLineSerie();
        serie->SetXYData(xs, ys, 200);
        serie->SetLineWidth(s == 3 ? 1 : 2);
        serie->SetName(QString::fromLatin1(names[s]));
    }
    full.EnableRedraw(true);

    // The debug page's difference chart: -20..200 over 0..200, eight noisy channels.
    CChartCtrl live;
    live.resize(500, 150);
    live.CreateAxisAt(BottomAxis)->SetRange(0, 200);
    CChartStandardAxis* liveLeft = live.CreateAxisAt(LeftAxis);
    liveLeft->SetRange(-20, 200);
    liveLeft->Label()->SetText(QStringLiteral("差值"));
    live.EnableRedraw(false);
    live.DeleteAllSeries();
    const ChartColour colours[8] = {0x0000FF, 0xFF0000, 0x009600, 0x00A5FF, 0x800080, 0x808000, 0x000080, 0x404040};
    unsigned seed = 12345;
    for (int c = 0; c < 8; ++c) {
        double xs[200], ys[200];
        for (int i = 0; i < 200; ++i) {
            seed = seed * 1103515245u + 12345u;
            xs[i] = i;
            ys[i] = 10 + c * 20 + ((seed >> 16) % 9) + ((i / 40) % 2 ? 25 : 0);
        }
        CChartLineSerie* serie = live.AddLineSerie();
        serie->SetPointOrder(NoOrder);
        serie->SetXYData(xs, ys, 200);
        serie->SetLineWidth(2);
        serie->SetSerieColor(colours[c]);
    }
    live.EnableRedraw(true);

    QImage sheet(500, 460, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        p.drawImage(0, 0, full.OffscreenImage());
        p.drawImage(0, 310, live.OffscreenImage());
    }
    if (!sheet.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}
