#pragma once
// Everything the frame of a chart is drawn from: the frame being the part that does not depend on
// the series (background, raised edge, title, axes with their tick labels, titles and grids, the
// outline of the plotting rectangle). Two equal keys draw equal frames, so the control keeps the
// frame as an image and re-makes it only when the key changes.
//
// Numbers are compared bit for bit (a NaN range equals itself), texts exactly.

#include "chart/chart_surface.h"

#include <QString>
#include <cstdint>
#include <cstring>
#include <vector>

class ChartFrameKey {
public:
    void Clear()
    {
        m_numbers.clear();
        m_texts.clear();
    }
    void Add(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        m_numbers.push_back(bits);
    }
    void Add(const QString& text) { m_texts.push_back(text); }
    void Add(const ChartFont& font)
    {
        Add(font.face);
        Add(font.size);
        Add(font.bold);
        Add(font.italic);
        Add(font.underline);
        Add(font.vertical);
    }
    void Add(const ChartRect& r)
    {
        Add(r.left);
        Add(r.top);
        Add(r.right);
        Add(r.bottom);
    }

    friend bool operator==(const ChartFrameKey& a, const ChartFrameKey& b)
    {
        return a.m_numbers == b.m_numbers && a.m_texts == b.m_texts;
    }
    friend bool operator!=(const ChartFrameKey& a, const ChartFrameKey& b) { return !(a == b); }

private:
    std::vector<std::uint64_t> m_numbers;
    std::vector<QString> m_texts;
};
