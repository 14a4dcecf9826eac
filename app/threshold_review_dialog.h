#pragma once
// The confirmation of "应用阈值到参数页": per key the current and the new threshold, the rows that
// give nothing to apply with their reasons, the check box "同时勾选这些键位", and OK / Cancel.
// Return confirms, Escape cancels; Tab walks through the two lists, the check box and the
// buttons.

#include <QDialog>

#include "app/threshold_review.h"

class QCheckBox;
class QDialogButtonBox;
class QTableWidget;

class CThresholdReviewDlg : public QDialog {
    Q_OBJECT
public:
    explicit CThresholdReviewDlg(const ThresholdReview& review, QWidget* parent = nullptr);

    bool TickKeys() const;
    QTableWidget* Changes() const { return m_changes; }
    QTableWidget* Skipped() const { return m_skipped; }
    QCheckBox* TickBox() const { return m_tick; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

private:
    QTableWidget* m_changes = nullptr;
    QTableWidget* m_skipped = nullptr;
    QCheckBox* m_tick = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
