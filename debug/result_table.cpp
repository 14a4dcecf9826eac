#include "debug/result_table.h"

#include <QHeaderView>
#include <QTableWidget>

#include "debug/key_slot.h"

const ResultColumn kResultColumns[kResultColumnCount] = {
    {"键位", 60},       {"无按键", 80},       {"按键按下", 80},     {"实际噪声值", 80},
    {"负载影响值", 80}, {"按下其他键影响的差值", 80}, {"触摸差值", 80}, {"信噪比", 80},
    {"灵敏度百分比", 90}, {"噪声设定值", 90}, {"触摸阈值设定", 90}, {"可靠性评估", 90},
};

namespace {

QStringList EmptyRow()
{
    QStringList row;
    row.reserve(kResultColumnCount);
    for (int c = 0; c < kResultColumnCount; ++c)
        row.append(QString());
    return row;
}

bool InColumns(int col) { return col >= 0 && col < kResultColumnCount; }

} // namespace

// ---- ResultTable --------------------------------------------------------------------------

ResultTable::ResultTable(int rows)
{
    for (int r = 0; r < rows; ++r)
        m_rows.push_back(EmptyRow());
}

QString ResultTable::Text(int row, int col) const
{
    if (row < 0 || row >= RowCount() || !InColumns(col))
        return QString();
    return m_rows[static_cast<size_t>(row)][col];
}

void ResultTable::SetText(int row, int col, const QString& text)
{
    if (row < 0 || row >= RowCount() || !InColumns(col))
        return;
    m_rows[static_cast<size_t>(row)][col] = text;
    ++m_writes;
}

void ResultTable::InsertRow(int row)
{
    if (row < 0 || row > RowCount())
        return;
    m_rows.insert(m_rows.begin() + row, EmptyRow());
}

// ---- ResultTableWidget --------------------------------------------------------------------

int ResultTableWidget::RowCount() const { return m_table->rowCount(); }

QString ResultTableWidget::Text(int row, int col) const
{
    const QTableWidgetItem* item = m_table->item(row, col);
    return item ? item->text() : QString();
}

void ResultTableWidget::SetText(int row, int col, const QString& text)
{
    if (row < 0 || row >= m_table->rowCount() || col < 0 || col >= m_table->columnCount())
        return;
    if (QTableWidgetItem* item = m_table->item(row, col)) {
        item->setText(text);
        return;
    }
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    m_table->setItem(row, col, item);
}

void ResultTableWidget::InsertRow(int row)
{
    if (row < 0 || row > m_table->rowCount())
        return;
    m_table->insertRow(row);
}

void SetUpResultTable(QTableWidget* table)
{
    table->setColumnCount(kResultColumnCount);
    QStringList headers;
    for (const ResultColumn& c : kResultColumns)
        headers << QString::fromUtf8(c.header);
    table->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < kResultColumnCount; ++c) {
        table->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
        table->setColumnWidth(c, kResultColumns[c].width);
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->setShowGrid(true);
    table->setRowCount(kResultInitialRows);
}

// ---- rebuild ------------------------------------------------------------------------------

void RebuildResultRows(ResultCells& cells, const LiveState& live)
{
    struct Default {
        int col;
        const char* text;
    };
    static const Default kDefaults[] = {
        {ResultCol::Load, "0"}, {ResultCol::Crosstalk, "0"}, {ResultCol::Sensitivity, "60"}, {ResultCol::NoiseSetting, "10"}};
    static const int kCleared[] = {ResultCol::NoKey,  ResultCol::Pressed,   ResultCol::Noise,      ResultCol::Delta,
                                   ResultCol::Snr, ResultCol::Threshold, ResultCol::Reliability};

    const int keys = live.m_keyCount < kSlotCount ? live.m_keyCount : kSlotCount;
    for (int j = 0; j < keys; ++j) {
        cells.SetText(j, ResultCol::Key, QStringLiteral("TK%1").arg(live.m_slots[j].channel));
        for (const Default& d : kDefaults) {
            if (cells.Text(j, d.col).isEmpty())
                cells.SetText(j, d.col, QString::fromLatin1(d.text));
        }
        for (int col : kCleared)
            cells.Clear(j, col);
    }
    for (int j = keys; j < kResultInitialRows; ++j) {
        for (int col = 0; col < kResultColumnCount; ++col)
            cells.Clear(j, col);
    }
}
