#include "app/threshold_review_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// A read-only list of text rows that the keyboard can walk through.
QTableWidget* MakeList(const QStringList& headers, const QString& name, QWidget* parent)
{
    auto* list = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    list->setHorizontalHeaderLabels(headers);
    list->verticalHeader()->hide();
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setTabKeyNavigation(false);
    list->setWordWrap(false);
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 8);
    list->setAccessibleName(name);
    return list;
}

void AddRow(QTableWidget* list, const QStringList& cells)
{
    const int row = list->rowCount();
    list->insertRow(row);
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(Qt::AlignCenter);
        list->setItem(row, c, item);
    }
}

// Tall enough for every row (up to a limit, then it scrolls).
void FitRows(QTableWidget* list, int maxRows)
{
    const int rows = qBound(1, list->rowCount(), maxRows);
    const int height = list->horizontalHeader()->sizeHint().height() + rows * list->verticalHeader()->defaultSectionSize()
                       + 2 * list->frameWidth();
    list->setMinimumHeight(height);
    list->setMaximumHeight(height);
}

} // namespace

CThresholdReviewDlg::CThresholdReviewDlg(const ThresholdReview& review, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("应用阈值到参数页"));
    auto* box = new QVBoxLayout(this);

    const bool any = !review.changes.empty();
    auto* intro = new QLabel(any ? QStringLiteral("以下触摸阈值将写入“参数设定”页（TH 阈值）：")
                                 : QStringLiteral("检测结果中没有可应用的触摸阈值。"),
                             this);
    box->addWidget(intro);

    m_changes = MakeList({QStringLiteral("键位"), QStringLiteral("当前阈值"), QStringLiteral("新阈值"),
                          QStringLiteral("键位选择")},
                         QStringLiteral("将应用的阈值"), this);
    for (const ThresholdChange& c : review.changes)
        AddRow(m_changes, {QStringLiteral("TK%1").arg(c.key), QString::number(c.oldValue), QString::number(c.newValue),
                           c.ticked ? QStringLiteral("已勾选") : QStringLiteral("未勾选")});
    FitRows(m_changes, 8);
    m_changes->setVisible(any);
    intro->setBuddy(m_changes);
    box->addWidget(m_changes);

    if (!review.skipped.empty()) {
        auto* skippedLabel = new QLabel(QStringLiteral("以下各行不应用："), this);
        box->addWidget(skippedLabel);
        m_skipped = MakeList({QStringLiteral("行"), QStringLiteral("键位"), QStringLiteral("原因")},
                             QStringLiteral("跳过的行"), this);
        for (const ThresholdSkip& s : review.skipped)
            AddRow(m_skipped, {QString::number(s.row + 1), s.key.isEmpty() ? QStringLiteral("—") : s.key, s.reason});
        // Row and key are short; the reason takes the rest.
        m_skipped->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        m_skipped->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        FitRows(m_skipped, 8);
        skippedLabel->setBuddy(m_skipped);
        box->addWidget(m_skipped);
    }

    m_tick = new QCheckBox(QStringLiteral("同时勾选这些键位"), this);
    m_tick->setChecked(review.tickKeys);
    m_tick->setAccessibleName(m_tick->text());
    m_tick->setAccessibleDescription(QStringLiteral("在“键位选择”中勾选尚未勾选的键位，如同用户点击"));
    m_tick->setEnabled(any);
    box->addWidget(m_tick);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = m_buttons->button(QDialogButtonBox::Cancel);
    ok->setText(QStringLiteral("确定"));
    ok->setAccessibleName(QStringLiteral("确定"));
    cancel->setText(QStringLiteral("取消"));
    cancel->setAccessibleName(QStringLiteral("取消"));
    ok->setEnabled(any);
    ok->setDefault(any);
    cancel->setDefault(!any);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(m_buttons);

    setMinimumWidth(460);
    (any ? static_cast<QWidget*>(ok) : static_cast<QWidget*>(cancel))->setFocus();
}

bool CThresholdReviewDlg::TickKeys() const { return m_tick->isChecked(); }
