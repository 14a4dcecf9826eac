#include "app/header_export_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTextWidth = 480;  // wrapped texts and the elided path
constexpr int kMaxRows = 12;     // the list scrolls beyond

QLabel* AddText(QVBoxLayout* box, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAccessibleName(text);
    box->addWidget(label);
    return label;
}

} // namespace

CHeaderExportDlg::CHeaderExportDlg(const HeaderExportReview& review, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("导出头文件"));
    auto* box = new QVBoxLayout(this);

    if (!review.warning.isEmpty()) {
        m_warning = AddText(box, review.warning, this);
        m_warning->setStyleSheet(QStringLiteral("QLabel { color: #9c0006; background: #fff2cc; border: 1px solid #d6b656;"
                                                " padding: 6px; }"));
    }

    // A long path is shortened in the middle; the tooltip and assistive technology get it whole.
    const QString file = QStringLiteral("目标文件：");
    QLabel* path = AddText(box, QString(), this);
    path->setWordWrap(false);
    path->setText(file + path->fontMetrics().elidedText(review.path, Qt::ElideMiddle, kTextWidth));
    path->setToolTip(review.path);
    path->setAccessibleName(file + review.path);

    QLabel* intro = AddText(box, QStringLiteral("以下参数宏的数值将改变："), this);

    m_changes = new QTableWidget(0, 4, this);
    m_changes->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("参数宏"), QStringLiteral("原数值"),
                                          QStringLiteral("新数值")});
    m_changes->verticalHeader()->hide();
    m_changes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_changes->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_changes->setSelectionMode(QAbstractItemView::SingleSelection);
    m_changes->setTabKeyNavigation(false);
    m_changes->setWordWrap(false);
    m_changes->setAccessibleName(QStringLiteral("将改变的参数宏"));
    m_changes->verticalHeader()->setDefaultSectionSize(m_changes->fontMetrics().height() + 8);
    for (const HeaderValueChange& c : review.changes) {
        const int row = m_changes->rowCount();
        m_changes->insertRow(row);
        const QString cells[] = {QString::number(c.line), c.macro, c.oldValue, c.newValue};
        for (int col = 0; col < 4; ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            item->setTextAlignment(col == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
            m_changes->setItem(row, col, item);
        }
    }
    QHeaderView* header = m_changes->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    // Tall enough for every row up to the limit.
    const int rows = qBound(1, m_changes->rowCount(), kMaxRows);
    m_changes->setFixedHeight(header->sizeHint().height() + rows * m_changes->verticalHeader()->defaultSectionSize()
                              + 2 * m_changes->frameWidth());
    intro->setBuddy(m_changes);
    box->addWidget(m_changes);

    m_kept = AddText(box, KeptMacrosText(review.keptMacros), this);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = m_buttons->button(QDialogButtonBox::Cancel);
    ok->setText(QStringLiteral("确定"));
    ok->setAccessibleName(QStringLiteral("确定"));
    ok->setAccessibleDescription(QStringLiteral("把以上改动写入文件"));
    cancel->setText(QStringLiteral("取消"));
    cancel->setAccessibleName(QStringLiteral("取消"));
    cancel->setAccessibleDescription(QStringLiteral("不写入文件"));
    ok->setDefault(true);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(m_buttons);

    // The wrapped texts take their height from the width: the dialog starts, and stays, tall
    // enough for them at its narrowest.
    const int width = kTextWidth + 40;
    const int height = box->totalHeightForWidth(width);
    setMinimumSize(width, height);
    resize(width, height);
    ok->setFocus();
}
