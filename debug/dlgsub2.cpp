#include "debug/dlgsub2.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>

#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_cursor.h"
#include "debug/cached_cell_delegate.h"
#include "debug/cell_editor.h"
#include "debug/com_ports.h"
#include "debug/evaluation.h"
#include "debug/help_manual.h"
#include "debug/live_value_item.h"
#include "debug/mscomm.h"
#include "debug/procedure.h"
#include "debug/recording_session.h"
#include "debug/result_table.h"
#include "debug/spin_arrows.h"

namespace {

enum : int {
    kIdChartSample = 1005,
    kIdChartBaseline = 1006,
    kIdChartDiff = 1007,
    kIdSpinSample = 1013,
    kIdSpinBaseline = 1014,
    kIdSpinDiff = 1015,
    kIdSpinTime = 1016,
    kIdComm = 1023,
    kIdPortButton = 1024,
    kIdStart = 1025,
    kIdNoKey = 1026,
    kIdKeyPress = 1028,
    kIdKeyChoice = 1029,
    kIdResultList = 1030,
    kIdCellEdit = 1031,
    kIdListSample = 1032,
    kIdListBaseline = 1033,
    kIdListDiff = 1034,
    kIdChannelCheck0 = 1035,
    kIdMarker0 = 1043,
    kIdProgress = 1051,
    kIdAbort = 1052,
    kIdStatus = 1053,
    kIdHelp = 1054,
    kIdRecord = 1057,
    kIdPause = 1058,
};

// Controls the page creates itself: the charts, the spin buttons, the colour markers and the
// serial control's (invisible) place in the layout.
QWidget* CreatePageControl(const ControlEntry& ctl, QWidget* parent)
{
    if (ctl.kind == QLatin1String("chart"))
        return new CChartCtrl(parent);
    if (ctl.kind == QLatin1String("spin"))
        return new CSpinArrows(parent);
    if (ctl.kind == QLatin1String("marker")) {
        auto* marker = new QLabel(parent);
        marker->setAutoFillBackground(true);
        return marker;
    }
    if (ctl.kind == QLatin1String("comm")) {
        auto* w = new QWidget(parent);
        w->setFocusPolicy(Qt::NoFocus);
        return w;
    }
    return nullptr;
}

void SetCellText(QTableWidget* list, int row, int col, const QString& text)
{
    QTableWidgetItem* item = list->item(row, col);
    if (item && item->text() != text) // unchanged texts cost nothing
        item->setText(text);
}

// The value cells of one list column that a pass changed, and the repaint they need.
//
// Each text set through the model asks for the repaint of its whole cell. Quietly (a live value
// cell's text set as a plain string, any other cell's with the model's signals held back while
// it is set), nothing is asked for, and the cells are repainted here as one area: the span of
// rows that changed, and of it only the middle band that the old and the new centred texts can
// touch, with room to spare on both sides. Only a part of each cell is then filled, copied and
// gridded again; the rest of it shows the same pixels anyway.
// Quiet setting is for when no assistive technology listens for the model's changes.
class ChangedValues {
public:
    ChangedValues(QTableWidget* list, int col, bool quiet)
        : m_list(list), m_col(col), m_quiet(quiet && list && list->editTriggers() == QAbstractItemView::NoEditTriggers)
    {
    }

    // shownNumber: when the cell is known to show that number (as last set here), and text is
    // another; the cell's text is then not read back.
    void Set(int row, const QString& text, const std::int32_t* shownNumber = nullptr)
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
            if (ownFont || alignment != Qt::AlignCenter ||
                (!shownNumber && !IsNumber(old)) || !IsNumber(text))
                m_advance = -1;
            else
                m_advance = std::max<int>(m_advance, std::max<int>(oldSize, int(text.size())) * Measures().advance);
        }
    }
    void Repaint() const
    {
        if (m_first < 0 || (!m_quiet && m_first == m_last))
            return; // a single cell set through the model has asked for its repaint itself
        QRect area = m_list->visualRect(m_list->model()->index(m_first, m_col)) |
                     m_list->visualRect(m_list->model()->index(m_last, m_col));
        if (m_quiet && m_advance >= 0) {
            const int spare = Measures().height;
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

private:
    // Characters of a number as QString::number writes it.
    static int DigitsOf(std::int32_t value)
    {
        int n = value < 0 ? 2 : 1;
        for (std::int64_t v = value < 0 ? -std::int64_t(value) : value; v >= 10; v /= 10)
            ++n;
        return n;
    }
    static bool IsNumber(const QString& text)
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
    const FontMeasures& Measures() const
    {
        static FontMeasures measures;
        if (measures.advance < 0 || measures.font != m_list->font()) {
            measures.font = m_list->font();
            const QFontMetrics metrics(measures.font);
            measures.advance = 0;
            for (const QChar c : QStringLiteral("0123456789-"))
                measures.advance = std::max(measures.advance, metrics.horizontalAdvance(c));
            measures.height = metrics.height();
        }
        return measures;
    }

    QTableWidget* m_list;
    int m_col;
    bool m_quiet; // not where an editor can open: it hears of changes through the model
    int m_first = -1;
    int m_last = -1;
    int m_advance = 0; // widest text, old or new; -1: whole cells
};

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

DlgSub2::DlgSub2(QWidget* parent, UiServices* services)
    : DialogPage(DialogTemplate::Load(QStringLiteral(":/layouts/dlg130.txt")), parent, CreatePageControl),
      m_services(services ? services : &DefaultUiServices()),
      m_comm(std::make_unique<CMSComm>()),
      m_findPort([] { return FindComPort(); }),
      m_probePort([](int n) { return ComPortPresent(n); }),
      m_receiver(*this, m_history),
      m_recording(std::make_unique<CLinkRecordingSession>())
{
    ConnectComm();

    m_btnPort = controlAs<QPushButton>(kIdPortButton);
    if (m_btnPort)
        connect(m_btnPort, &QPushButton::clicked, this, &DlgSub2::OnPortButton);

    // Page start-up: state cleared, every slot visible and disarmed.
    LiveState::Reset();
    InitCharts();
    InitLiveLists();
    InitProcedureControls();
    InitProcedure();
    InitResultsOut();
    InitRecording();
    SetLinkControlsEnabled(false);
}

DlgSub2::~DlgSub2()
{
    if (m_timerId)
        killTimer(m_timerId);
    if (m_reconnectTimerId)
        killTimer(m_reconnectTimerId);
    // The serial control goes first, so that no receive event reaches a half-destroyed page.
    m_comm.reset();
}

void DlgSub2::SetSerialDevice(std::unique_ptr<ISerialDevice> device)
{
    if (m_comm && m_comm->GetPortOpen())
        return;
    m_comm = std::make_unique<CMSComm>(std::move(device));
    ConnectComm();
}

void DlgSub2::SetPortFinder(std::function<int()> finder)
{
    m_findPort = finder ? std::move(finder) : std::function<int()>([] { return FindComPort(); });
}

void DlgSub2::SetPortProbe(std::function<bool(int)> probe)
{
    m_probePort = probe ? std::move(probe) : std::function<bool(int)>([](int n) { return ComPortPresent(n); });
}

void DlgSub2::ConnectComm()
{
    connect(m_comm.get(), &CMSComm::OnComm, this, &DlgSub2::OnCommEvent);
    connect(m_comm.get(), &CMSComm::OnPortLost, this, &DlgSub2::OnPortLost);
    connect(m_comm.get(), &CMSComm::BytesReceived, m_recording.get(), &CLinkRecordingSession::OnBytes);
}

// ---- start-up ----------------------------------------------------------------------------------

QRect DlgSub2::ChartPlace(int index) const
{
    const DialogUnits& u = units();
    auto sx = [&u](int px) { return static_cast<int>((static_cast<long long>(px) * u.bx + 3) / 6); };
    const int height = static_cast<int>((150LL * u.by + 6) / 13);
    return QRect(sx(250), index * height, sx(500), height);
}

void DlgSub2::InitCharts()
{
    m_chartSample = controlAs<CChartCtrl>(kIdChartSample);
    m_chartBaseline = controlAs<CChartCtrl>(kIdChartBaseline);
    m_chartDiff = controlAs<CChartCtrl>(kIdChartDiff);
    const struct {
        CChartCtrl* chart;
        CChartAxis** x;
        CChartAxis** y;
        double yMin, yMax;
        int index;
        const char* title;
    } charts[] = {
        {m_chartSample, &m_axisSampleX, &m_axisSampleY, 0, 500, 0, "采样值"},
        {m_chartBaseline, &m_axisBaselineX, &m_axisBaselineY, 0, 500, 1, "环境值"},
        {m_chartDiff, &m_axisDiffX, &m_axisDiffY, -20, 200, 2, "差值"},
    };
    for (const auto& c : charts) {
        if (!c.chart)
            continue;
        CChartStandardAxis* bottom = c.chart->CreateAxisAt(BottomAxis);
        bottom->SetRange(0, kHistoryLength);
        CChartStandardAxis* left = c.chart->CreateAxisAt(LeftAxis);
        left->SetRange(c.yMin, c.yMax);
        *c.x = bottom;
        *c.y = left;
    }
    // The charts take fixed places, stacked beside their lists, instead of the layout's: 500 x 150
    // pixels at x 250 and y 0, 150, 300 with the dialog font's usual metrics (6 x 13 pixel base
    // units). Where the font's metrics differ the places scale with them, so that the charts keep
    // their room between the buttons, the spin buttons and the results table.
    for (const auto& c : charts)
        if (c.chart) {
            c.chart->setGeometry(ChartPlace(c.index));
            c.chart->update();
        }
    for (const auto& c : charts)
        if (c.y)
            (*c.y)->Label()->SetText(QString::fromUtf8(c.title));
    // Read-out cursors: one step is one point of the histories.
    for (const auto& c : charts)
        if (c.chart) {
            const int index = c.index;
            m_cursor[index] = new CChartCursor(c.chart, [this, index](double x) { return ReadoutAt(index, x); });
            m_cursor[index]->SetStep(1);
        }

    const struct {
        int id;
        CSpinArrows** member;
    } spins[] = {{kIdSpinSample, &m_spinSample},
                 {kIdSpinBaseline, &m_spinBaseline},
                 {kIdSpinDiff, &m_spinDiff},
                 {kIdSpinTime, &m_spinTime}};
    for (const auto& s : spins) {
        *s.member = controlAs<CSpinArrows>(s.id);
        if (*s.member) {
            const int id = s.id;
            connect(*s.member, &CSpinArrows::DeltaPos, this, [this, id](int delta) { OnSpinDelta(id, delta); });
        }
    }
}

void DlgSub2::InitLiveLists()
{
    m_listSample = controlAs<QTableWidget>(kIdListSample);
    m_listBaseline = controlAs<QTableWidget>(kIdListBaseline);
    m_listDiff = controlAs<QTableWidget>(kIdListDiff);
    // The three lists show numbers of the same range in cells of the same look: a text one of
    // them has shown is copied by the others too. A drifting board keeps showing numbers it has
    // not shown before for minutes (the simulated one about a thousand in its first four) and
    // comes back to them: room for four thousand pictures (of a number's digits only, a kilobyte
    // or two each), within 8 MiB, keeps nearly all it returns to.
    m_cellPictures = CachedCellDelegate::MakeStore(4096, 8 << 20);
    for (QTableWidget* list : {m_listSample, m_listBaseline, m_listDiff}) {
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
        m_checkChannel[j] = controlAs<QCheckBox>(kIdChannelCheck0 + j);
        if (m_checkChannel[j]) {
            m_checkChannel[j]->setChecked(true);
            // Follows the box however it changes: mouse, Space, accessibility action, setChecked.
            ConnectCheck(m_checkChannel[j], [this, j](bool) { OnChannelCheck(j); });
        }
        m_marker[j] = controlAs<QLabel>(kIdMarker0 + j);
        if (m_marker[j]) {
            QPalette pal = m_marker[j]->palette();
            pal.setColor(QPalette::Window, ColorFromRef(g_channelColours[j]));
            m_marker[j]->setPalette(pal);
        }
    }
}

void DlgSub2::InitProcedureControls()
{
    m_btnStart = controlAs<QPushButton>(kIdStart);
    m_btnNoKey = controlAs<QPushButton>(kIdNoKey);
    m_btnKeyPress = controlAs<QPushButton>(kIdKeyPress);
    m_comboKey = controlAs<QComboBox>(kIdKeyChoice);
    m_btnAbort = controlAs<QPushButton>(kIdAbort);
    m_lblStatus = controlAs<ZCStatic>(kIdStatus);
    m_progress = controlAs<QProgressBar>(kIdProgress);
    m_listResult = controlAs<QTableWidget>(kIdResultList);
    m_editCell = controlAs<QLineEdit>(kIdCellEdit);
    m_btnHelp = controlAs<QPushButton>(kIdHelp);

    if (m_editCell)
        m_editCell->hide();
    if (m_listResult) {
        m_listResult->setShowGrid(true);
        // Tab leaves the table like any other control (arrows choose the cell, F2 edits it).
        m_listResult->setTabKeyNavigation(false);
        SetUpResultTable(m_listResult); // twelve centred columns, eight empty rows
    }
    if (m_comboKey) {
        for (int k = 0; k < kSlotCount; ++k)
            m_comboKey->addItem(QStringLiteral("TK%1").arg(k));
        m_comboKey->setCurrentIndex(0);
    }
    if (m_progress) {
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
    }
    if (m_lblStatus) {
        m_lblStatus->SetTextColorRedraw(0x000000);
        m_lblStatus->setText(QStringLiteral("未开始检测"));
    }
}

void DlgSub2::SetLinkControlsEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(m_btnStart), static_cast<QWidget*>(m_btnNoKey),
                       static_cast<QWidget*>(m_btnKeyPress), static_cast<QWidget*>(m_comboKey),
                       static_cast<QWidget*>(m_btnAbort)})
        if (w)
            w->setEnabled(enabled);
}

// ---- serial link -------------------------------------------------------------------------------

void DlgSub2::OnPortButton()
{
    if (m_lostPort) {
        // Waiting for a port that went away: the click gives up, the link is simply closed.
        StopReconnect();
        StopRecordingFile();
        SetPortCaption(QStringLiteral("串口已关闭"));
        return;
    }
    if (!m_comm->GetPortOpen()) {
        const int n = m_findPort ? m_findPort() : -1;
        if (n == -1) {
            m_services->ShowWarning(this, QStringLiteral("未识别串口"));
            return;
        }
        QString error;
        if (!OpenPort(n, &error)) {
            // The port stays closed; caption, timer and controls are left as they were.
            m_services->ShowWarning(this, error);
            return;
        }
        EnterOpen(n);
    } else {
        m_comm->SetPortOpen(false);
        StopRecordingFile();
        LeaveOpen(QStringLiteral("串口已关闭"));
    }
}

bool DlgSub2::OpenPort(int n, QString* error)
{
    m_comm->SetCommPort(static_cast<short>(n));
    m_comm->SetInBufferSize(1024);
    m_comm->SetOutBufferSize(1024);
    m_comm->SetInputLen(0);
    m_comm->SetInputMode(kComInputModeBinary);
    m_comm->SetRThreshold(9);
    m_comm->SetSettings(QStringLiteral("38400,n,8,1"));
    return m_comm->SetPortOpen(true, error);
}

void DlgSub2::EnterOpen(int n)
{
    m_resultsPort = n;
    SetPortCaption(QStringLiteral("串口%1已打开").arg(n));
    // A port found again after a loss goes on in the file it was recorded into.
    if (m_recordArmed && !m_recording->IsRecording())
        StartRecordingFile();
    if (!m_timerId)
        m_timerId = startTimer(kTimerPeriodMs, Qt::PreciseTimer); // LeaveOpen left it fast
    UpdateArrivals();
    SetLinkControlsEnabled(true);
}

void DlgSub2::LeaveOpen(const QString& caption)
{
    SetPortCaption(caption);
    if (m_timerId) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    m_tickPeriod = kTimerPeriodMs;
    m_quietTicks = 0;
    UpdateArrivals();
    SetLinkControlsEnabled(false);
}

void DlgSub2::SetTickPeriod(int ms)
{
    m_quietTicks = 0;
    if (ms == m_tickPeriod)
        return;
    m_tickPeriod = ms;
    if (!m_timerId)
        return;
    killTimer(m_timerId);
    m_timerId = startTimer(ms, ms == kTimerPeriodMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    UpdateArrivals();
}

void DlgSub2::Wake()
{
    if (m_tickPeriod != kTimerPeriodMs)
        SetTickPeriod(kTimerPeriodMs);
}

void DlgSub2::UpdateArrivals()
{
    // Between two fast ticks nothing shows what arrives, so the tick takes the bytes in itself
    // and a board's stream of small deliveries does not wake the page for each. A resting timer
    // needs the port to wake it, and a recording keeps each delivery's own time of arrival.
    const bool hold = m_timerId && m_tickPeriod == kTimerPeriodMs && !m_recordArmed && m_comm->GetPortOpen();
    if (hold == m_arrivalsHeld)
        return;
    if (!hold)
        m_comm->Poll(); // what waits is taken in now, before anything else can
    m_arrivalsHeld = m_comm->HoldArrivals(hold) && hold;
}

void DlgSub2::SetPortCaption(const QString& caption)
{
    if (!m_btnPort)
        return;
    m_btnPort->setText(caption);
    m_btnPort->setAccessibleName(caption);
}

void DlgSub2::OnPortLost()
{
    // The serial control has already closed the port. Everything else is as on a close: the
    // procedure keeps its flags and counters, the views their values.
    const int n = m_comm->GetCommPort();
    LeaveOpen(QStringLiteral("串口%1已断开").arg(n));
    m_lostPort = n;
    if (!m_reconnectTimerId)
        m_reconnectTimerId = startTimer(kReconnectPeriodMs);
}

void DlgSub2::OnReconnectTick()
{
    if (!m_lostPort || m_comm->GetPortOpen()) {
        StopReconnect();
        return;
    }
    if (!m_probePort || !m_probePort(m_lostPort))
        return;
    // Present, but it may still refuse (busy, not ready yet): then the next tick tries again,
    // without a message, until it opens or the user gives up.
    if (!OpenPort(m_lostPort, nullptr))
        return;
    const int n = m_lostPort;
    StopReconnect();
    EnterOpen(n);
}

void DlgSub2::StopReconnect()
{
    if (m_reconnectTimerId) {
        killTimer(m_reconnectTimerId);
        m_reconnectTimerId = 0;
    }
    m_lostPort = 0;
}

void DlgSub2::OnCommEvent()
{
    if (m_comm->GetCommEvent() != kComEvReceive)
        return;
    const QByteArray chunk = m_comm->GetInput();
    m_comm->SetInBufferCount(0);
    m_receiver.OnChunk(reinterpret_cast<const std::uint8_t*>(chunk.constData()), static_cast<std::size_t>(chunk.size()));
    Wake();
}

void DlgSub2::timerEvent(QTimerEvent* event)
{
    if (m_timerId && event->timerId() == m_timerId)
        OnTimerTick();
    else if (m_reconnectTimerId && event->timerId() == m_reconnectTimerId)
        OnReconnectTick();
    else
        DialogPage::timerEvent(event);
}

void DlgSub2::OnTimerTick()
{
    if (m_arrivalsHeld)
        m_comm->Poll();
    StepProcedure();
    const bool redrawn = RefreshLiveView();
    const bool quiet = !redrawn && !m_keyMaskChanged && !m_procedure->Running() &&
                       m_procedure->CurrentPhase() == CDetectionProcedure::Phase::None;
    if (m_keyMaskChanged)
        RebuildResultRows();

    // A silent port with nothing running: ticks would only find the same inputs again, so the
    // timer slows down. Bytes and the user's changes wake it at once; a slow tick that finds
    // something changed all the same (a change that came by another way) wakes it too.
    if (!quiet) {
        m_quietTicks = 0;
        Wake();
    } else if (m_tickPeriod == kTimerPeriodMs && ++m_quietTicks >= kQuietTicksBeforeRest)
        SetTickPeriod(kRestPeriodMs);
    UpdateArrivals();
}

// ---- live view ---------------------------------------------------------------------------------

void DlgSub2::OnChannelCheck(int slot)
{
    if (slot < 0 || slot >= kSlotCount || !m_checkChannel[slot])
        return;
    m_slots[slot].visible = m_checkChannel[slot]->isChecked() ? 1 : 0;
    Wake();
}

void DlgSub2::OnSpinDelta(int spinId, int delta)
{
    CChartAxis* axis = nullptr;
    double step = kVerticalStep;
    switch (spinId) {
    case kIdSpinSample: axis = m_axisSampleY; break;
    case kIdSpinBaseline: axis = m_axisBaselineY; break;
    case kIdSpinDiff: axis = m_axisDiffY; break;
    case kIdSpinTime:
        axis = m_axisSampleX;
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
        for (CChartAxis* other : {m_axisBaselineX, m_axisDiffX})
            if (other)
                other->SetRange(min, max);
    }
}

void DlgSub2::SuspendCharts(bool keepCurves)
{
    for (CChartCtrl* chart : {m_chartSample, m_chartBaseline, m_chartDiff})
        if (chart) {
            chart->EnableRedraw(false);
            if (!keepCurves)
                chart->DeleteAllSeries();
        }
}

void DlgSub2::AddSlotCurves(int slot, int index, const std::vector<CChartSerie*>* const (&kept)[3])
{
    const struct {
        CChartCtrl* chart;
        const HistoryTable* history;
    } charts[] = {{m_chartSample, &ShownHistory().sample},
                  {m_chartBaseline, &ShownHistory().baseline},
                  {m_chartDiff, &ShownHistory().diff}};
    for (int c = 0; c < 3; ++c) {
        CChartCtrl* chart = charts[c].chart;
        if (!chart)
            continue;
        CChartLineSerie* serie = !kept[c] ? chart->AddLineSerie() : dynamic_cast<CChartLineSerie*>((*kept[c])[size_t(index)]);
        if (!serie)
            continue;
        // A kept curve has its order, pen and colour from the pass that made it: each setter asks
        // the chart for a redraw, so only what differs is set.
        if (serie->GetPointOrder() != NoOrder)
            serie->SetPointOrder(NoOrder);
        serie->SetXYData(g_historyX.data(), (*charts[c].history)[slot], kHistoryLength);
        if (serie->LineWidth() != 2)
            serie->SetLineWidth(2);
        if (serie->SerieColor() != g_channelColours[slot])
            serie->SetSerieColor(g_channelColours[slot]);
    }
}

void DlgSub2::ResumeCharts()
{
    for (CChartCtrl* chart : {m_chartSample, m_chartBaseline, m_chartDiff})
        if (chart)
            chart->EnableRedraw(true);
}

bool DlgSub2::ChartsHoldCurvesOf(const int* slotList, int count) const
{
    if (count != m_curveSlotCount || count == 0)
        return false;
    for (int i = 0; i < count; ++i)
        if (slotList[i] != m_curveSlots[i])
            return false;
    for (const CChartCtrl* chart : {m_chartSample, m_chartBaseline, m_chartDiff})
        if (chart && chart->SeriesCount() != size_t(count)) // the control makes line series only
            return false;
    return true;
}

DlgSub2::LiveInputs DlgSub2::CurrentLiveInputs() const
{
    // What the view shows from: while paused the frozen copy, which no frame changes.
    LiveInputs in;
    in.framesDecoded = m_frozen ? m_frozen->framesDecoded : m_receiver.DecodedCount();
    in.keyCount = ShownKeyCount();
    for (int j = 0; j < kSlotCount; ++j) {
        const FrozenView::Values slot = ShownValues(j);
        const QCheckBox* box = m_checkChannel[j];
        in.perSlot[j] = {m_slots[j].visible, slot.channel, slot.sample, slot.baseline, slot.diff,
                       box && box->isChecked(), box && box->isEnabled()};
    }
    return in;
}

void DlgSub2::SetFullRefresh(bool full)
{
    m_fullRefresh = full;
    m_liveShown = false;
    for (CChartCtrl* chart : {m_chartSample, m_chartBaseline, m_chartDiff})
        if (chart)
            chart->SetFrameCache(!full);
    for (QTableWidget* list : {m_listSample, m_listBaseline, m_listDiff})
        if (list) {
            QAbstractItemDelegate* old = list->itemDelegate();
            if (full)
                list->setItemDelegate(new QStyledItemDelegate(list));
            else
                list->setItemDelegate(new CachedCellDelegate(list, m_cellPictures));
            delete old;
        }
}

bool DlgSub2::RefreshLiveView()
{
    // The pass below is a function of these inputs alone: when none has changed since the last
    // pass, it would rebuild the same curves and write the same texts and box states.
    if (!m_fullRefresh && m_liveShown && CurrentLiveInputs() == m_liveShownFrom)
        return false;

    // The charts are rebuilt inside one redraw bracket that also spans the list work, so each is
    // drawn once, at the end, with all its new curves.
    const int k = ShownKeyCount();
    int shown[kSlotCount];
    int shownCount = 0;
    for (int j = 0; j < k; ++j)
        if (m_slots[j].visible)
            shown[shownCount++] = j;
    const bool keepCurves = !m_fullRefresh && ChartsHoldCurvesOf(shown, shownCount);
    const std::vector<CChartSerie*>* kept[3] = {};
    if (keepCurves) {
        const CChartCtrl* charts[] = {m_chartSample, m_chartBaseline, m_chartDiff};
        for (int c = 0; c < 3; ++c)
            if (charts[c])
                kept[c] = &charts[c]->Series();
    }
    const PageUpdate update(*this); // the slot reset below ticks boxes itself
    SuspendCharts(keepCurves);
    QTableWidget* const lists[] = {m_listSample, m_listBaseline, m_listDiff};
    const bool haveLists = m_listSample && m_listBaseline && m_listDiff;
    const bool quiet = !m_fullRefresh && !QAccessible::isActive();
    ChangedValues changed[] = {{m_listSample, 1, quiet}, {m_listBaseline, 1, quiet}, {m_listDiff, 1, quiet}};
    int curve = 0;
    for (int j = 0; j < k; ++j) {
        const bool visible = m_slots[j].visible;
        const FrozenView::Values slot = ShownValues(j);
        if (visible)
            AddSlotCurves(j, curve++, kept);
        if (haveLists) {
            if (m_fullRefresh || m_shownChannel[j] != slot.channel) {
                const QString name = QStringLiteral("TK%1").arg(slot.channel);
                if (CellText(m_listSample, j, 0) != name)
                    for (QTableWidget* list : lists)
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
        if (haveLists && !CellText(m_listSample, j, 0).isEmpty())
            for (QTableWidget* list : lists) {
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
        m_slots[j].visible = 1;
    }
    if (haveLists)
        for (const ChangedValues& c : changed)
            c.Repaint();
    ResumeCharts();
    std::copy(shown, shown + shownCount, m_curveSlots);
    m_curveSlotCount = shownCount;
    // Taken after the pass, which itself resets the slots out of use.
    m_liveShownFrom = CurrentLiveInputs();
    m_liveShown = true;
    // The values under a cursor may have changed with the curves.
    for (CChartCursor* cursor : m_cursor)
        if (cursor)
            cursor->Refresh();
    return true;
}

// ---- pause and read-out ------------------------------------------------------------------------

int DlgSub2::ShownKeyCount() const { return qMin<int>(m_frozen ? m_frozen->keyCount : m_keyCount, kSlotCount); }

DlgSub2::FrozenView::Values DlgSub2::ShownValues(int slot) const
{
    if (m_frozen)
        return m_frozen->slot[slot];
    const KeySlot& s = m_slots[slot];
    return {s.channel, s.sample, s.baseline, s.diff};
}

void DlgSub2::OnPauseToggle(bool on)
{
    if (on == IsPaused())
        return;
    if (on) {
        // What the page shows from now on: the data as it stands. Receiver and procedure go on
        // with the live data.
        auto frozen = std::make_unique<FrozenView>();
        frozen->history = m_history;
        frozen->keyCount = m_keyCount;
        frozen->framesDecoded = m_receiver.DecodedCount();
        for (int j = 0; j < kSlotCount; ++j)
            frozen->slot[j] = ShownValues(j);
        m_frozen = std::move(frozen);
    } else {
        m_frozen.reset();
    }
    RefreshLiveView();
}

std::vector<ChartReadoutLine> DlgSub2::ReadoutAt(int chart, double x) const
{
    std::vector<ChartReadoutLine> lines;
    if (chart < 0 || chart > 2 || !std::isfinite(x))
        return lines;
    const long index = std::lround(x);
    if (index < 0 || index >= kHistoryLength)
        return lines;
    const HistoryTables& h = ShownHistory();
    const HistoryTable& table = chart == 0 ? h.sample : chart == 1 ? h.baseline : h.diff;
    const int k = ShownKeyCount();
    for (int j = 0; j < k; ++j)
        if (m_slots[j].visible)
            lines.push_back({QStringLiteral("TK%1 %2").arg(ShownValues(j).channel).arg(qRound64(table[j][index])),
                             g_channelColours[j]});
    return lines;
}

// ---- detection procedure and results table -----------------------------------------------------

void DlgSub2::StepProcedure()
{
    m_procedure->StepProcedure();
}

void DlgSub2::RebuildResultRows()
{
    m_keyMaskChanged = 0;
    ::RebuildResultRows(*m_resultCells, Live());
}

namespace {

// The procedure's status line, progress bar, start controls and message box on this page.
class PageProcedureView : public ProcedureView {
public:
    PageProcedureView(QWidget* page, UiServices* services, ZCStatic* status, QProgressBar* progress,
                      std::initializer_list<QWidget*> startControls)
        : m_page(page), m_services(services), m_status(status), m_progress(progress), m_start(startControls)
    {
    }
    void ShowStatus(ColorRef colour, const QString& text) override
    {
        if (!m_status)
            return;
        m_status->SetTextColorRedraw(colour);
        m_status->setText(text);
    }
    void SetStartControlsEnabled(bool enabled) override
    {
        for (QWidget* w : m_start)
            if (w)
                w->setEnabled(enabled);
    }
    void SetProgressRange(int maximum) override
    {
        if (m_progress)
            m_progress->setRange(0, maximum);
    }
    void SetProgressPos(int pos) override
    {
        if (m_progress)
            m_progress->setValue(pos);
    }
    void StepProgress() override
    {
        // Held at the maximum once it is reached.
        if (m_progress && m_progress->value() < m_progress->maximum())
            m_progress->setValue(m_progress->value() + 1);
    }
    void ShowWarning(const QString& text) override { m_services->ShowWarning(m_page, text); }

private:
    QWidget* m_page;
    UiServices* m_services;
    ZCStatic* m_status;
    QProgressBar* m_progress;
    std::vector<QWidget*> m_start;
};

} // namespace

void DlgSub2::InitProcedure()
{
    m_resultCells = std::make_unique<ResultTableWidget>(m_listResult);
    m_procedureView = std::make_unique<PageProcedureView>(
        this, m_services, m_lblStatus, m_progress,
        std::initializer_list<QWidget*>{m_btnStart, m_btnNoKey, m_btnKeyPress, m_comboKey});
    m_procedure = std::make_unique<CDetectionProcedure>(Live(), *m_resultCells, *m_procedureView);
    if (m_listResult && m_editCell)
        m_cellEditor = std::make_unique<CResultCellEditor>(m_listResult, m_editCell, *m_resultCells,
                                                           [this] { EvaluateResults(); });

    if (m_btnStart)
        connect(m_btnStart, &QPushButton::clicked, this, &DlgSub2::OnStartDetection);
    if (m_btnNoKey)
        connect(m_btnNoKey, &QPushButton::clicked, this, &DlgSub2::OnNoKeyDetection);
    if (m_btnKeyPress)
        connect(m_btnKeyPress, &QPushButton::clicked, this, &DlgSub2::OnKeyPressDetection);
    if (m_btnAbort)
        connect(m_btnAbort, &QPushButton::clicked, this, &DlgSub2::OnAbortProcedure);
    if (m_btnHelp)
        connect(m_btnHelp, &QPushButton::clicked, this, &DlgSub2::OnHelp);
}

QString DlgSub2::HelpDocumentPath() { return HelpDocumentRelativePath(); }

// A procedure started runs on every tick, so each of these wakes the timer from a rest.
void DlgSub2::OnStartDetection()
{
    m_procedure->OnStartDetection();
    Wake();
}
void DlgSub2::OnNoKeyDetection()
{
    m_procedure->OnNoKeyDetection();
    Wake();
}
void DlgSub2::OnKeyPressDetection()
{
    m_procedure->OnKeyPressDetection(m_comboKey ? m_comboKey->currentIndex() : 0);
    Wake();
}
void DlgSub2::OnAbortProcedure()
{
    m_procedure->OnAbortProcedure();
    Wake();
}

void DlgSub2::OnHelp()
{
    // The manual under the current folder first, then beside the program and in the installed
    // documentation folder. Either way the page is left as it is.
    QStringList searched;
    const QString path = FindHelpDocument(&searched);
    if (path.isEmpty())
        m_services->ShowWarning(this, HelpNotFoundText(searched));
    else if (!m_services->OpenDocument(path))
        m_services->ShowWarning(this, HelpOpenFailedText(path));
}

void DlgSub2::OnResultDblClk(int row, int col)
{
    if (m_cellEditor)
        m_cellEditor->OnResultDblClk(row, col);
}

void DlgSub2::OnCellEditKillFocus()
{
    if (m_cellEditor)
        m_cellEditor->OnCellEditKillFocus();
}

void DlgSub2::EvaluateResults() { ::EvaluateResults(*m_resultCells, m_keyCount); }

ResultCells& DlgSub2::Results() { return *m_resultCells; }

// ---- recording of the link ---------------------------------------------------------------------

const char DlgSub2::kRecordFolderKey[] = "recording/folder";

namespace {

// The program's settings: an ini file in the user's configuration folder.
std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Morvek"),
                                       QStringLiteral("Morvek"));
}

} // namespace

QString DlgSub2::RecordFolder() { return UserSettings()->value(QLatin1String(kRecordFolderKey)).toString(); }

void DlgSub2::InitRecording()
{
    m_checkRecord = controlAs<QCheckBox>(kIdRecord);
    m_checkPause = controlAs<QCheckBox>(kIdPause);
    if (m_checkPause) {
        ConnectCheck(m_checkPause, [this](bool on) { OnPauseToggle(on); });
        m_checkPause->setToolTip(QStringLiteral("冻结曲线图和数据表（仍然接收、录制和检测）"));
        m_checkPause->setAccessibleDescription(m_checkPause->toolTip());
    }
    // The message waits until the event that found the failure has been handled.
    connect(m_recording.get(), &CLinkRecordingSession::Failed, this, &DlgSub2::OnRecordingFailed, Qt::QueuedConnection);
    if (m_checkRecord) {
        ConnectCheck(m_checkRecord, [this](bool on) { OnRecordToggle(on); });
        // The folder is changed from the box's context menu (right click, or Shift+F10 / the
        // menu key while it has the focus).
        m_checkRecord->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_checkRecord, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
            QMenu menu(m_checkRecord);
            menu.addAction(QStringLiteral("更改录制文件夹..."), this, [this] { OnChooseRecordFolder(); });
            menu.exec(m_checkRecord->mapToGlobal(at));
        });
        UpdateRecordTip();
    }
}

bool DlgSub2::OnChooseRecordFolder()
{
    const QString current = RecordFolder();
    const QString folder = m_services->PickFolder(this, QStringLiteral("选择存放录制文件的文件夹"),
                                                  current.isEmpty() ? QDir::homePath() : current);
    if (folder.isEmpty())
        return false;
    const std::unique_ptr<QSettings> settings = UserSettings();
    settings->setValue(QLatin1String(kRecordFolderKey), folder);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        m_services->ShowWarning(this, QStringLiteral("无法保存设置，下次启动时需要重新选择录制文件夹：\n%1")
                                          .arg(QDir::toNativeSeparators(settings->fileName())));
    UpdateRecordTip();
    return true;
}

void DlgSub2::OnRecordToggle(bool on)
{
    if (!on) {
        m_recordArmed = false;
        StopRecordingFile();
        UpdateRecordTip();
        UpdateArrivals();
        return;
    }
    if (m_recordArmed)
        return;
    // The folder is asked for once and remembered; again only when it has gone.
    const QString folder = RecordFolder();
    if ((folder.isEmpty() || !QFileInfo(folder).isDir()) && !OnChooseRecordFolder()) {
        SetRecordBox(false);
        return;
    }
    m_recordArmed = true;
    UpdateArrivals(); // bytes that arrived before the recording starts are not part of it
    if (m_comm->GetPortOpen())
        StartRecordingFile();
    UpdateRecordTip();
    UpdateArrivals(); // a file that could not start has disarmed the recording again
}

void DlgSub2::StartRecordingFile()
{
    const int n = m_comm->GetCommPort();
    QString error;
    if (!m_recording->Start(RecordFolder(), n, ComPortLocation(n), &error)) {
        m_recordArmed = false;
        SetRecordBox(false);
        UpdateRecordTip();
        m_services->ShowWarning(this, error);
    }
}

void DlgSub2::StopRecordingFile()
{
    QString error;
    if (!m_recording->Stop(&error))
        m_services->ShowWarning(this, error);
    UpdateRecordTip();
}

void DlgSub2::OnRecordingFailed(const QString& message)
{
    // The session has already closed its file; the live view, the procedure and the lists go on.
    m_recordArmed = false;
    SetRecordBox(false);
    UpdateRecordTip();
    UpdateArrivals();
    m_services->ShowWarning(this, message);
}

void DlgSub2::SetRecordBox(bool on)
{
    const PageUpdate update(*this);
    if (m_checkRecord)
        m_checkRecord->setChecked(on);
}

void DlgSub2::UpdateRecordTip()
{
    if (!m_checkRecord)
        return;
    const QString folder = RecordFolder();
    QString tip;
    if (m_recording->IsRecording())
        tip = QStringLiteral("正在录制：%1").arg(QDir::toNativeSeparators(m_recording->FilePath()));
    else if (m_recordArmed)
        tip = QStringLiteral("打开串口后开始录制，文件夹：%1").arg(QDir::toNativeSeparators(folder));
    else if (!folder.isEmpty())
        tip = QStringLiteral("把串口收到的数据录制到文件夹：%1（右键可更改）").arg(QDir::toNativeSeparators(folder));
    else
        tip = QStringLiteral("把串口收到的数据录制到文件（第一次使用时选择文件夹）");
    m_checkRecord->setToolTip(tip);
    m_checkRecord->setAccessibleDescription(tip);
}
