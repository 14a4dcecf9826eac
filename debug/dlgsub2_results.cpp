// The debug page's results going out: the suggested thresholds to the parameter page, the table
// to the clipboard and to a CSV file, and the pass / fail shading of the ratio column.

#include "debug/dlgsub2.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableWidget>

#include "app/file_replacer.h"
#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "debug/procedure.h"
#include "debug/result_export.h"
#include "debug/result_table.h"
#include "debug/snr_verdict.h"
#include "debug/threshold_apply.h"

namespace {

enum : int {
    kIdApplyThresholds = 1055,
    kIdExportResults = 1056,
};

} // namespace

void DlgSub2::InitResultsOut()
{
    m_btnApplyThresholds = controlAs<QPushButton>(kIdApplyThresholds);
    m_btnExportResults = controlAs<QPushButton>(kIdExportResults);
    if (m_btnApplyThresholds)
        connect(m_btnApplyThresholds, &QPushButton::clicked, this, &DlgSub2::OnApplyThresholds);
    if (m_btnExportResults)
        connect(m_btnExportResults, &QPushButton::clicked, this, &DlgSub2::OnExportResults);

    m_actCopy = new QAction(QStringLiteral("复制"), this);
    m_actCopy->setShortcut(QKeySequence::Copy);
    m_actCopy->setShortcutContext(Qt::WidgetShortcut); // the table's own; the cell editor keeps its Ctrl+C
    connect(m_actCopy, &QAction::triggered, this, &DlgSub2::OnCopyResults);
    m_actExport = new QAction(QStringLiteral("导出结果…"), this);
    connect(m_actExport, &QAction::triggered, this, &DlgSub2::OnExportResults);
    m_actApplyThresholds = new QAction(QStringLiteral("应用阈值到参数页"), this);
    connect(m_actApplyThresholds, &QAction::triggered, this, &DlgSub2::OnApplyThresholds);

    if (m_listResult) {
        // Several rows can be chosen for copying (Shift and Ctrl with a click or the arrows).
        m_listResult->setSelectionMode(QAbstractItemView::ExtendedSelection);
        m_listResult->setContextMenuPolicy(Qt::ActionsContextMenu);
        m_listResult->addActions({m_actCopy, m_actExport, m_actApplyThresholds});
        m_snrVerdict = new CSnrVerdictMarker(m_listResult);
        connect(m_listResult, &QTableWidget::itemChanged, this, &DlgSub2::UpdateResultActions);
    }
    UpdateResultActions();
}

void DlgSub2::SetThresholdTarget(ThresholdTarget* target)
{
    m_thresholdTarget = target;
    UpdateResultActions();
}

void DlgSub2::UpdateResultActions()
{
    const bool apply = m_thresholdTarget && m_resultCells && HasSuggestedThreshold(*m_resultCells);
    if (m_btnApplyThresholds && m_btnApplyThresholds->isEnabled() != apply)
        m_btnApplyThresholds->setEnabled(apply);
    if (m_actApplyThresholds)
        m_actApplyThresholds->setEnabled(apply);
}

void DlgSub2::OnApplyThresholds()
{
    UpdateResultActions();
    if (!m_thresholdTarget || !m_resultCells || !HasSuggestedThreshold(*m_resultCells))
        return;
    ThresholdReview review = ReviewThresholds(*m_resultCells, *m_thresholdTarget);
    review.tickKeys = true;
    if (!m_services->ConfirmThresholds(this, review) || review.changes.empty())
        return;
    // What the user saw and confirmed is applied, even if a tick changed the table meanwhile.
    m_thresholdTarget->ApplyThresholds(review.changes, review.tickKeys);
}

QList<int> DlgSub2::ChosenResultRows() const
{
    QList<int> rows;
    if (m_listResult && m_listResult->selectionModel()) {
        for (const QModelIndex& index : m_listResult->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
    }
    return rows.isEmpty() ? RowsWithContent(*m_resultCells) : rows;
}

QString DlgSub2::KeySetText() const
{
    QStringList keys;
    const int k = qMin<int>(m_keyCount, kSlotCount);
    for (int j = 0; j < k; ++j)
        keys << QStringLiteral("TK%1").arg(m_slots[j].channel);
    return keys.join(QLatin1Char(' '));
}

void DlgSub2::OnCopyResults()
{
    if (!m_resultCells)
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(ResultsAsTsv(*m_resultCells, ChosenResultRows()));
}

void DlgSub2::OnExportResults()
{
    if (!m_resultCells)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QString path = m_services->PickSaveFile(this, QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)"),
                                                  SuggestedResultFileName(now));
    if (path.isEmpty())
        return;
    const ResultExportInfo info{now, m_resultsPort, KeySetText()};
    QString reason;
    const QByteArray csv = ResultsAsCsv(*m_resultCells, RowsWithContent(*m_resultCells), info);
    if (!SaveResultsFile(path, csv, DefaultFileReplacer(), &reason)) {
        m_services->ShowWarning(this, QStringLiteral("导出结果失败：") + path + QLatin1Char('\n') + reason);
        return;
    }
    if (m_lblStatus) {
        m_lblStatus->SetTextColorRedraw(kStatusDarkGreen);
        m_lblStatus->setText(QStringLiteral("结果已导出：") + QFileInfo(path).fileName());
    }
}
