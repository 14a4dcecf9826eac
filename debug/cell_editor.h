#pragma once
// The in-place editor of the results table (edit box 1031 over list 1030). A double-click on a
// cell other than a key name opens the edit box over the cell with the cell's text and the caret
// at its end; opening it on the last row appends an empty row below. When the edit box loses the
// keyboard focus (a click elsewhere, Tab, Return) its text goes into the cell unchanged and the
// table is evaluated again. Escape closes it without writing: the cell keeps its text.
//
// The edit box is a sibling of the table, laid over the cell (and kept there while the table
// scrolls), so that assistive technology finds it in the page while it is open. It is named after
// its column and key, "触摸阈值设定 TK2". From the keyboard: F2 opens the editor on the table's
// current cell; Return and Escape hand the focus back to the table.

#include <QObject>
#include <functional>

class QLineEdit;
class QTableWidget;
class ResultCells;

class CResultCellEditor : public QObject {
    Q_OBJECT
public:
    // afterCommit runs once the edited text is in the table (the page evaluates the table).
    CResultCellEditor(QTableWidget* table, QLineEdit* edit, ResultCells& cells, std::function<void()> afterCommit,
                      QObject* parent = nullptr);

    // Handler of a double-click on cell (row, col).
    void OnResultDblClk(int row, int col);
    // Handler of the edit box's focus loss.
    void OnCellEditKillFocus();
    // Closes the editor without writing or evaluating anything.
    void Cancel();

    int EditRow() const { return m_editRow; }
    int EditCol() const { return m_editCol; }
    bool IsOpen() const;
    // Accessible name of the editor on a cell: the column's header and the row's key.
    QString EditorName(int row, int col) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Lays the edit box over the cell being edited, cut to the table's visible cells.
    void Place();

    QTableWidget* m_table;
    QLineEdit* m_edit;
    ResultCells& m_cells;
    std::function<void()> m_afterCommit;
    int m_editRow = -1;
    int m_editCol = -1;
    bool m_closing = false;
};
