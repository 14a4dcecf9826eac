#include "debug/results_out.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "app/dialog_page.h"
#include "app/file_replacer.h"
#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "debug/debug_session.h"
#include "debug/procedure.h"
#include "debug/result_export.h"
#include "debug/result_table.h"
#include "debug/snr_verdict.h"
#include "debug/threshold_apply.h"

namespace {

enum : int {
    kIdResultList = 1030,
    kIdStatus = 1053,
    kIdApplyThresholds = 1055,
    kIdExportResults = 1056,
};

} // namespace

ResultsOut::ResultsOut(DialogPage& page, UiServices& services, ResultCells& cells, const DebugSession& session)
    : m_page(page), m_services(services), m_cells(cells), m_session(session)
{
    m_list = page.controlAs<QTableWidget>(kIdResultList);
    m_status = page.controlAs<ZCStatic>(kIdStatus);
    m_btnApplyThresholds = page.controlAs<QPushButton>(kIdApplyThresholds);
    m_btnExportResults = page.controlAs<QPushButton>(kIdExportResults);
    if (m_btnApplyThresholds)
        QObject::connect(m_btnApplyThresholds, &QPushButton::clicked, &page, [this] { OnApplyThresholds(); });
    if (m_btnExportResults)
        QObject::connect(m_btnExportResults, &QPushButton::clicked, &page, [this] { OnExportResults(); });

    m_actCopy = new QAction(QStringLiteral("复制"), &page);
    m_actCopy->setShortcut(QKeySequence::Copy);
    m_actCopy->setShortcutContext(Qt::WidgetShortcut); // the table's own; the cell editor keeps its Ctrl+C
    QObject::connect(m_actCopy, &QAction::triggered, &page, [this] { OnCopyResults(); });
    m_actExport = new QAction(QStringLiteral("导出结果…"), &page);
    QObject::connect(m_actExport, &QAction::triggered, &page, [this] { OnExportResults(); });
    m_actApplyThresholds = new QAction(QStringLiteral("应用阈值到参数页"), &page);
    QObject::connect(m_actApplyThresholds, &QAction::triggered, &page, [this] { OnApplyThresholds(); });

    if (m_list) {
        // Several rows can be chosen for copying (Shift and Ctrl with a click or the arrows).
        m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
        m_list->addActions({m_actCopy, m_actExport, m_actApplyThresholds});
        m_snrVerdict = new CSnrVerdictMarker(m_list);
        QObject::connect(m_list, &QTableWidget::itemChanged, &page, [this] { UpdateActions(); });
    }
    UpdateActions();
}

void ResultsOut::SetThresholdTarget(ThresholdTarget* target)
{
    m_thresholdTarget = target;
    UpdateActions();
}

void ResultsOut::UpdateActions()
{
    const bool apply = m_thresholdTarget && HasSuggestedThreshold(m_cells);
    if (m_btnApplyThresholds && m_btnApplyThresholds->isEnabled() != apply)
        m_btnApplyThresholds->setEnabled(apply);
    if (m_actApplyThresholds)
        m_actApplyThresholds->setEnabled(apply);
    const bool exportable = HasMeasuredValue(m_cells);
    if (m_btnExportResults && m_btnExportResults->isEnabled() != exportable)
        m_btnExportResults->setEnabled(exportable);
    if (m_actExport)
        m_actExport->setEnabled(exportable);
}

void ResultsOut::OnApplyThresholds()
{
    UpdateActions();
    if (!m_thresholdTarget || !HasSuggestedThreshold(m_cells))
        return;
    ThresholdReview review = ReviewThresholds(m_cells, *m_thresholdTarget);
    review.tickKeys = true;
    if (!m_services.ConfirmThresholds(&m_page, review) || review.changes.empty())
        return;
    // What the user saw and confirmed is applied, even if a tick changed the table meanwhile.
    m_thresholdTarget->ApplyThresholds(review.changes, review.tickKeys);
}

QList<int> ResultsOut::ChosenRows() const
{
    QList<int> rows;
    if (m_list && m_list->selectionModel()) {
        for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
    }
    return rows.isEmpty() ? RowsWithContent(m_cells) : rows;
}

QString ResultsOut::KeySetText() const
{
    const LiveState& live = m_session.Live().State();
    QStringList keys;
    const int k = qMin<int>(live.m_keyCount, kSlotCount);
    for (int j = 0; j < k; ++j)
        keys << QStringLiteral("TK%1").arg(live.m_slots[j].channel);
    return keys.join(QLatin1Char(' '));
}

void ResultsOut::OnCopyResults()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(ResultsAsTsv(m_cells, ChosenRows()));
}

void ResultsOut::OnExportResults()
{
    UpdateActions();
    if (!HasMeasuredValue(m_cells))
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QString path = m_services.PickSaveFile(&m_page, QStringLiteral("导出结果"),
                                                 QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)"),
                                                 SuggestedResultFileName(now));
    if (path.isEmpty())
        return;
    const ResultExportInfo info{now, m_session.LastOpenedPort(), KeySetText()};
    QString reason;
    const QByteArray csv = ResultsAsCsv(m_cells, RowsWithContent(m_cells), info);
    if (!SaveResultsFile(path, csv, DefaultFileReplacer(), &reason)) {
        m_services.ShowWarning(&m_page, QStringLiteral("导出结果失败：") + path + QLatin1Char('\n') + reason);
        return;
    }
    if (m_status) {
        m_status->SetTextColorRedraw(kStatusDarkGreen);
        m_status->setText(QStringLiteral("结果已导出：") + QFileInfo(path).fileName());
    }
}
