#pragma once
// The debug page's controls of the detection procedure: "开始检测", "无键值检测", the key choice
// and "单键按下检测", "终止操作", the status line, the progress bar, the results table with its
// in-place editor, and "帮助".
//
// Owns: the results table's cell access, the procedure's view on these controls, the cell editor.
// Does not touch: the procedure's state (the session runs the procedure; the buttons go to it),
// the live view, the serial link.

#include <memory>

#include "debug/debug_session.h"

class CResultCellEditor;
class DialogPage;
class ProcedureView;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class ResultCells;
class ResultTableWidget;
class UiServices;
class ZCStatic;

class ProcedurePanel {
public:
    // Binds the page's controls and connects the buttons to the session's procedure.
    ProcedurePanel(DialogPage& page, UiServices& services, DebugSession& session);
    ~ProcedurePanel();

    ResultCells& Cells();
    ProcedureView& View() { return *m_view; }
    CResultCellEditor& CellEditor() { return *m_cellEditor; }

    // The link changed state. The start controls are enabled while it is open; "终止操作" also
    // while a lost port is awaited, so that a detection standing still can be given up. A
    // detection that stands still because the port was lost says so in the status line until
    // the port is back.
    void OnLinkChanged(DebugSession::LinkState state);
    // The status line's text while a detection waits for its lost port.
    static QString PortLostText();
    // The TK number chosen in the key list.
    int ChosenKey() const;

    void OnHelp();                         // 1054
    void OnResultDblClk(int row, int col); // double-click on list 1030
    void OnCellEditKillFocus();            // edit box 1031 lost the focus
    // Runs the evaluation pass over the results table.
    void EvaluateResults();

private:
    // The manual at path was found but no viewer showed it: the box that says so offers its
    // folder and its path instead.
    void OnManualNotShown(const QString& path);

    DialogPage& m_page;
    UiServices& m_services;
    DebugSession& m_session;

    QPushButton* m_btnStart = nullptr;    // 1025 "开始检测"
    QPushButton* m_btnNoKey = nullptr;    // 1026 "无键值检测"
    QPushButton* m_btnKeyPress = nullptr; // 1028 "单键按下检测"
    QComboBox* m_comboKey = nullptr;      // 1029 key choice, index = TK number
    QPushButton* m_btnAbort = nullptr;    // 1052 "终止操作"
    ZCStatic* m_lblStatus = nullptr;      // 1053 status line
    QProgressBar* m_progress = nullptr;   // 1051
    QTableWidget* m_listResult = nullptr; // 1030 results table
    QLineEdit* m_editCell = nullptr;      // 1031 in-place cell editor
    QPushButton* m_btnHelp = nullptr;     // 1054 "帮助"
    bool m_linkOpen = false;              // the start controls may be enabled

    std::unique_ptr<ResultTableWidget> m_cells;
    std::unique_ptr<ProcedureView> m_view;
    // Destroyed before the page's widgets, so that the edit box losing the focus while the page
    // is torn down never reaches a table that is already gone.
    std::unique_ptr<CResultCellEditor> m_cellEditor;
};
