#pragma once
// Pass or fail per key by its signal-to-noise ratio (column 7 "信噪比" of the results table): a
// key whose ratio is 5 or more passes. The cell keeps its text; a pass is shaded green and a fail
// red, and the tooltip and the accessible description say "合格" or "不合格", so the verdict
// does not depend on seeing colour. A cell without a number ("", "检测异常") has no verdict.

#include <QObject>
#include <QString>

class QTableWidget;
class QTableWidgetItem;

constexpr int kSnrPassMinimum = 5;

enum class SnrVerdict { None, Pass, Fail };

// The verdict for a ratio cell, read as the table reads its cells ("%d").
SnrVerdict JudgeSnr(const QString& cellText);

// Keeps the verdict marks of a results table's ratio column in step with its text, whoever
// writes it (the evaluation, the rebuild, the procedure or the cell editor).
class CSnrVerdictMarker : public QObject {
    Q_OBJECT
public:
    explicit CSnrVerdictMarker(QTableWidget* table);

    // Marks one cell after its text; any other column is left alone.
    static void Mark(QTableWidgetItem* item);
    // Marks every ratio cell of the table.
    void MarkAll();

private:
    void OnItemChanged(QTableWidgetItem* item);

    QTableWidget* m_table;
    bool m_marking = false;
};
