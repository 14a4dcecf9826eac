#include "debug/dlgsub2.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "chart/chart_ctrl.h"
#include "chart/chart_cursor.h"
#include "debug/help_manual.h"
#include "debug/mscomm.h"
#include "debug/live_view.h"
#include "debug/procedure_panel.h"
#include "debug/recording_box.h"
#include "debug/results_out.h"
#include "debug/spin_arrows.h"

namespace {

enum : int {
    kIdPortButton = 1024,
    kIdResultList = 1030,
    kIdPause = 1058,
    kIdHealth = 1119,
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

} // namespace

DlgSub2::DlgSub2(QWidget* parent, UiServices* services)
    : DialogPage(DialogTemplate::Load(QStringLiteral(":/layouts/dlg130.txt")), parent, CreatePageControl),
      m_services(services ? services : &DefaultUiServices())
{
    m_session = std::make_unique<DebugSession>();
    connect(m_session.get(), &DebugSession::LinkChanged, this, &DlgSub2::OnLinkChanged);
    connect(m_session.get(), &DebugSession::Warning, this,
            [this](const QString& text) { m_services->ShowWarning(this, text); });

    m_btnPort = controlAs<QPushButton>(kIdPortButton);
    if (m_btnPort)
        connect(m_btnPort, &QPushButton::clicked, this, &DlgSub2::OnPortButton);
    m_lblHealth = controlAs<ZCStatic>(kIdHealth);
    if (m_lblHealth) {
        // Shown while there is a link to tell of: no empty band under the buttons before.
        m_lblHealth->hide();
        m_lblHealth->setToolTip(QStringLiteral("每秒收到的完整数据帧，以及打开串口以来不属于任何数据帧而被跳过的字节"));
        connect(m_session.get(), &DebugSession::HealthChanged, this, &DlgSub2::OnHealthChanged);
    }

    m_panel = std::make_unique<ProcedurePanel>(*this, *m_services, *m_session);
    m_session->AttachProcedure(m_panel->Cells(), m_panel->View());

    m_view = std::make_unique<LiveView>(*this, m_session->Live(), m_panel->Cells());
    connect(m_view.get(), &LiveView::ShownSlotsChanged, m_session.get(), &DebugSession::Wake);
    m_session->SetRefresh([this] { return m_view->Refresh(); });
    if (auto* results = controlAs<QTableWidget>(kIdResultList))
        connect(results, &QTableWidget::itemChanged, this, [this] { m_view->ResultsChanged(); });

    m_resultsOut = std::make_unique<ResultsOut>(*this, *m_services, m_panel->Cells(), *m_session);

    m_checkPause = controlAs<QCheckBox>(kIdPause);
    if (m_checkPause) {
        ConnectCheck(m_checkPause, [this](bool on) { OnPauseToggle(on); });
        m_checkPause->setToolTip(QStringLiteral("冻结曲线图和数据表（仍然接收、录制和检测）"));
        m_checkPause->setAccessibleDescription(m_checkPause->toolTip());
    }
    m_recordingBox = std::make_unique<RecordingBox>(*this, *m_services, *m_session);
    m_panel->OnLinkChanged(DebugSession::LinkState::Closed);
}

DlgSub2::~DlgSub2()
{
    // The session goes first: its timers stop and its serial control closes before any part it
    // reaches is destroyed.
    m_session.reset();
}

void DlgSub2::OnLinkChanged(DebugSession::LinkState state, int port)
{
    QString caption;
    switch (state) {
    case DebugSession::LinkState::Open: caption = QStringLiteral("串口%1已打开").arg(port); break;
    case DebugSession::LinkState::Lost: caption = QStringLiteral("串口%1已断开").arg(port); break;
    case DebugSession::LinkState::Closed: caption = QStringLiteral("串口已关闭"); break;
    }
    if (m_btnPort) {
        m_btnPort->setText(caption);
        m_btnPort->setAccessibleName(caption);
    }
    m_panel->OnLinkChanged(state);
    if (state == DebugSession::LinkState::Closed && m_lblHealth) {
        m_lblHealth->setText(QString());
        m_lblHealth->hide();
    }
}

void DlgSub2::OnHealthChanged(int framesPerSecond, quint64 bytesSkipped)
{
    if (!m_lblHealth || m_session->State() == DebugSession::LinkState::Closed)
        return;
    m_lblHealth->setText(QStringLiteral("接收 %1 帧/秒，跳过 %2 字节").arg(framesPerSecond).arg(bytesSkipped));
    m_lblHealth->show();
}

// ---- the link ------------------------------------------------------------------------------------

void DlgSub2::SetSerialDevice(std::unique_ptr<ISerialDevice> device) { m_session->SetSerialDevice(std::move(device)); }
void DlgSub2::SetPortFinder(std::function<int()> finder) { m_session->SetPortFinder(std::move(finder)); }
void DlgSub2::SetPortProbe(std::function<bool(int)> probe) { m_session->SetPortProbe(std::move(probe)); }
void DlgSub2::OnPortButton() { m_session->ToggleLink(); }
void DlgSub2::OnTimerTick() { m_session->OnTimerTick(); }
void DlgSub2::OnReconnectTick() { m_session->OnReconnectTick(); }

// ---- the live view -------------------------------------------------------------------------------

CChartCtrl* DlgSub2::ChartSample() const { return m_view->Chart(0); }
CChartCtrl* DlgSub2::ChartBaseline() const { return m_view->Chart(1); }
CChartCtrl* DlgSub2::ChartDiff() const { return m_view->Chart(2); }
void DlgSub2::OnChannelCheck(int slot) { m_view->OnChannelCheck(slot); }
void DlgSub2::OnSpinDelta(int spinId, int delta) { m_view->OnSpinDelta(spinId, delta); }
bool DlgSub2::RefreshLiveView() { return m_view->Refresh(); }
void DlgSub2::SetFullRefresh(bool full) { m_view->SetFullRefresh(full); }
std::vector<ChartReadoutLine> DlgSub2::ReadoutAt(int chart, double x) const { return m_view->ReadoutAt(chart, x); }
CChartCursor* DlgSub2::CursorOf(int chart) const { return m_view->Cursor(chart); }

void DlgSub2::OnPauseToggle(bool on)
{
    if (on == IsPaused())
        return;
    m_session->Live().SetPaused(on);
    m_view->Refresh();
}

// ---- recording -----------------------------------------------------------------------------------

void DlgSub2::OnRecordToggle(bool on) { m_recordingBox->OnToggle(on); }
bool DlgSub2::OnChooseRecordFolder() { return m_recordingBox->ChooseFolder(); }

// ---- detection procedure and results table -------------------------------------------------------

QString DlgSub2::HelpDocumentPath() { return HelpDocumentRelativePath(); }
void DlgSub2::OnStartDetection() { m_session->StartDetection(); }
void DlgSub2::OnNoKeyDetection() { m_session->NoKeyDetection(); }
void DlgSub2::OnKeyPressDetection() { m_session->KeyPressDetection(m_panel->ChosenKey()); }
void DlgSub2::OnAbortProcedure() { m_session->AbortProcedure(); }
void DlgSub2::OnHelp() { m_panel->OnHelp(); }
void DlgSub2::OnResultDblClk(int row, int col) { m_panel->OnResultDblClk(row, col); }
void DlgSub2::OnCellEditKillFocus() { m_panel->OnCellEditKillFocus(); }
void DlgSub2::EvaluateResults() { m_panel->EvaluateResults(); }
ResultCells& DlgSub2::Results() { return m_panel->Cells(); }
CResultCellEditor& DlgSub2::CellEditor() { return m_panel->CellEditor(); }

// ---- results out ---------------------------------------------------------------------------------

void DlgSub2::SetThresholdTarget(ThresholdTarget* target)
{
    m_resultsOut->SetThresholdTarget(target);
    m_view->SetThresholdTarget(target);
}
void DlgSub2::OnApplyThresholds() { m_resultsOut->OnApplyThresholds(); }
void DlgSub2::OnExportResults() { m_resultsOut->OnExportResults(); }
void DlgSub2::OnCopyResults() { m_resultsOut->OnCopyResults(); }
void DlgSub2::UpdateResultActions() { m_resultsOut->UpdateActions(); }
QAction* DlgSub2::CopyAction() const { return m_resultsOut->CopyAction(); }
QAction* DlgSub2::ExportAction() const { return m_resultsOut->ExportAction(); }
QAction* DlgSub2::ApplyThresholdsAction() const { return m_resultsOut->ApplyThresholdsAction(); }
