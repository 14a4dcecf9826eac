// The results table: its columns, the rebuild on a new key set, and the in-place cell editor.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include "common/accessible_walk.h"
#include "debug/cell_editor.h"
#include "debug/evaluation.h"
#include "debug/key_slot.h"
#include "debug/result_table.h"
#include "tests/debug/gtest_wait.h"

namespace {

void SetKeys(LiveState& live, std::initializer_list<int> channels)
{
    int j = 0;
    std::uint8_t mask = 0;
    for (int c : channels) {
        live.m_slots[j++].channel = c;
        mask = static_cast<std::uint8_t>(mask | (1u << c));
    }
    live.m_keyCount = static_cast<std::uint8_t>(j);
    live.m_keyMask = mask;
}

QStringList Row(const ResultCells& t, int row)
{
    QStringList out;
    for (int c = 0; c < kResultColumnCount; ++c)
        out << t.Text(row, c);
    return out;
}

const QStringList kEmptyRow(kResultColumnCount, QString());

} // namespace

TEST(ResultTableWidget, TwelveCentredColumnsAndEightRows)
{
    QTableWidget table;
    SetUpResultTable(&table);
    ASSERT_EQ(table.columnCount(), 12);
    EXPECT_EQ(table.rowCount(), 8);
    const char* headers[] = {"键位",     "无按键",       "按键按下",   "实际噪声值",   "负载影响值", "按下其他键影响的差值",
                             "触摸差值", "信噪比",       "灵敏度百分比", "噪声设定值", "触摸阈值设定", "可靠性评估"};
    const int widths[] = {60, 80, 80, 80, 80, 80, 80, 80, 90, 90, 90, 90};
    for (int c = 0; c < 12; ++c) {
        EXPECT_EQ(table.horizontalHeaderItem(c)->text(), QString::fromUtf8(headers[c]));
        EXPECT_EQ(table.columnWidth(c), widths[c]) << c;
    }
    ResultTableWidget cells(&table);
    cells.SetText(3, 7, "25");
    EXPECT_EQ(cells.Text(3, 7), "25");
    EXPECT_EQ(table.item(3, 7)->textAlignment(), int(Qt::AlignCenter));
    EXPECT_TRUE(cells.Text(2, 2).isEmpty());
    cells.SetText(8, 0, "ignored"); // outside the table
    cells.SetText(0, 12, "ignored");
    EXPECT_EQ(table.rowCount(), 8);
    cells.InsertRow(8);
    EXPECT_EQ(cells.RowCount(), 9);
}

TEST(RebuildResultRows, LabelsRowsSetsDefaultsAndEmptiesTheRest)
{
    LiveState live;
    ResultTable t;
    for (int c = 0; c < kResultColumnCount; ++c)
        t.SetText(6, c, "stale");
    SetKeys(live, {0, 2, 5});
    RebuildResultRows(t, live);
    EXPECT_EQ(Row(t, 0), (QStringList{"TK0", "", "", "", "0", "0", "", "", "60", "10", "", ""}));
    EXPECT_EQ(Row(t, 1), (QStringList{"TK2", "", "", "", "0", "0", "", "", "60", "10", "", ""}));
    EXPECT_EQ(Row(t, 2), (QStringList{"TK5", "", "", "", "0", "0", "", "", "60", "10", "", ""}));
    for (int r = 3; r < 8; ++r)
        EXPECT_EQ(Row(t, r), kEmptyRow) << r;

    // The user's settings and some figures, then a new key set TK1, TK2.
    for (int r = 0; r < 3; ++r)
        for (int c : {1, 2, 3, 6, 7, 10, 11})
            t.SetText(r, c, "9");
    t.SetText(0, ResultCol::Load, "3");
    t.SetText(0, ResultCol::Sensitivity, "80");
    t.SetText(1, ResultCol::Crosstalk, "-4");
    t.SetText(1, ResultCol::NoiseSetting, "12");
    SetKeys(live, {1, 2});
    RebuildResultRows(t, live);
    EXPECT_EQ(Row(t, 0), (QStringList{"TK1", "", "", "", "3", "0", "", "", "80", "10", "", ""}));
    EXPECT_EQ(Row(t, 1), (QStringList{"TK2", "", "", "", "0", "-4", "", "", "60", "12", "", ""}));
    EXPECT_EQ(Row(t, 2), kEmptyRow);

    // Cells that are already empty are not written again; rows beyond the eighth are left alone.
    t.InsertRow(8);
    t.SetText(8, 3, "kept");
    const int writes = t.WriteCount();
    RebuildResultRows(t, live);
    EXPECT_EQ(t.WriteCount() - writes, 2); // only the two key names
    EXPECT_EQ(t.Text(8, 3), "kept");

    // No key at all: the first eight rows are emptied.
    SetKeys(live, {});
    RebuildResultRows(t, live);
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(Row(t, r), kEmptyRow) << r;
}

// ---- the in-place editor ------------------------------------------------------------------

class CellEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        table = new QTableWidget(&window);
        other = new QLineEdit(&window);
        layout->addWidget(table);
        layout->addWidget(other);
        edit = new QLineEdit(&window);
        SetUpResultTable(table);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        cells = std::make_unique<ResultTableWidget>(table);
        editor = std::make_unique<CResultCellEditor>(table, edit, *cells, [this] {
            ++evaluations;
            EvaluateResults(*cells, keyCount);
        });
        window.resize(1100, 400);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void DoubleClick(int row, int col)
    {
        const QRect r = table->visualRect(table->model()->index(row, col));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, r.center());
    }

    void FillMeasuredRow(int row)
    {
        const char* texts[] = {"TK0", "1000", "700", "-12", "0", "0", "", "", "60", "10", "", ""};
        for (int c = 0; c < kResultColumnCount; ++c)
            cells->SetText(row, c, QString::fromUtf8(texts[c]));
    }

    QWidget window;
    QTableWidget* table = nullptr;
    QLineEdit* other = nullptr;
    QLineEdit* edit = nullptr;
    std::unique_ptr<ResultTableWidget> cells;
    std::unique_ptr<CResultCellEditor> editor;
    int evaluations = 0;
    int keyCount = 1;
};

TEST_F(CellEditorTest, OpensOverTheCellWithTheCaretAtTheEnd)
{
    cells->SetText(2, 4, "123");
    DoubleClick(2, 4);
    ASSERT_TRUE(edit->isVisible());
    // Laid over the cell as the table's sibling (so that assistive technology finds it).
    EXPECT_EQ(edit->parentWidget(), table->parentWidget());
    const QRect cell = table->visualRect(table->model()->index(2, 4));
    EXPECT_EQ(edit->geometry(), QRect(table->viewport()->mapTo(&window, cell.topLeft()), cell.size()));
    EXPECT_EQ(edit->text(), "123");
    EXPECT_EQ(edit->cursorPosition(), 3);
    GTEST_TRY_VERIFY(edit->hasFocus());
    EXPECT_EQ(table->rowCount(), 8); // not the last row
}

TEST_F(CellEditorTest, KeyNameCellOpensNothingButIsRemembered)
{
    DoubleClick(1, 0);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(editor->EditRow(), 1);
    EXPECT_EQ(editor->EditCol(), 0);
    EXPECT_EQ(evaluations, 0);
}

TEST_F(CellEditorTest, LastRowAppendsARowEachTime)
{
    DoubleClick(7, 3);
    EXPECT_EQ(table->rowCount(), 9);
    other->setFocus();
    GTEST_TRY_VERIFY(!edit->isVisible());
    DoubleClick(8, 3);
    EXPECT_EQ(table->rowCount(), 10);
}

TEST_F(CellEditorTest, FocusLossWritesTheTextUnchangedAndEvaluates)
{
    FillMeasuredRow(0);
    EvaluateResults(*cells, 1);
    EXPECT_EQ(cells->Text(0, ResultCol::Threshold), "175");

    DoubleClick(0, ResultCol::Sensitivity);
    GTEST_TRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, "80");
    other->setFocus(); // click elsewhere
    GTEST_TRY_VERIFY(!edit->isVisible());
    EXPECT_EQ(cells->Text(0, ResultCol::Sensitivity), "80");
    EXPECT_EQ(cells->Text(0, ResultCol::Threshold), "235");
    EXPECT_EQ(cells->Text(0, ResultCol::Reliability), "20.0");
    EXPECT_EQ(evaluations, 1);

    // A hand-typed derived figure in an evaluated row is recomputed at once.
    DoubleClick(0, ResultCol::Delta);
    GTEST_TRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, "999");
    EXPECT_EQ(edit->text(), "300999"); // typed after the existing text
    QTest::keyClick(edit, Qt::Key_Return);
    GTEST_TRY_VERIFY(!edit->isVisible());
    EXPECT_EQ(cells->Text(0, ResultCol::Delta), "300");

    // Text that is not a number is stored as typed; an empty text empties the cell.
    DoubleClick(1, ResultCol::Load);
    GTEST_TRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, " abc ");
    QTest::keyClick(edit, Qt::Key_Tab);
    GTEST_TRY_VERIFY(!edit->isVisible());
    EXPECT_EQ(cells->Text(1, ResultCol::Load), " abc ");
    DoubleClick(1, ResultCol::Load);
    GTEST_TRY_VERIFY(edit->hasFocus());
    edit->clear();
    other->setFocus();
    GTEST_TRY_VERIFY(!edit->isVisible());
    EXPECT_TRUE(cells->Text(1, ResultCol::Load).isEmpty());
}

// While open, the editor is a child of the window in the accessibility tree, has the focus and
// is named after its column and key. Escape cancels (the cell keeps its text, nothing is
// evaluated); Return writes and evaluates. The editor stays over its cell when the table scrolls.
TEST_F(CellEditorTest, OpenEditorIsInTheTreeEscapeCancelsReturnWrites)
{
    FillMeasuredRow(0);
    EvaluateResults(*cells, 1);
    ASSERT_EQ(cells->Text(0, ResultCol::Threshold), "175");

    DoubleClick(0, ResultCol::Threshold);
    GTEST_TRY_VERIFY(edit->hasFocus());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(edit);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8("触摸阈值设定 TK0"));
    EXPECT_TRUE(iface->state().focused);
    EXPECT_GE(QAccessible::queryAccessibleInterface(&window)->indexOfChild(iface), 0);
    EXPECT_TRUE(WalkAccessibleTree(&window).Reached(edit));

    QTest::keyClicks(edit, "9");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(cells->Text(0, ResultCol::Threshold), "175");
    EXPECT_EQ(evaluations, 0);
    EXPECT_TRUE(table->hasFocus());

    DoubleClick(0, ResultCol::Sensitivity);
    GTEST_TRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, "80");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(cells->Text(0, ResultCol::Sensitivity), "80");
    EXPECT_EQ(cells->Text(0, ResultCol::Threshold), "235");
    EXPECT_EQ(evaluations, 1);

    // A row without a key is named by its number; the editor follows its cell when scrolled.
    table->setColumnWidth(ResultCol::Key, 400);
    GTEST_TRY_VERIFY(table->horizontalScrollBar()->maximum() > 0);
    DoubleClick(3, ResultCol::Load);
    GTEST_TRY_VERIFY(edit->hasFocus());
    EXPECT_EQ(AccessibleText(edit), QString::fromUtf8("负载影响值 第4行"));
    const int before = edit->x();
    table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
    const QRect cell = table->visualRect(table->model()->index(3, ResultCol::Load)) & table->viewport()->rect();
    EXPECT_EQ(edit->geometry(), QRect(table->viewport()->mapTo(&window, cell.topLeft()), cell.size()));
    EXPECT_LT(edit->x(), before);
}

TEST_F(CellEditorTest, ANewDoubleClickCommitsTheOpenCellFirst)
{
    DoubleClick(2, 5);
    GTEST_TRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, "7");
    DoubleClick(3, 9);
    EXPECT_EQ(cells->Text(2, 5), "7");
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(editor->EditRow(), 3);
    EXPECT_EQ(editor->EditCol(), 9);
}

TEST_F(CellEditorTest, RebuildWhileEditingThenTheEditorWins)
{
    LiveState live;
    live.m_keyCount = 1;
    live.m_slots[0].channel = 4;
    DoubleClick(0, ResultCol::Noise);
    GTEST_TRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, "-15");
    RebuildResultRows(*cells, live); // a tick while the editor is open
    EXPECT_EQ(cells->Text(0, 0), "TK4");
    other->setFocus();
    GTEST_TRY_VERIFY(!edit->isVisible());
    EXPECT_EQ(cells->Text(0, ResultCol::Noise), "-15");
}

TEST_F(CellEditorTest, KeyboardOpensTheEditorWithF2)
{
    table->setFocus();
    table->setCurrentCell(4, 8);
    QTest::keyClick(table, Qt::Key_F2);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(editor->EditRow(), 4);
    EXPECT_EQ(editor->EditCol(), 8);
}
