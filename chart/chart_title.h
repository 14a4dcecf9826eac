#pragma once
// The chart's title (a stack of centred lines) and its legend (a framed list of the named,
// visible series with a line sample each).

#include "chart/chart_frame_key.h"
#include "chart/chart_surface.h"

#include <QString>
#include <QStringList>
#include <vector>

class CChartCtrl;
class CChartSerie;

class CChartTitle {
public:
    explicit CChartTitle(CChartCtrl* ctrl);

    // Appends a line / removes all lines; both redraw.
    void AddString(const QString& line);
    void RemoveAll();
    const QStringList& Lines() const { return m_lines; }
    void SetVisible(bool visible);
    bool IsVisible() const { return m_visible; }
    void SetColor(ChartColour colour);
    ChartColour Color() const { return m_colour; }
    void SetFont(int tenthsOfPoint, const QString& face);
    const ChartFont& Font() const { return m_font; }

    // (0, 0) when hidden or without lines; else the widest line + 2 by 4 + sum(line height + 2).
    ChartSize Measure(ChartSurface& surface) const;
    void SetRect(const ChartRect& rect) { m_rect = rect; }
    const ChartRect& Rect() const { return m_rect; }
    void Draw(ChartSurface& surface) const;
    // What the title's size and drawing depend on.
    void AddFrameKey(ChartFrameKey& key) const;

private:
    CChartCtrl* m_ctrl;
    QStringList m_lines;
    bool m_visible = true;
    ChartFont m_font;
    ChartColour m_colour = 0x000000;
    ChartRect m_rect;
};

enum LegendSide { DockRight = 0, DockLeft = 1, DockTop = 2, DockBottom = 3 };

class CChartLegend {
public:
    explicit CChartLegend(CChartCtrl* ctrl);

    // Every setter redraws the chart.
    void SetVisible(bool visible);
    bool IsVisible() const { return m_visible; }
    void DockLegend(LegendSide side);
    // Places the legend's top-left corner at (x, y) instead of docking it.
    void UndockLegend(int x, int y);
    bool IsDocked() const { return m_docked; }
    LegendSide DockSide() const { return m_dockSide; }
    void SetHorizontalMode(bool horizontal);
    bool IsHorizontalMode() const { return m_horizontal; }
    void SetTransparent(bool transparent);
    void SetShadow(bool shadow);
    void SetShadowDepth(int depth);
    void SetBackColor(ChartColour colour);
    void SetShadowColor(ChartColour colour);
    void SetFont(int tenthsOfPoint, const QString& face);
    ChartFont Font() const;

    // Computes the legend box inside r and, when the legend is visible, docked and has entries,
    // takes that side of r.
    void Layout(ChartSurface& surface, ChartRect& r);
    void Draw(ChartSurface& surface);
    const ChartRect& Rect() const { return m_rect; }

private:
    std::vector<CChartSerie*> Entries() const;
    void Redraw() const;

    CChartCtrl* m_ctrl;
    ChartRect m_rect;
    QString m_fontFace = QStringLiteral("Times New Roman");
    int m_fontSize = 100;
    bool m_docked = true;
    LegendSide m_dockSide = DockRight;
    ChartPoint m_position;
    bool m_visible = false;
    bool m_transparent = false;
    bool m_horizontal = false;
    bool m_shadow = true;
    int m_shadowDepth = 3;
    ChartColour m_backColour = 0xFFFFFF;
    ChartColour m_shadowColour = 0x808080;  // grey
    int m_keyWidth = 16;
    int m_keyHeight = 16;
};
