#include "debug/cell_editor.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>

#include "debug/result_table.h"

CResultCellEditor::CResultCellEditor(QTableWidget* table, QLineEdit* edit, ResultCells& cells,
                                     std::function<void()> afterCommit, QObject* parent)
    : QObject(parent), m_table(table), m_edit(edit), m_cells(cells), m_afterCommit(std::move(afterCommit))
{
    m_edit->hide();
    // A child of the table's viewport would be out of reach of assistive technology (the table
    // lists only its cells), so the edit box is the table's sibling, stacked above it.
    QWidget* host = m_table->parentWidget() ? m_table->parentWidget() : m_table->viewport();
    if (m_edit->parentWidget() != host)
        m_edit->setParent(host);
    m_edit->setFrame(true);
    if (m_edit->accessibleName().isEmpty())
        m_edit->setAccessibleName(QStringLiteral("单元格编辑"));
    m_edit->installEventFilter(this);
    m_table->installEventFilter(this);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &CResultCellEditor::OnResultDblClk);
    // The edit box follows its cell when the table scrolls or a column is resized.
    auto follow = [this] {
        if (IsOpen())
            Place();
    };
    connect(m_table->horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(m_table->verticalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionResized, this, follow);
    connect(m_table->verticalHeader(), &QHeaderView::sectionResized, this, follow);
}

bool CResultCellEditor::IsOpen() const { return m_edit->isVisible(); }

QString CResultCellEditor::EditorName(int row, int col) const
{
    const QString column = col >= 0 && col < kResultColumnCount ? QString::fromUtf8(kResultColumns[col].header) : QString();
    const QString key = m_cells.Text(row, ResultCol::Key);
    return key.isEmpty() ? QStringLiteral("%1 第%2行").arg(column).arg(row + 1) : column + QLatin1Char(' ') + key;
}

void CResultCellEditor::Place()
{
    QWidget* viewport = m_table->viewport();
    const QRect cell = m_table->visualRect(m_table->model()->index(m_editRow, m_editCol)) & viewport->rect();
    QWidget* host = m_edit->parentWidget();
    const QPoint at = host == viewport ? cell.topLeft() : viewport->mapTo(host, cell.topLeft());
    m_edit->setGeometry(QRect(at, cell.size()));
}

void CResultCellEditor::OnResultDblClk(int row, int col)
{
    m_editRow = row;
    m_editCol = col;
    const int rows = m_cells.RowCount();
    if (col == 0 || row < 0 || row >= rows || col >= kResultColumnCount)
        return; // key names are not edited; a click outside the cells opens nothing

    Place();
    const QString text = m_cells.Text(row, col);
    m_edit->setText(text);
    m_edit->setAccessibleName(EditorName(row, col));
    m_edit->show();
    m_edit->raise();
    m_edit->setFocus(Qt::MouseFocusReason);
    m_edit->setCursorPosition(static_cast<int>(text.size()));

    if (row == rows - 1)
        m_cells.InsertRow(row + 1);
}

void CResultCellEditor::OnCellEditKillFocus()
{
    if (m_closing || !m_edit->isVisible())
        return;
    m_closing = true;
    m_cells.SetText(m_editRow, m_editCol, m_edit->text());
    m_edit->hide();
    m_closing = false;
    if (m_afterCommit)
        m_afterCommit();
}

void CResultCellEditor::Cancel()
{
    if (m_closing || !m_edit->isVisible())
        return;
    m_closing = true; // the focus loss on the way out writes nothing
    m_table->setFocus(Qt::OtherFocusReason);
    m_edit->hide();
    m_closing = false;
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
            if (key == Qt::Key_Escape) {
                Cancel();
                return true;
            }
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
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
