#include "debug/live_view.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>

#include "app/dialog_page.h"
#include "app/user_settings.h"
#include "app/zcstatic.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_cursor.h"
#include "debug/live_charts.h"
#include "debug/live_data.h"
#include "debug/live_history.h"
#include "debug/live_lists.h"
#include "debug/threshold_apply.h"

namespace {

enum : int {
    kIdChannelCheck0 = 1035,
    kIdMarker0 = 1043,
    kIdAutoRange = 1120,
    kIdShowThresholds = 1121,
};

} // namespace

const char LiveView::kAutoRangeKey[] = "view/autoRange";
const char LiveView::kShowThresholdsKey[] = "view/showThresholds";

LiveView::LiveView(DialogPage& page, const LiveData& data, const ResultCells& results)
    : m_page(page), m_data(data), m_results(results)
{
    m_charts = std::make_unique<LiveCharts>(page, data, [this](int chart, double x) { return ReadoutAt(chart, x); });
    m_lists = std::make_unique<LiveLists>(page);
    InitBoxes(page);
    ResultsChanged();
    connect(m_charts.get(), &LiveCharts::AutoRangeDropped, this, [this] {
        if (m_checkAutoRange) {
            const DialogPage::PageUpdate update(m_page);
            m_checkAutoRange->setChecked(false);
        }
        Remember(kAutoRangeKey, false);
    });
}

LiveView::~LiveView() = default;

void LiveView::InitBoxes(DialogPage& page)
{
    for (int j = 0; j < kSlotCount; ++j) {
        m_checkChannel[j] = page.controlAs<QCheckBox>(kIdChannelCheck0 + j);
        if (m_checkChannel[j]) {
            m_checkChannel[j]->setChecked(true);
            // Follows the box however it changes: mouse, Space, accessibility action, setChecked.
            page.ConnectCheck(m_checkChannel[j], [this, j](bool) { OnChannelCheck(j); });
        }
        m_marker[j] = page.controlAs<QLabel>(kIdMarker0 + j);
        if (m_marker[j]) {
            QPalette pal = m_marker[j]->palette();
            pal.setColor(QPalette::Window, ColorFromRef(g_channelColours[j]));
            m_marker[j]->setPalette(pal);
        }
    }

    // The view choices as the user left them; a first start keeps the charts' own ranges.
    const std::unique_ptr<QSettings> settings = UserSettings();
    const bool autoRange = settings->value(QLatin1String(kAutoRangeKey), false).toBool();
    m_showThresholds = settings->value(QLatin1String(kShowThresholdsKey), true).toBool();
    m_charts->SetAutoRange(autoRange);
    m_checkAutoRange = page.controlAs<QCheckBox>(kIdAutoRange);
    if (m_checkAutoRange) {
        m_checkAutoRange->setChecked(autoRange);
        m_checkAutoRange->setToolTip(QStringLiteral("三个曲线图的纵轴范围随所显示的数据自动调整；"
                                                    "点击范围按钮或缩放、平移曲线图即取消"));
        m_checkAutoRange->setAccessibleDescription(m_checkAutoRange->toolTip());
        page.ConnectCheck(m_checkAutoRange, [this](bool on) { SetAutoRange(on); });
    }
    m_checkShowThresholds = page.controlAs<QCheckBox>(kIdShowThresholds);
    if (m_checkShowThresholds) {
        m_checkShowThresholds->setChecked(m_showThresholds);
        m_checkShowThresholds->setToolTip(QStringLiteral("在差值曲线图上用虚线画出各键位的触摸阈值"));
        m_checkShowThresholds->setAccessibleDescription(m_checkShowThresholds->toolTip());
        page.ConnectCheck(m_checkShowThresholds, [this](bool on) { SetShowThresholds(on); });
    }
}

void LiveView::Remember(const char* key, bool on) { UserSettings()->setValue(QLatin1String(key), on); }

// ---- the user's changes ------------------------------------------------------------------------

void LiveView::OnChannelCheck(int slot)
{
    if (slot < 0 || slot >= kSlotCount || !m_checkChannel[slot])
        return;
    m_shown[slot] = m_checkChannel[slot]->isChecked() ? 1 : 0;
    emit ShownSlotsChanged();
}

void LiveView::OnSpinDelta(int spinId, int delta) { m_charts->OnSpinDelta(spinId, delta); }

void LiveView::SetAutoRange(bool on)
{
    if (m_checkAutoRange && m_checkAutoRange->isChecked() != on) {
        const DialogPage::PageUpdate update(m_page);
        m_checkAutoRange->setChecked(on);
    }
    m_charts->SetAutoRange(on);
    Remember(kAutoRangeKey, on);
}

bool LiveView::AutoRange() const { return m_charts->AutoRange(); }

void LiveView::SetShowThresholds(bool on)
{
    if (m_checkShowThresholds && m_checkShowThresholds->isChecked() != on) {
        const DialogPage::PageUpdate update(m_page);
        m_checkShowThresholds->setChecked(on);
    }
    m_showThresholds = on;
    Remember(kShowThresholdsKey, on);
    emit ShownSlotsChanged();
}

void LiveView::ResultsChanged() { m_suggested = SuggestedThresholds(m_results); }

std::optional<int> LiveView::ThresholdOfSlot(int slot) const
{
    if (slot < 0 || slot >= m_data.ShownKeyCount())
        return std::nullopt;
    const int tk = m_data.ShownValues(slot).channel;
    if (tk < 0 || tk >= kSlotCount)
        return std::nullopt;
    return LiveThreshold(tk, m_target, m_suggested[size_t(tk)]);
}

std::vector<ChartReadoutLine> LiveView::ReadoutAt(int chart, double x) const
{
    std::vector<ChartReadoutLine> lines;
    for (const LiveData::ReadoutValue& v : m_data.ReadoutAt(chart, x)) {
        if (!m_shown[v.slot])
            continue;
        QString text = QStringLiteral("TK%1 %2").arg(v.channel).arg(qRound64(v.value));
        if (chart == 2)
            if (const std::optional<int> threshold = ThresholdOfSlot(v.slot))
                text += QStringLiteral("  阈值 %1").arg(*threshold);
        lines.push_back({text, g_channelColours[v.slot]});
    }
    return lines;
}

CChartCtrl* LiveView::Chart(int index) const { return m_charts->Chart(index); }
CChartCursor* LiveView::Cursor(int index) const { return m_charts->Cursor(index); }

// ---- the refresh -------------------------------------------------------------------------------

LiveView::Inputs LiveView::CurrentInputs() const
{
    Inputs in;
    in.revision = m_data.ShownRevision();
    in.keyCount = m_data.ShownKeyCount();
    in.thresholds = m_showThresholds;
    for (int j = 0; j < kSlotCount; ++j) {
        const LiveData::SlotValues slot = m_data.ShownValues(j);
        const QCheckBox* box = m_checkChannel[j];
        const std::optional<int> threshold = j < in.keyCount ? ThresholdOfSlot(j) : std::nullopt;
        in.perSlot[j] = {m_shown[j], slot.channel, slot.sample, slot.baseline, slot.diff,
                         threshold ? *threshold : kNoThreshold, box && box->isChecked(), box && box->isEnabled()};
    }
    return in;
}

void LiveView::SetFullRefresh(bool full)
{
    m_fullRefresh = full;
    m_drawn = false;
    m_charts->SetFrameCache(!full);
    m_lists->SetCachedPaint(!full);
}

bool LiveView::Refresh()
{
    // The pass below is a function of these inputs alone: when none has changed since the last
    // pass, it would rebuild the same curves and write the same texts and box states.
    if (!m_fullRefresh && m_drawn && CurrentInputs() == m_drawnFrom)
        return false;

    const int k = m_data.ShownKeyCount();
    std::optional<int> threshold[kSlotCount];
    LiveCharts::Picture picture;
    for (int j = 0; j < k; ++j) {
        threshold[j] = ThresholdOfSlot(j);
        if (m_shown[j]) {
            picture.shown[picture.count++] = j;
            if (m_showThresholds)
                picture.threshold[j] = threshold[j];
        }
    }
    // The charts are rebuilt inside one redraw bracket that also spans the list work, so each is
    // drawn once, at the end, with all its new curves.
    const DialogPage::PageUpdate update(m_page); // the slot reset below ticks boxes itself
    m_charts->Begin(picture, m_fullRefresh);
    m_lists->Begin(m_fullRefresh, !m_fullRefresh && !QAccessible::isActive());
    for (int j = 0; j < k; ++j) {
        const LiveData::SlotValues slot = m_data.ShownValues(j);
        const std::int32_t values[] = {slot.sample, slot.baseline, slot.diff};
        m_lists->Row(j, slot.channel, values, m_shown[j] != 0, threshold[j] && slot.diff >= *threshold[j]);
        // Only a box disabled of its own needs enabling (asked every tick).
        if (m_checkChannel[j] && m_checkChannel[j]->testAttribute(Qt::WA_ForceDisabled))
            m_checkChannel[j]->setEnabled(true);
    }
    for (int j = k; j < kSlotCount; ++j) {
        m_lists->Clear(j);
        // A slot out of use returns to its start-up state: shown, box ticked and disabled.
        if (m_checkChannel[j]) {
            m_checkChannel[j]->setChecked(true);
            m_checkChannel[j]->setEnabled(false);
        }
        m_shown[j] = 1;
    }
    m_lists->End();
    m_charts->End();
    // Taken after the pass, which itself resets the slots out of use.
    m_drawnFrom = CurrentInputs();
    m_drawn = true;
    return true;
}
