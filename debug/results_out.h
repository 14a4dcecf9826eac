#pragma once
// The debug page's results going out: the suggested thresholds to the parameter page
// ("应用阈值到参数页", 1055), the table to the clipboard (Ctrl+C, "复制") and to a CSV file
// ("导出结果…", 1056), all also in the results table's context menu, and the pass / fail shading
// of the ratio column.
//
// Owns: these buttons' and actions' handlers, the shading, the link to the parameter page.
// Does not touch: the table's figures (it only reads them), the live data, the link.

#include <QList>
#include <QString>

class CSnrVerdictMarker;
class DebugSession;
class DialogPage;
class QAction;
class QPushButton;
class QTableWidget;
class ResultCells;
class ThresholdTarget;
class UiServices;
class ZCStatic;

class ResultsOut {
public:
    ResultsOut(DialogPage& page, UiServices& services, ResultCells& cells, const DebugSession& session);

    // The parameter page as seen from here. Without one, "应用阈值到参数页" stays disabled.
    void SetThresholdTarget(ThresholdTarget* target);

    void OnApplyThresholds();
    void OnExportResults();
    void OnCopyResults();
    // Enables "应用阈值到参数页" while a row holds a number in column 10, and "导出结果…" while
    // the table holds a measured value.
    void UpdateActions();

    QAction* CopyAction() const { return m_actCopy; }
    QAction* ExportAction() const { return m_actExport; }
    QAction* ApplyThresholdsAction() const { return m_actApplyThresholds; }

private:
    // Rows the user chose in the table, in table order; all rows with content when none is chosen.
    QList<int> ChosenRows() const;
    // The key set of the last valid frame, e.g. "TK0 TK2 TK5".
    QString KeySetText() const;

    DialogPage& m_page;
    UiServices& m_services;
    ResultCells& m_cells;
    const DebugSession& m_session;
    ThresholdTarget* m_thresholdTarget = nullptr;

    QTableWidget* m_list = nullptr;              // 1030
    ZCStatic* m_status = nullptr;                // 1053
    QPushButton* m_btnApplyThresholds = nullptr; // 1055
    QPushButton* m_btnExportResults = nullptr;   // 1056
    QAction* m_actCopy = nullptr;
    QAction* m_actExport = nullptr;
    QAction* m_actApplyThresholds = nullptr;
    CSnrVerdictMarker* m_snrVerdict = nullptr;
};
