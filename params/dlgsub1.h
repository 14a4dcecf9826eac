#pragma once
// The parameter page, tab "参数设定": the touch-key settings as combo boxes, check boxes and
// edits, every change stored into the record at once, the low-power section kept in line with
// the key selection, and the header import and export. The export shows what it will change in
// the header and writes only when the user confirms.

#include "app/dialog_page.h"
#include "params/touch_params.h"

#include <utility>
#include <vector>

class FileReplacer;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class UiServices;
class ZCStatic;

class DlgSub1 : public DialogPage {
    Q_OBJECT
public:
    // services: message boxes and the file dialog; nullptr uses the real ones.
    explicit DlgSub1(QWidget* parent = nullptr, UiServices* services = nullptr);

    const TouchParamSet& Params() const { return m_params; }

    // The writer the export replaces the header with; nullptr uses the real one. Tests give one
    // that fails.
    void SetHeaderWriter(FileReplacer* writer) { m_writer = writer; }

    // The file filter of the import and export dialogs.
    static QString HeaderFileFilter();

    // The header the page's values were last imported from or exported into (its canonical
    // path), empty before the first.
    const QString& HeaderSource() const { return m_headerSource; }

    // Handlers, also reachable from tests.
    void OnImportHeader();
    void OnExportHeader();
    void UpdateLowPowerControls();

    // Thresholds from elsewhere (the debug page's suggestions), applied as the user would enter
    // them: with tickKeys, each key not yet ticked under "键位选择" is ticked first as if its box
    // were clicked (the low-power section follows); then each value goes into its TH edit as if
    // typed and the edit left. Keys without a header macro (6, 7) are ignored. The status line
    // then reads "阈值已应用：TK0=…, TK2=…".
    void ApplyThresholds(const std::vector<std::pair<int, std::int32_t>>& values, bool tickKeys);
    // Key i's box under "键位选择" is ticked.
    bool IsKeyTicked(int key) const;
    // Key i's TH edit receives the text of value and loses the focus: the edit's own handler stores it.
    void EnterThreshold(int key, std::int32_t value);
    // A click on key i's box under "键位选择" (nothing when the box is disabled).
    void ClickKeyBox(int key);

    // Control ids of the per-key controls, by key 0 … 7.
    static const int kKeyCheckIds[kKeyCount];
    static const int kLowPowerKeyIds[kKeyCount];
    static const int kThresholdEditIds[kKeyCount];

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceBasicOptions();
    void FillCombos();
    void ConnectHandlers();
    void OnKeyClicked(int key);
    void OnSelectAll();
    void OnInvert();
    void OnLowPowerClicked();
    void OnComboChanged(int controlId, int index);
    void StoreEdit(QLineEdit* edit);
    // Brings the controls into line with a freshly imported record (no handlers run).
    void ShowImportedParams();
    void SetStatus(const QString& text);

    UiServices* m_services;
    FileReplacer* m_writer = nullptr;
    TouchParamSet m_params;
    QString m_headerSource;

    QComboBox* m_cboModel = nullptr;
    QCheckBox* m_chkKey[kKeyCount] = {};
    QCheckBox* m_chkLowPowerKey[kKeyCount] = {};
    QLineEdit* m_editThreshold[kKeyCount] = {};
    QCheckBox* m_chkSelectAll = nullptr;
    QCheckBox* m_chkInvert = nullptr;
    QCheckBox* m_chkLowPower = nullptr;
    QCheckBox* m_chkGroup0 = nullptr;
    QCheckBox* m_chkGroup1 = nullptr;
    QComboBox* m_cboGotoLowPower = nullptr;
    QComboBox* m_cboWakeUpRate = nullptr;
    QLineEdit* m_editSleepThreshold = nullptr;
    ZCStatic* m_lblGroup0Keys = nullptr;
    ZCStatic* m_lblGroup1Keys = nullptr;
    ZCStatic* m_lblFileStatus = nullptr;
};
