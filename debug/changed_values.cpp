#include "debug/changed_values.h"

#include <QFontMetrics>
#include <QSignalBlocker>
#include <QTableWidget>
#include <algorithm>

#include "debug/cached_cell_delegate.h"
#include "debug/live_value_item.h"

namespace {

// Characters of a number as QString::number writes it.
int DigitsOf(std::int32_t value)
{
    int n = value < 0 ? 2 : 1;
    for (std::int64_t v = value < 0 ? -std::int64_t(value) : value; v >= 10; v /= 10)
        ++n;
    return n;
}

bool IsNumber(const QString& text)
{
    for (const QChar c : text)
        if ((c < QLatin1Char('0') || c > QLatin1Char('9')) && c != QLatin1Char('-'))
            return false;
    return true;
}

// The widest of the characters numbers are written with, and the line height, in the list's
// font (measured once per font: text measuring is not cheap).
struct FontMeasures {
    QFont font;
    int advance = -1;
    int height = 0;
};

const FontMeasures& MeasuresOf(const QTableWidget* list)
{
    static FontMeasures measures;
    if (measures.advance < 0 || measures.font != list->font()) {
        measures.font = list->font();
        const QFontMetrics metrics(measures.font);
        measures.advance = 0;
        for (const QChar c : QStringLiteral("0123456789-"))
            measures.advance = std::max(measures.advance, metrics.horizontalAdvance(c));
        measures.height = metrics.height();
    }
    return measures;
}

} // namespace

ChangedValues::ChangedValues(QTableWidget* list, int col, bool quiet)
    : m_list(list), m_col(col), m_quiet(quiet && list && list->editTriggers() == QAbstractItemView::NoEditTriggers)
{
}

void ChangedValues::Set(int row, const QString& text, const std::int32_t* shownNumber)
{
    QTableWidgetItem* item = m_list ? m_list->item(row, m_col) : nullptr;
    if (!item)
        return;
    const QString old = shownNumber ? QString() : item->text();
    if (!shownNumber && old == text) // unchanged texts cost nothing
        return;
    auto* live = item->type() == LiveValueItem::kType ? static_cast<LiveValueItem*>(item) : nullptr;
    if (m_quiet && live) {
        live->SetTextQuietly(text);
    } else if (m_quiet) {
        const QSignalBlocker hold(m_list->model());
        item->setText(text);
    } else {
        item->setText(text);
    }
    if (m_first < 0)
        m_first = row;
    m_last = row;
    if (m_quiet && m_advance >= 0) {
        // Texts with their own font or alignment, or other than numbers, are repainted whole.
        const int oldSize = shownNumber ? DigitsOf(*shownNumber) : int(old.size());
        const bool ownFont = live ? live->HasOwnFont() : item->data(Qt::FontRole).isValid();
        const int alignment = live ? live->Alignment() : item->textAlignment();
        if (ownFont || alignment != Qt::AlignCenter || (!shownNumber && !IsNumber(old)) || !IsNumber(text))
            m_advance = -1;
        else
            m_advance = std::max<int>(m_advance, std::max<int>(oldSize, int(text.size())) * MeasuresOf(m_list).advance);
    }
}

void ChangedValues::Repaint() const
{
    if (m_first < 0 || (!m_quiet && m_first == m_last))
        return; // a single cell set through the model has asked for its repaint itself
    QRect area = m_list->visualRect(m_list->model()->index(m_first, m_col)) |
                 m_list->visualRect(m_list->model()->index(m_last, m_col));
    if (m_quiet && m_advance >= 0) {
        const int spare = MeasuresOf(m_list).height;
        const int band = m_advance + 2 * spare;
        if (band < area.width())
            area = QRect(area.left() + (area.width() - band) / 2, area.top(), band, area.height());
    }
    if (m_quiet)
        if (auto* cells = qobject_cast<CachedCellDelegate*>(m_list->itemDelegate())) {
            cells->RepaintBand(m_list, m_col, m_first, m_last, area);
            return;
        }
    m_list->viewport()->update(area);
}
