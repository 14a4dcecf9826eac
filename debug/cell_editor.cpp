#include "debug/cell_editor.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>

#include "debug/result_table.h"

CResultCellEditor::CResultCellEditor(QTableWidget* table, QLineEdit* edit, ResultCells& cells,
                                     std::function<void()> afterCommit, QObject* parent)
    : QObject(parent), m_table(table), m_edit(edit), m_cells(cells), m_afterCommit(std::move(afterCommit))
{
    // The edit box lives over the table's cells, so it scrolls and clips with them.
    m_edit->hide();
    m_edit->setParent(m_table->viewport());
    m_edit->setFrame(true);
    if (m_edit->accessibleName().isEmpty())
        m_edit->setAccessibleName(QStringLiteral("单元格编辑"));
    m_edit->installEventFilter(this);
    m_table->installEventFilter(this);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &CResultCellEditor::OnResultDblClk);
}

bool CResultCellEditor::IsOpen() const { return m_edit->isVisible(); }

void CResultCellEditor::OnResultDblClk(int row, int col)
{
    m_editRow = row;
    m_editCol = col;
    const int rows = m_cells.RowCount();
    if (col == 0 || row < 0 || row >= rows || col >= kResultColumnCount)
        return; // key names are not edited; a click outside the cells opens nothing

    const QRect cell = m_table->visualRect(m_table->model()->index(row, col));
    m_edit->setGeometry(cell);
    const QString text = m_cells.Text(row, col);
    m_edit->setText(text);
    m_edit->show();
    m_edit->raise();
    m_edit->setFocus(Qt::MouseFocusReason);
    m_edit->setCursorPosition(static_cast<int>(text.size()));

    if (row == rows - 1)
        m_cells.InsertRow(row + 1);
}

void CResultCellEditor::OnCellEditKillFocus()
{
    if (m_committing || !m_edit->isVisible())
        return;
    m_committing = true;
    m_cells.SetText(m_editRow, m_editCol, m_edit->text());
    m_edit->hide();
    m_committing = false;
    if (m_afterCommit)
        m_afterCommit();
}

bool CResultCellEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusOut) {
            // The edit box's own context menu takes the focus only for a moment.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                OnCellEditKillFocus();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
                m_table->setFocus(Qt::OtherFocusReason);
                OnCellEditKillFocus(); // in case the focus could not move
                return true;
            }
        }
    } else if (watched == m_table && event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_F2) {
            const QModelIndex current = m_table->currentIndex();
            if (current.isValid()) {
                OnResultDblClk(current.row(), current.column());
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
