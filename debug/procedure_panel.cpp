#include "debug/procedure_panel.h"

#include <QComboBox>
#include <QLineEdit>
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
    void ShowWarning(const QString& text) override { m_services.ShowWarning(m_page, text); }

private:
    QWidget* m_page;
    UiServices& m_services;
    ZCStatic* m_status;
    QProgressBar* m_progress;
    std::vector<QWidget*> m_start;
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

    m_cells = std::make_unique<ResultTableWidget>(m_listResult);
    m_view = std::make_unique<PageProcedureView>(
        &page, services, m_lblStatus, m_progress,
        std::initializer_list<QWidget*>{m_btnStart, m_btnNoKey, m_btnKeyPress, m_comboKey});
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

void ProcedurePanel::SetLinkControlsEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(m_btnStart), static_cast<QWidget*>(m_btnNoKey),
                       static_cast<QWidget*>(m_btnKeyPress), static_cast<QWidget*>(m_comboKey),
                       static_cast<QWidget*>(m_btnAbort)})
        if (w)
            w->setEnabled(enabled);
}

int ProcedurePanel::ChosenKey() const { return m_comboKey ? m_comboKey->currentIndex() : 0; }

void ProcedurePanel::OnHelp()
{
    // The manual under the current folder first, then beside the program and in the installed
    // documentation folder. Either way the page is left as it is.
    QStringList searched;
    const QString path = FindHelpDocument(&searched);
    if (path.isEmpty())
        m_services.ShowWarning(&m_page, HelpNotFoundText(searched));
    else if (!m_services.OpenDocument(path))
        m_services.ShowWarning(&m_page, HelpOpenFailedText(path));
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
