#pragma once
// The confirmation of "导出头文件": the header's path, a warning when the page's values did not
// come from it, the macros whose values change (line, name, old and new value), how many others
// keep theirs, and OK / Cancel. Return confirms, Escape cancels; Tab walks through the list and
// the buttons.

#include <QDialog>

#include "app/header_export_review.h"

class QDialogButtonBox;
class QLabel;
class QTableWidget;

class CHeaderExportDlg : public QDialog {
    Q_OBJECT
public:
    explicit CHeaderExportDlg(const HeaderExportReview& review, QWidget* parent = nullptr);

    QLabel* Warning() const { return m_warning; }  // null without a warning
    QTableWidget* Changes() const { return m_changes; }
    QLabel* Kept() const { return m_kept; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

private:
    QLabel* m_warning = nullptr;
    QTableWidget* m_changes = nullptr;
    QLabel* m_kept = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
