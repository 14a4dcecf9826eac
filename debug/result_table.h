#pragma once
// The results table of the debug page (list 1030): one row per key slot, twelve text columns in
// which the procedure's measurements, the user's settings and the derived figures meet. The
// table is the only store of these figures; the evaluation reads them back from the cell text.
//
// ResultCells is the cell access the procedure and the evaluation use; ResultTable is a plain
// store of text (used by tests and anywhere no widget is at hand), ResultTableWidget binds the
// same operations to the page's QTableWidget.

#include <QString>
#include <QStringList>
#include <vector>

class QTableWidget;
struct LiveState;

namespace ResultCol {
enum : int {
    Key = 0,          // "键位"            name, set by the rebuild
    NoKey = 1,        // "无按键"          measured, no-key step
    Pressed = 2,      // "按键按下"        measured, press step
    Noise = 3,        // "实际噪声值"      measured, no-key step
    Load = 4,         // "负载影响值"      entered, default "0"
    Crosstalk = 5,    // "按下其他键影响的差值" entered, default "0"
    Delta = 6,        // "触摸差值"        derived
    Snr = 7,          // "信噪比"          derived
    Sensitivity = 8,  // "灵敏度百分比"    entered, default "60"
    NoiseSetting = 9, // "噪声设定值"      entered, default "10"
    Threshold = 10,   // "触摸阈值设定"    derived
    Reliability = 11, // "可靠性评估"      derived
};
}

constexpr int kResultColumnCount = 12;
constexpr int kResultInitialRows = 8;

struct ResultColumn {
    const char* header;  // UTF-8
    int width;           // pixels
    const char* meaning; // UTF-8, what the column holds (the header's tooltip)
};
// The twelve columns in order, all with centred text.
extern const ResultColumn kResultColumns[kResultColumnCount];

// The tooltip of a column's header, which assistive technology reads as its description: the
// whole caption (the header elides it where the column is too narrow) and what the column means.
QString ResultColumnTip(int col);

class ResultCells {
public:
    virtual ~ResultCells() = default;
    virtual int RowCount() const = 0;
    // Text of a cell; a cell outside the table reads as empty.
    virtual QString Text(int row, int col) const = 0;
    // Sets a cell's text; a cell outside the table is ignored.
    virtual void SetText(int row, int col, const QString& text) = 0;
    // Inserts a row of empty cells at index row (0..RowCount()).
    virtual void InsertRow(int row) = 0;

    // Empties a cell, writing it only when it is not empty already.
    void Clear(int row, int col)
    {
        if (!Text(row, col).isEmpty())
            SetText(row, col, QString());
    }
};

// Plain in-memory table: starts with eight rows of twelve empty cells.
class ResultTable : public ResultCells {
public:
    explicit ResultTable(int rows = kResultInitialRows);
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    QString Text(int row, int col) const override;
    void SetText(int row, int col, const QString& text) override;
    void InsertRow(int row) override;
    // Number of SetText calls so far (lets tests see that unchanged cells are not rewritten).
    int WriteCount() const { return m_writes; }

private:
    std::vector<QStringList> m_rows;
    int m_writes = 0;
};

// The same operations on the page's list 1030.
class ResultTableWidget : public ResultCells {
public:
    explicit ResultTableWidget(QTableWidget* table) : m_table(table) {}
    int RowCount() const override;
    QString Text(int row, int col) const override;
    void SetText(int row, int col, const QString& text) override;
    void InsertRow(int row) override;
    QTableWidget* widget() const { return m_table; }

private:
    QTableWidget* m_table;
};

// Gives a table widget the twelve centred columns with their headers, tips and widths and eight
// empty rows. A caption wider than its column ends in "…".
void SetUpResultTable(QTableWidget* table);

// Labels rows 0..K-1 with their keys ("TK" and the slot's channel), puts the default settings
// "0", "0", "60", "10" into empty cells of columns 4, 5, 8 and 9, and empties the measured and
// derived cells of those rows; rows K..7 are emptied entirely. Rows 8 and above are left alone.
void RebuildResultRows(ResultCells& cells, const LiveState& live);
