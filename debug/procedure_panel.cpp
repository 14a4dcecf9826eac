#include "debug/procedure_panel.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <vector>

#include "app/dialog_page.h"
#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "debug/cell_editor.h"
#include "debug/debug_session.h"
#include "debug/evaluation.h"
#include "debug/help_manual.h"
#include "debug/procedure.h"
#include "debug/result_table.h"

namespace {

enum : int {
    kIdStart = 1025,
    kIdNoKey = 1026,
    kIdKeyPress = 1028,
    kIdKeyChoice = 1029,
    kIdResultList = 1030,
    kIdCellEdit = 1031,
    kIdProgress = 1051,
    kIdAbort = 1052,
    kIdStatus = 1053,
    kIdHelp = 1054,
};

// The procedure's status line, progress bar, start controls and message box on the page.
class PageProcedureView : public ProcedureView {
public:
    PageProcedureView(QWidget* page, UiServices& services, ZCStatic* status, QProgressBar* progress,
                      std::initializer_list<QWidget*> startControls, const bool& linkOpen)
        : m_page(page), m_services(services), m_status(status), m_progress(progress), m_start(startControls),
          m_linkOpen(linkOpen)
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
        // An abort while the port is lost ends the procedure, but nothing can start before the
        // port is open again.
        for (QWidget* w : m_start)
            if (w)
                w->setEnabled(enabled && m_linkOpen);
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
    void ShowWarning(const QString& text) override { m_services.ShowWarning(m_page, text); }

private:
    QWidget* m_page;
    UiServices& m_services;
    ZCStatic* m_status;
    QProgressBar* m_progress;
    std::vector<QWidget*> m_start;
    const bool& m_linkOpen;
};

} // namespace

ProcedurePanel::ProcedurePanel(DialogPage& page, UiServices& services, DebugSession& session)
    : m_page(page), m_services(services), m_session(session)
{
    m_btnStart = page.controlAs<QPushButton>(kIdStart);
    m_btnNoKey = page.controlAs<QPushButton>(kIdNoKey);
    m_btnKeyPress = page.controlAs<QPushButton>(kIdKeyPress);
    m_comboKey = page.controlAs<QComboBox>(kIdKeyChoice);
    m_btnAbort = page.controlAs<QPushButton>(kIdAbort);
    m_lblStatus = page.controlAs<ZCStatic>(kIdStatus);
    m_progress = page.controlAs<QProgressBar>(kIdProgress);
    m_listResult = page.controlAs<QTableWidget>(kIdResultList);
    m_editCell = page.controlAs<QLineEdit>(kIdCellEdit);
    m_btnHelp = page.controlAs<QPushButton>(kIdHelp);

    if (m_editCell)
        m_editCell->hide();
    if (m_listResult) {
        m_listResult->setShowGrid(true);
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

    m_cells = std::make_unique<ResultTableWidget>(m_listResult);
    m_view = std::make_unique<PageProcedureView>(
        &page, services, m_lblStatus, m_progress,
        std::initializer_list<QWidget*>{m_btnStart, m_btnNoKey, m_btnKeyPress, m_comboKey}, m_linkOpen);
    if (m_listResult && m_editCell)
        m_cellEditor = std::make_unique<CResultCellEditor>(m_listResult, m_editCell, *m_cells,
                                                           [this] { EvaluateResults(); });

    if (m_btnStart)
        QObject::connect(m_btnStart, &QPushButton::clicked, &session, &DebugSession::StartDetection);
    if (m_btnNoKey)
        QObject::connect(m_btnNoKey, &QPushButton::clicked, &session, &DebugSession::NoKeyDetection);
    if (m_btnKeyPress)
        QObject::connect(m_btnKeyPress, &QPushButton::clicked, &session,
                         [this] { m_session.KeyPressDetection(ChosenKey()); });
    if (m_btnAbort)
        QObject::connect(m_btnAbort, &QPushButton::clicked, &session, &DebugSession::AbortProcedure);
    if (m_btnHelp)
        QObject::connect(m_btnHelp, &QPushButton::clicked, &page, [this] { OnHelp(); });
}

ProcedurePanel::~ProcedurePanel() = default;

ResultCells& ProcedurePanel::Cells() { return *m_cells; }

QString ProcedurePanel::PortLostText() { return QStringLiteral("[串口已断开] 检测已暂停"); }

void ProcedurePanel::OnLinkChanged(DebugSession::LinkState state)
{
    m_linkOpen = state == DebugSession::LinkState::Open;
    for (QWidget* w : {static_cast<QWidget*>(m_btnStart), static_cast<QWidget*>(m_btnNoKey),
                       static_cast<QWidget*>(m_btnKeyPress), static_cast<QWidget*>(m_comboKey)})
        if (w)
            w->setEnabled(m_linkOpen);
    if (m_btnAbort)
        m_btnAbort->setEnabled(state != DebugSession::LinkState::Closed);

    const CDetectionProcedure* procedure = m_session.Procedure();
    const CDetectionProcedure::Phase phase = procedure ? procedure->CurrentPhase() : CDetectionProcedure::Phase::None;
    if (!m_lblStatus || phase == CDetectionProcedure::Phase::None)
        return;
    if (state == DebugSession::LinkState::Lost) {
        m_view->ShowStatus(kStatusRed, PortLostText());
    } else if (m_linkOpen && m_lblStatus->text() == PortLostText()) {
        // Back: the status line tells the countdown again at once.
        m_view->ShowStatus(kStatusRed, procedure->CurrentCountdownText());
    }
}

int ProcedurePanel::ChosenKey() const { return m_comboKey ? m_comboKey->currentIndex() : 0; }

void ProcedurePanel::OnHelp()
{
    // The manual under the current folder first, then beside the program and in the installed
    // documentation folder. Either way the page is left as it is.
    QStringList searched;
    const QString path = FindHelpDocument(&searched);
    if (path.isEmpty()) {
        m_services.ShowWarning(&m_page, HelpNotFoundText(searched));
        return;
    }
    // A viewer that does not start, or gives up once started, ends in the box that says so.
    const QPointer<QWidget> page(&m_page);
    if (!m_services.OpenDocument(path, [this, page, path] {
            if (page)
                OnManualNotShown(path);
        }))
        OnManualNotShown(path);
}

void ProcedurePanel::OnManualNotShown(const QString& path)
{
    const QFileInfo file(path);
    const QString absolute = QDir::toNativeSeparators(file.absoluteFilePath());
    const QString folder = file.absolutePath();
    auto copyPath = [absolute] {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(absolute);
    };
    const int choice = m_services.AskWarning(
        &m_page, HelpOpenFailedText(absolute),
        {QStringLiteral("打开所在文件夹"), QStringLiteral("复制路径"), QStringLiteral("关闭")});
    if (choice == 1) {
        copyPath();
    } else if (choice == 0) {
        // Without a program for folders either, the path is what is left to give.
        const QPointer<QWidget> page(&m_page);
        auto folderFailed = [this, page, folder, copyPath] {
            copyPath();
            if (page)
                m_services.ShowWarning(&m_page, HelpFolderFailedText(folder));
        };
        if (!m_services.OpenDocument(folder, folderFailed))
            folderFailed();
    }
}

void ProcedurePanel::OnResultDblClk(int row, int col)
{
    if (m_cellEditor)
        m_cellEditor->OnResultDblClk(row, col);
}

void ProcedurePanel::OnCellEditKillFocus()
{
    if (m_cellEditor)
        m_cellEditor->OnCellEditKillFocus();
}

void ProcedurePanel::EvaluateResults() { ::EvaluateResults(*m_cells, m_session.Live().State().m_keyCount); }
