#include "chart/chart_title.h"

#include "chart/chart_ctrl.h"
#include "chart/chart_serie.h"

#include <algorithm>
#include <cmath>

// ------------------------------------------------------------------------------------------
// CChartTitle

CChartTitle::CChartTitle(CChartCtrl* ctrl) : m_ctrl(ctrl)
{
    m_font.face = QStringLiteral("Microsoft Sans Serif");
    m_font.size = 100;
}

void CChartTitle::AddString(const QString& line)
{
    m_lines << line;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartTitle::RemoveAll()
{
    m_lines.clear();
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartTitle::SetVisible(bool visible)
{
    m_visible = visible;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartTitle::SetColor(ChartColour colour)
{
    m_colour = colour;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartTitle::SetFont(int tenthsOfPoint, const QString& face)
{
    m_font.size = tenthsOfPoint;
    m_font.face = face;
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

ChartSize CChartTitle::Measure(ChartSurface& surface) const
{
    if (!m_visible || m_lines.isEmpty())
        return {0, 0};
    int w = 0;
    int h = 4;
    for (const QString& line : m_lines) {
        const ChartSize s = surface.MeasureText(line, m_font);
        w = std::max(w, s.cx);
        h += s.cy + 2;
    }
    return {w + 2, h};
}

void CChartTitle::Draw(ChartSurface& surface) const
{
    if (!m_visible)
        return;
    int y = m_rect.top + 4;
    const int centre = static_cast<int>(std::fabs((m_rect.left - m_rect.right) * 0.5)) + m_rect.left;
    for (const QString& line : m_lines) {
        const ChartSize s = surface.MeasureText(line, m_font);
        surface.DrawText(centre - s.cx / 2, y, line, m_font, m_colour);
        y += s.cy + 2;
    }
}

void CChartTitle::AddFrameKey(ChartFrameKey& key) const
{
    key.Add(m_visible);
    key.Add(m_font);
    key.Add(m_colour);
    key.Add(m_lines.size());
    for (const QString& line : m_lines)
        key.Add(line);
}

// ------------------------------------------------------------------------------------------
// CChartLegend

CChartLegend::CChartLegend(CChartCtrl* ctrl) : m_ctrl(ctrl) {}

void CChartLegend::Redraw() const
{
    if (m_ctrl)
        m_ctrl->RedrawChart();
}

void CChartLegend::SetVisible(bool visible)
{
    m_visible = visible;
    Redraw();
}

void CChartLegend::DockLegend(LegendSide side)
{
    m_docked = true;
    m_dockSide = side;
    Redraw();
}

void CChartLegend::UndockLegend(int x, int y)
{
    m_docked = false;
    m_position = {x, y};
    Redraw();
}

void CChartLegend::SetHorizontalMode(bool horizontal)
{
    m_horizontal = horizontal;
    Redraw();
}

void CChartLegend::SetTransparent(bool transparent)
{
    m_transparent = transparent;
    Redraw();
}

void CChartLegend::SetShadow(bool shadow)
{
    m_shadow = shadow;
    Redraw();
}

void CChartLegend::SetShadowDepth(int depth)
{
    m_shadowDepth = depth;
    Redraw();
}

void CChartLegend::SetBackColor(ChartColour colour)
{
    m_backColour = colour;
    Redraw();
}

void CChartLegend::SetShadowColor(ChartColour colour)
{
    m_shadowColour = colour;
    Redraw();
}

void CChartLegend::SetFont(int tenthsOfPoint, const QString& face)
{
    m_fontSize = tenthsOfPoint;
    m_fontFace = face;
    Redraw();
}

ChartFont CChartLegend::Font() const
{
    ChartFont f;
    f.face = m_fontFace;
    f.size = m_fontSize;
    return f;
}

std::vector<CChartSerie*> CChartLegend::Entries() const
{
    std::vector<CChartSerie*> entries;
    if (!m_ctrl)
        return entries;
    for (CChartSerie* s : m_ctrl->Series())
        if (s->IsVisible() && !s->Name().isEmpty())
            entries.push_back(s);
    return entries;
}

void CChartLegend::Layout(ChartSurface& surface, ChartRect& r)
{
    m_rect = {};
    if (!m_visible)
        return;
    const std::vector<CChartSerie*> entries = Entries();
    if (entries.empty())
        return;
    const ChartFont font = Font();
    int w = 0, h = 0, maxW = 0, maxH = 0;
    for (CChartSerie* s : entries) {
        const ChartSize t = surface.MeasureText(s->Name(), font);
        if (m_horizontal) {
            w += m_keyWidth + t.cx + 14;
            maxH = std::max(maxH, t.cy);
        } else {
            h += std::max(t.cy, m_keyHeight) + 2;
            maxW = std::max(maxW, t.cx);
        }
    }
    if (m_horizontal) {
        w -= 6;
        h = std::max(m_keyHeight, maxH) + 8;
    } else {
        h += 6;
        w = m_keyWidth + maxW + 12;
    }
    int left = 0, top = 0;
    if (!m_docked) {
        left = m_position.x;
        top = m_position.y;
    } else {
        switch (m_dockSide) {
        case DockRight:
            left = r.right - w - 6;
            top = (r.bottom - r.top) / 2 - (h + 2) / 2;
            break;
        case DockLeft:
            left = r.left + 3;
            top = (r.bottom - r.top) / 2 - (h + 2) / 2;
            break;
        case DockTop:
            left = (r.right - r.left) / 2 - w / 2;
            top = r.top + 3;
            break;
        case DockBottom:
            left = (r.right - r.left) / 2 - w / 2;
            top = r.bottom - h - 2;
            break;
        }
    }
    m_rect = {left, top, left + w, top + h + (m_docked ? 0 : 2)};
    if (!m_docked)
        return;
    switch (m_dockSide) {
    case DockRight: r.right = m_rect.left + 2; break;
    case DockLeft: r.left = m_rect.right - 2; break;
    case DockTop: r.top = m_rect.bottom + 2; break;
    case DockBottom: r.bottom = m_rect.top - 2; break;
    }
}

void CChartLegend::Draw(ChartSurface& surface)
{
    if (!m_visible || m_rect.IsEmpty())
        return;
    if (m_shadow)
        surface.FillRect(m_rect.Offset(m_shadowDepth, m_shadowDepth), m_shadowColour);
    if (!m_transparent)
        surface.FillRect(m_rect, m_backColour);
    surface.SetPen(ChartPenStyle::Solid, 1, 0x000000);
    surface.MoveTo(m_rect.left, m_rect.top);
    surface.LineTo(m_rect.right, m_rect.top);
    surface.LineTo(m_rect.right, m_rect.bottom);
    surface.LineTo(m_rect.left, m_rect.bottom);
    surface.LineTo(m_rect.left, m_rect.top);

    const ChartFont font = Font();
    ChartRect key{m_rect.left + 2, m_rect.top + 5, m_rect.left + 2 + m_keyWidth, m_rect.top + 6 + m_keyHeight};
    for (CChartSerie* s : Entries()) {
        const ChartSize t = surface.MeasureText(s->Name(), font);
        if (m_keyHeight < t.cy) {
            surface.DrawText(key.right + 4, key.top, s->Name(), font, 0x000000);
            s->DrawLegendKey(surface, key.Offset(0, t.cy / 2 - (key.bottom - key.top) / 2));
        } else {
            surface.DrawText(key.right + 4, (key.top + key.bottom) / 2 - t.cy / 2, s->Name(), font, 0x000000);
            s->DrawLegendKey(surface, key);
        }
        if (m_horizontal)
            key = key.Offset(m_keyWidth + t.cx + 14, 0);
        else
            key = key.Offset(0, std::max(t.cy, m_keyHeight) + 2);
    }
}
