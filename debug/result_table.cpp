#include "debug/result_table.h"

#include <QHeaderView>
#include <QProxyStyle>
#include <QStyleOptionHeader>
#include <QTableWidget>

#include "debug/key_slot.h"

const ResultColumn kResultColumns[kResultColumnCount] = {
    {"键位", 60, "该行的键位（TK 编号）"},
    {"无按键", 80, "测量值：不触摸时 100 帧环境值的平均值"},
    {"按键按下", 80, "测量值：触摸时 100 帧采样值的平均值"},
    {"实际噪声值", 80, "测量值：不触摸时 100 帧中绝对值最大的差值（带符号）"},
    {"负载影响值", 80, "输入值：负载对该键的影响，默认 0，不参与计算"},
    {"按下其他键影响的差值", 80, "输入值：按下其他键时本键差值的变化（串扰），默认 0，计入噪声"},
    {"触摸差值", 80, "计算值：无按键 − 按键按下"},
    {"信噪比", 80, "计算值：触摸差值 ÷（|实际噪声值| + 按下其他键影响的差值），不小于 5 为合格"},
    {"灵敏度百分比", 90, "输入值：触摸阈值取触摸差值的百分之几，默认 60"},
    {"噪声设定值", 90, "输入值：触摸阈值再减去它的一半，默认 10"},
    {"触摸阈值设定", 90, "计算值：触摸差值 × 灵敏度百分比 ÷ 100 − 噪声设定值 ÷ 2，不大于 0 时为“检测异常”"},
    {"可靠性评估", 90, "计算值：触摸差值 × 灵敏度百分比 ÷ 100 ÷（|实际噪声值| + 按下其他键影响的差值）"},
};

QString ResultColumnTip(int col)
{
    if (col < 0 || col >= kResultColumnCount)
        return {};
    return QString::fromUtf8(kResultColumns[col].header) + QStringLiteral("：") + QString::fromUtf8(kResultColumns[col].meaning);
}

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

// Centred text wider than its column would lose both its ends (the toolkit's styles clip header
// captions, whatever the header's elide mode): cut at the right with "…", a caption keeps its
// start and shows that more follows.
class ElidingHeader : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
        if (element != CE_HeaderLabel || !header) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionHeader label(*header);
        label.text = header->fontMetrics.elidedText(header->text, Qt::ElideRight, header->rect.width());
        QProxyStyle::drawControl(element, &label, painter, widget);
    }
};

QStyle* ElidingHeaderStyle()
{
    static ElidingHeader* style = new ElidingHeader;
    return style;
}

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
        QTableWidgetItem* header = table->horizontalHeaderItem(c);
        header->setTextAlignment(Qt::AlignCenter);
        header->setToolTip(ResultColumnTip(c));
        header->setData(Qt::AccessibleDescriptionRole, ResultColumnTip(c));
        table->setColumnWidth(c, kResultColumns[c].width);
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStyle(ElidingHeaderStyle());
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
