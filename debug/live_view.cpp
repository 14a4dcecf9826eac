#include "debug/live_view.h"

#include <QAccessible>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>

#include "app/dialog_page.h"
#include "app/zcstatic.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_cursor.h"
#include "debug/changed_values.h"
#include "debug/live_data.h"
#include "debug/live_history.h"
#include "debug/live_value_item.h"
#include "debug/spin_arrows.h"

namespace {

enum : int {
    kIdChartSample = 1005,
    kIdSpinSample = 1013,
    kIdSpinBaseline = 1014,
    kIdSpinDiff = 1015,
    kIdSpinTime = 1016,
    kIdListSample = 1032,
    kIdChannelCheck0 = 1035,
    kIdMarker0 = 1043,
};

void SetCellText(QTableWidget* list, int row, int col, const QString& text)
{
    QTableWidgetItem* item = list->item(row, col);
    if (item && item->text() != text) // unchanged texts cost nothing
        item->setText(text);
}

QString CellText(const QTableWidget* list, int row, int col)
{
    const QTableWidgetItem* item = list->item(row, col);
    return item ? item->text() : QString();
}

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

LiveView::LiveView(DialogPage& page, const LiveData& data) : m_page(page), m_data(data)
{
    InitCharts();
    InitLists();
}

LiveView::~LiveView() = default;

// ---- start-up ----------------------------------------------------------------------------------

QRect LiveView::ChartPlace(int index) const
{
    const DialogUnits& u = m_page.units();
    auto sx = [&u](int px) { return static_cast<int>((static_cast<long long>(px) * u.bx + 3) / 6); };
    const int height = static_cast<int>((150LL * u.by + 6) / 13);
    return QRect(sx(250), index * height, sx(500), height);
}

void LiveView::InitCharts()
{
    const struct {
        double yMin, yMax;
        const char* title;
    } charts[] = {{0, 500, "采样值"}, {0, 500, "环境值"}, {-20, 200, "差值"}};
    for (int c = 0; c < 3; ++c) {
        m_chart[c] = m_page.controlAs<CChartCtrl>(kIdChartSample + c);
        if (!m_chart[c])
            continue;
        CChartStandardAxis* bottom = m_chart[c]->CreateAxisAt(BottomAxis);
        bottom->SetRange(0, kHistoryLength);
        CChartStandardAxis* left = m_chart[c]->CreateAxisAt(LeftAxis);
        left->SetRange(charts[c].yMin, charts[c].yMax);
        m_axisX[c] = bottom;
        m_axisY[c] = left;
    }
    // The charts take fixed places, stacked beside their lists, instead of the layout's: 500 x 150
    // pixels at x 250 and y 0, 150, 300 with the dialog font's usual metrics (6 x 13 pixel base
    // units). Where the font's metrics differ the places scale with them, so that the charts keep
    // their room between the buttons, the spin buttons and the results table.
    for (int c = 0; c < 3; ++c)
        if (m_chart[c]) {
            m_chart[c]->setGeometry(ChartPlace(c));
            m_chart[c]->update();
        }
    for (int c = 0; c < 3; ++c)
        if (m_axisY[c])
            m_axisY[c]->Label()->SetText(QString::fromUtf8(charts[c].title));
    // Read-out cursors: one step is one point of the histories.
    for (int c = 0; c < 3; ++c)
        if (m_chart[c]) {
            m_cursor[c] = new CChartCursor(m_chart[c], [this, c](double x) { return ReadoutAt(c, x); });
            m_cursor[c]->SetStep(1);
        }

    for (int s = 0; s < 4; ++s) {
        m_spin[s] = m_page.controlAs<CSpinArrows>(kIdSpinSample + s);
        if (m_spin[s]) {
            const int id = kIdSpinSample + s;
            connect(m_spin[s], &CSpinArrows::DeltaPos, this, [this, id](int delta) { OnSpinDelta(id, delta); });
        }
    }
}

void LiveView::InitLists()
{
    // The three lists show numbers of the same range in cells of the same look: a text one of
    // them has shown is copied by the others too. A drifting board keeps showing numbers it has
    // not shown before for minutes (the simulated one about a thousand in its first four) and
    // comes back to them: room for four thousand pictures (of a number's digits only, a kilobyte
    // or two each), within 8 MiB, keeps nearly all it returns to.
    m_cellPictures = CachedCellDelegate::MakeStore(4096, 8 << 20);
    for (int c = 0; c < 3; ++c) {
        QTableWidget* list = m_list[c] = m_page.controlAs<QTableWidget>(kIdListSample + c);
        if (!list)
            continue;
        list->setShowGrid(true);
        list->setColumnCount(2);
        list->setRowCount(kSlotCount);
        const char* headers[] = {"键位", "数据"};
        const int widths[] = {60, 150};
        for (int col = 0; col < 2; ++col) {
            auto* header = new QTableWidgetItem(QString::fromUtf8(headers[col]));
            header->setTextAlignment(Qt::AlignCenter);
            list->setHorizontalHeaderItem(col, header);
            list->setColumnWidth(col, widths[col]);
            for (int row = 0; row < kSlotCount; ++row) {
                auto* item = col == 1 ? new LiveValueItem : new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                list->setItem(row, col, item);
            }
        }
        list->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        // The values come back to the same few texts tick after tick: their cells are copied,
        // not drawn anew.
        list->setItemDelegate(new CachedCellDelegate(list, m_cellPictures));
    }

    for (int j = 0; j < kSlotCount; ++j) {
        m_checkChannel[j] = m_page.controlAs<QCheckBox>(kIdChannelCheck0 + j);
        if (m_checkChannel[j]) {
            m_checkChannel[j]->setChecked(true);
            // Follows the box however it changes: mouse, Space, accessibility action, setChecked.
            m_page.ConnectCheck(m_checkChannel[j], [this, j](bool) { OnChannelCheck(j); });
        }
        m_marker[j] = m_page.controlAs<QLabel>(kIdMarker0 + j);
        if (m_marker[j]) {
            QPalette pal = m_marker[j]->palette();
            pal.setColor(QPalette::Window, ColorFromRef(g_channelColours[j]));
            m_marker[j]->setPalette(pal);
        }
    }
}

// ---- the user's changes ------------------------------------------------------------------------

void LiveView::OnChannelCheck(int slot)
{
    if (slot < 0 || slot >= kSlotCount || !m_checkChannel[slot])
        return;
    m_shown[slot] = m_checkChannel[slot]->isChecked() ? 1 : 0;
    emit ShownSlotsChanged();
}

void LiveView::OnSpinDelta(int spinId, int delta)
{
    CChartAxis* axis = nullptr;
    double step = kVerticalStep;
    switch (spinId) {
    case kIdSpinSample: axis = m_axisY[0]; break;
    case kIdSpinBaseline: axis = m_axisY[1]; break;
    case kIdSpinDiff: axis = m_axisY[2]; break;
    case kIdSpinTime:
        axis = m_axisX[0];
        step = kTimeStep;
        break;
    default: return;
    }
    if (!axis)
        return;
    const double min = axis->RangeMin();
    const double max = SpinStepMax(min, axis->RangeMax(), delta, step);
    axis->SetRange(min, max);
    if (spinId == kIdSpinTime) {
        // The time axis is shared: all three charts show the same span.
        for (CChartAxis* other : {m_axisX[1], m_axisX[2]})
            if (other)
                other->SetRange(min, max);
    }
}

std::vector<ChartReadoutLine> LiveView::ReadoutAt(int chart, double x) const
{
    std::vector<ChartReadoutLine> lines;
    for (const LiveData::ReadoutValue& v : m_data.ReadoutAt(chart, x))
        if (m_shown[v.slot])
            lines.push_back({QStringLiteral("TK%1 %2").arg(v.channel).arg(qRound64(v.value)), g_channelColours[v.slot]});
    return lines;
}

// ---- the refresh -------------------------------------------------------------------------------

void LiveView::SuspendCharts(bool keepCurves)
{
    for (CChartCtrl* chart : m_chart)
        if (chart) {
            chart->EnableRedraw(false);
            if (!keepCurves)
                chart->DeleteAllSeries();
        }
}

void LiveView::AddSlotCurves(int slot, int index, const std::vector<CChartSerie*>* const (&kept)[3])
{
    const HistoryTables& shown = m_data.ShownHistory();
    const HistoryTable* histories[] = {&shown.sample, &shown.baseline, &shown.diff};
    for (int c = 0; c < 3; ++c) {
        CChartCtrl* chart = m_chart[c];
        if (!chart)
            continue;
        CChartLineSerie* serie = !kept[c] ? chart->AddLineSerie() : dynamic_cast<CChartLineSerie*>((*kept[c])[size_t(index)]);
        if (!serie)
            continue;
        // A kept curve has its order, pen and colour from the pass that made it: each setter asks
        // the chart for a redraw, so only what differs is set.
        if (serie->GetPointOrder() != NoOrder)
            serie->SetPointOrder(NoOrder);
        serie->SetXYData(g_historyX.data(), (*histories[c])[slot], kHistoryLength);
        if (serie->LineWidth() != 2)
            serie->SetLineWidth(2);
        if (serie->SerieColor() != g_channelColours[slot])
            serie->SetSerieColor(g_channelColours[slot]);
    }
}

void LiveView::ResumeCharts()
{
    for (CChartCtrl* chart : m_chart)
        if (chart)
            chart->EnableRedraw(true);
}

bool LiveView::ChartsHoldCurvesOf(const int* slotList, int count) const
{
    if (count != m_curveSlotCount || count == 0)
        return false;
    for (int i = 0; i < count; ++i)
        if (slotList[i] != m_curveSlots[i])
            return false;
    for (const CChartCtrl* chart : m_chart)
        if (chart && chart->SeriesCount() != size_t(count)) // the control makes line series only
            return false;
    return true;
}

LiveView::Inputs LiveView::CurrentInputs() const
{
    Inputs in;
    in.revision = m_data.ShownRevision();
    in.keyCount = m_data.ShownKeyCount();
    for (int j = 0; j < kSlotCount; ++j) {
        const LiveData::SlotValues slot = m_data.ShownValues(j);
        const QCheckBox* box = m_checkChannel[j];
        in.perSlot[j] = {m_shown[j], slot.channel, slot.sample, slot.baseline, slot.diff,
                         box && box->isChecked(), box && box->isEnabled()};
    }
    return in;
}

void LiveView::SetFullRefresh(bool full)
{
    m_fullRefresh = full;
    m_drawn = false;
    for (CChartCtrl* chart : m_chart)
        if (chart)
            chart->SetFrameCache(!full);
    for (QTableWidget* list : m_list)
        if (list) {
            QAbstractItemDelegate* old = list->itemDelegate();
            if (full)
                list->setItemDelegate(new QStyledItemDelegate(list));
            else
                list->setItemDelegate(new CachedCellDelegate(list, m_cellPictures));
            delete old;
        }
}

bool LiveView::Refresh()
{
    // The pass below is a function of these inputs alone: when none has changed since the last
    // pass, it would rebuild the same curves and write the same texts and box states.
    if (!m_fullRefresh && m_drawn && CurrentInputs() == m_drawnFrom)
        return false;

    // The charts are rebuilt inside one redraw bracket that also spans the list work, so each is
    // drawn once, at the end, with all its new curves.
    const int k = m_data.ShownKeyCount();
    int shown[kSlotCount];
    int shownCount = 0;
    for (int j = 0; j < k; ++j)
        if (m_shown[j])
            shown[shownCount++] = j;
    const bool keepCurves = !m_fullRefresh && ChartsHoldCurvesOf(shown, shownCount);
    const std::vector<CChartSerie*>* kept[3] = {};
    if (keepCurves)
        for (int c = 0; c < 3; ++c)
            if (m_chart[c])
                kept[c] = &m_chart[c]->Series();
    const DialogPage::PageUpdate update(m_page); // the slot reset below ticks boxes itself
    SuspendCharts(keepCurves);
    const bool haveLists = m_list[0] && m_list[1] && m_list[2];
    const bool quiet = !m_fullRefresh && !QAccessible::isActive();
    ChangedValues changed[] = {{m_list[0], 1, quiet}, {m_list[1], 1, quiet}, {m_list[2], 1, quiet}};
    int curve = 0;
    for (int j = 0; j < k; ++j) {
        const bool visible = m_shown[j];
        const LiveData::SlotValues slot = m_data.ShownValues(j);
        if (visible)
            AddSlotCurves(j, curve++, kept);
        if (haveLists) {
            if (m_fullRefresh || m_shownChannel[j] != slot.channel) {
                const QString name = QStringLiteral("TK%1").arg(slot.channel);
                if (CellText(m_list[0], j, 0) != name)
                    for (QTableWidget* list : m_list)
                        SetCellText(list, j, 0, name);
                m_shownChannel[j] = slot.channel;
            }
            const std::int32_t values[] = {slot.sample, slot.baseline, slot.diff};
            for (int c = 0; c < 3; ++c) {
                ShownValue& last = m_shownValues[c][j];
                if (!m_fullRefresh && last.known && last.shown == visible && (!visible || last.value == values[c]))
                    continue;
                // A cell last set to another number here still shows it: not read back.
                const bool showsNumber = !m_fullRefresh && last.known && last.shown && visible;
                changed[c].Set(j, visible ? QString::number(values[c]) : QString(), showsNumber ? &last.value : nullptr);
                last = {true, visible, values[c]};
            }
        }
        // Only a box disabled of its own needs enabling (asked every tick).
        if (m_checkChannel[j] && m_checkChannel[j]->testAttribute(Qt::WA_ForceDisabled))
            m_checkChannel[j]->setEnabled(true);
    }
    for (int j = k; j < kSlotCount; ++j) {
        if (haveLists && !CellText(m_list[0], j, 0).isEmpty())
            for (QTableWidget* list : m_list) {
                SetCellText(list, j, 0, QString());
                SetCellText(list, j, 1, QString());
            }
        m_shownChannel[j] = kNoChannel;
        for (auto& list : m_shownValues)
            list[j].known = false;
        // A slot out of use returns to its start-up state: shown, box ticked and disabled.
        if (m_checkChannel[j]) {
            m_checkChannel[j]->setChecked(true);
            m_checkChannel[j]->setEnabled(false);
        }
        m_shown[j] = 1;
    }
    if (haveLists)
        for (const ChangedValues& c : changed)
            c.Repaint();
    ResumeCharts();
    std::copy(shown, shown + shownCount, m_curveSlots);
    m_curveSlotCount = shownCount;
    // Taken after the pass, which itself resets the slots out of use.
    m_drawnFrom = CurrentInputs();
    m_drawn = true;
    // The values under a cursor may have changed with the curves.
    for (CChartCursor* cursor : m_cursor)
        if (cursor)
            cursor->Refresh();
    return true;
}
