#include "debug/snr_verdict.h"

#include <QBrush>
#include <QTableWidget>

#include "app/decimal_text.h"
#include "debug/result_table.h"

SnrVerdict JudgeSnr(const QString& cellText)
{
    const DecimalText v = ReadDecimalText(cellText);
    if (v.status == DecimalText::NoDigits)
        return SnrVerdict::None;
    // Out of range reads as the nearest limit, which is judged like any other number.
    return v.value >= kSnrPassMinimum ? SnrVerdict::Pass : SnrVerdict::Fail;
}

CSnrVerdictMarker::CSnrVerdictMarker(QTableWidget* table) : QObject(table), m_table(table)
{
    connect(m_table, &QTableWidget::itemChanged, this, &CSnrVerdictMarker::OnItemChanged);
    MarkAll();
}

void CSnrVerdictMarker::Mark(QTableWidgetItem* item)
{
    if (!item || item->column() != ResultCol::Snr)
        return;
    // The shades of a spreadsheet's "good" and "bad" cells: dark text on a light background,
    // readable in either state.
    switch (JudgeSnr(item->text())) {
    case SnrVerdict::Pass:
        item->setBackground(QColor(0xC6, 0xEF, 0xCE));
        item->setForeground(QColor(0x00, 0x61, 0x00));
        item->setToolTip(QStringLiteral("合格：信噪比 ≥ %1").arg(kSnrPassMinimum));
        item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("合格"));
        break;
    case SnrVerdict::Fail:
        item->setBackground(QColor(0xFF, 0xC7, 0xCE));
        item->setForeground(QColor(0x9C, 0x00, 0x06));
        item->setToolTip(QStringLiteral("不合格：信噪比 < %1（信噪比 ≥ %1 为合格）").arg(kSnrPassMinimum));
        item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("不合格"));
        break;
    case SnrVerdict::None:
        for (int role : {int(Qt::BackgroundRole), int(Qt::ForegroundRole), int(Qt::ToolTipRole),
                         int(Qt::AccessibleDescriptionRole)})
            item->setData(role, QVariant());
        break;
    }
}

void CSnrVerdictMarker::MarkAll()
{
    for (int row = 0; row < m_table->rowCount(); ++row)
        OnItemChanged(m_table->item(row, ResultCol::Snr));
}

void CSnrVerdictMarker::OnItemChanged(QTableWidgetItem* item)
{
    // Marking changes the item's data, which signals again: those echoes are ignored.
    if (m_marking || !item)
        return;
    m_marking = true;
    Mark(item);
    m_marking = false;
}
