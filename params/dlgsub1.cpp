#include "params/dlgsub1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/ui_services.h"
#include "app/zcstatic.h"
#include "params/export_review.h"
#include "params/header_codec.h"

namespace {

constexpr ColorRef kRed = 0x0000FF;
constexpr int kModelCombo = 1029;
constexpr int kImportButton = 1024;
constexpr int kExportButton = 1025;
constexpr int kSelectAll = 1065;
constexpr int kInvert = 1066;
constexpr int kLowPowerEnable = 1075;
constexpr int kGroup0Check = 1086;
constexpr int kGroup1Check = 1087;
constexpr int kGotoLowPowerCombo = 1080;
constexpr int kWakeUpRateCombo = 1078;
constexpr int kSleepThresholdEdit = 1079;
constexpr int kGroup0Label = 1046;
constexpr int kGroup1Label = 1116;
constexpr int kFileStatusLabel = 1117;

// The path that names the same file however it is written (links, "..", a second way in).
QString CanonicalPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

const int DlgSub1::kKeyCheckIds[kKeyCount] = {1067, 1068, 1069, 1070, 1071, 1072, 1073, 1074};
const int DlgSub1::kLowPowerKeyIds[kKeyCount] = {1076, 1077, 1081, 1082, 1083, 1084, 1085, 1118};
const int DlgSub1::kThresholdEditIds[kKeyCount] = {1101, 1108, 1102, 1103, 1104, 1105, 1106, 1107};

QString DlgSub1::HeaderFileFilter()
{
    // Two entries, each a name and its patterns; the dialog shows the names only:
    // "Source File (*.ash;*.h)" lists the files matching *cfg.ash or *cfg.h, "All Files (*.*)"
    // every file.
    return QStringLiteral("Source File (*.ash;*.h) (*cfg.ash *cfg.h);;All Files (*.*) (*)");
}

DlgSub1::DlgSub1(QWidget* parent, UiServices* services)
    : DialogPage(DialogTemplate::Load(QStringLiteral(":/layouts/dlg129.txt")), parent),
      m_services(services ? services : &DefaultUiServices())
{
    m_cboModel = controlAs<QComboBox>(kModelCombo);
    for (int i = 0; i < kKeyCount; ++i) {
        m_chkKey[i] = controlAs<QCheckBox>(kKeyCheckIds[i]);
        m_chkLowPowerKey[i] = controlAs<QCheckBox>(kLowPowerKeyIds[i]);
        m_editThreshold[i] = controlAs<QLineEdit>(kThresholdEditIds[i]);
        Q_ASSERT(m_chkKey[i] && m_chkLowPowerKey[i] && m_editThreshold[i]);
    }
    m_chkSelectAll = controlAs<QCheckBox>(kSelectAll);
    m_chkInvert = controlAs<QCheckBox>(kInvert);
    m_chkLowPower = controlAs<QCheckBox>(kLowPowerEnable);
    m_chkGroup0 = controlAs<QCheckBox>(kGroup0Check);
    m_chkGroup1 = controlAs<QCheckBox>(kGroup1Check);
    m_cboGotoLowPower = controlAs<QComboBox>(kGotoLowPowerCombo);
    m_cboWakeUpRate = controlAs<QComboBox>(kWakeUpRateCombo);
    m_editSleepThreshold = controlAs<QLineEdit>(kSleepThresholdEdit);
    m_lblGroup0Keys = controlAs<ZCStatic>(kGroup0Label);
    m_lblGroup1Keys = controlAs<ZCStatic>(kGroup1Label);
    m_lblFileStatus = controlAs<ZCStatic>(kFileStatusLabel);
    Q_ASSERT(m_cboModel && m_chkSelectAll && m_chkInvert && m_chkLowPower && m_chkGroup0 && m_chkGroup1
             && m_cboGotoLowPower && m_cboWakeUpRate && m_editSleepThreshold && m_lblGroup0Keys
             && m_lblGroup1Keys && m_lblFileStatus);

    PlaceBasicOptions();

    m_cboModel->addItems(IcModelItems());
    m_cboModel->setCurrentIndex(0);
    // The only model has six keys: keys 6 and 7 can never be enabled.
    if (m_cboModel->currentIndex() == 0) {
        m_chkKey[6]->setEnabled(false);
        m_chkKey[7]->setEnabled(false);
    }

    FillCombos();
    m_editSleepThreshold->setText(QString::number(m_params.sleepThreshold));
    for (int i = 0; i < kHeaderKeyCount; ++i)
        m_editThreshold[i]->setText(QString::number(m_params.keyThreshold[i]));

    ConnectHandlers();
    UpdateLowPowerControls();
}

void DlgSub1::PlaceBasicOptions()
{
    auto place = [this](int id, int x, int y, int w, int h) {
        if (QWidget* c = control(id))
            c->setGeometry(x, y, w, h);
    };
    place(1098, 30, 40, 50, 15);
    place(kImportButton, 210, 34, 100, 25);
    place(kExportButton, 350, 34, 100, 25);
    const struct {
        int y;
        int ids[4];
    } rows[] = {
        {80, {1088, 1089, 1090, 1091}}, {100, {1059, 1060, 1057, 1058}}, {130, {1092, 1093, 1094, 1095}},
        {150, {1055, 1056, 1061, 1062}}, {180, {1096, 1097, 0, 0}},     {200, {1063, 1064, 0, 0}},
    };
    const int xs[4] = {30, 180, 330, 480};
    for (const auto& row : rows)
        for (int k = 0; k < 4; ++k)
            if (row.ids[k])
                place(row.ids[k], xs[k], row.y, 120, 15);
}

void DlgSub1::FillCombos()
{
    for (const OptionTable& t : ParamOptionTables()) {
        auto* combo = controlAs<QComboBox>(t.controlId);
        Q_ASSERT(combo);
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(t.items);
        combo->setCurrentIndex(t.initialIndex);
    }
}

void DlgSub1::ConnectHandlers()
{
    connect(controlAs<QPushButton>(kImportButton), &QPushButton::clicked, this, &DlgSub1::OnImportHeader);
    connect(controlAs<QPushButton>(kExportButton), &QPushButton::clicked, this, &DlgSub1::OnExportHeader);
    // The check boxes' handlers follow every change of a box (mouse, Space, the accessibility
    // toggle action, setChecked). The boxes the handlers tick or clear themselves run nothing.
    // "全选" and "反选" act on every change of their own (unread) check mark, as on a click.
    for (int i = 0; i < kKeyCount; ++i) {
        ConnectCheck(m_chkKey[i], [this, i](bool) { OnKeyClicked(i); });
        ConnectCheck(m_chkLowPowerKey[i], [this](bool) { UpdateLowPowerControls(); });
        m_editThreshold[i]->installEventFilter(this);
    }
    m_editSleepThreshold->installEventFilter(this);
    ConnectCheck(m_chkSelectAll, [this](bool) { OnSelectAll(); });
    ConnectCheck(m_chkInvert, [this](bool) { OnInvert(); });
    ConnectCheck(m_chkLowPower, [this](bool) { OnLowPowerClicked(); });
    ConnectCheck(m_chkGroup0, [this](bool checked) {
        m_params.lpGroup0 = checked ? 1 : 0;
        UpdateLowPowerControls();
    });
    ConnectCheck(m_chkGroup1, [this](bool checked) {
        m_params.lpGroup1 = checked ? 1 : 0;
        UpdateLowPowerControls();
    });
    // Programmatic selections are made with the signals blocked, so this runs for the user's
    // choices only (mouse, keyboard or the drop-down list). A pick of the item already shown
    // stores it too: after an import the shown item may stand for a different code (120 shows
    // "1.0 S"), and choosing that item means its own code.
    for (const OptionTable& t : ParamOptionTables()) {
        const int id = t.controlId;
        auto* combo = controlAs<QComboBox>(id);
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, id](int index) { OnComboChanged(id, index); });
        connect(combo, qOverload<int>(&QComboBox::activated), this,
                [this, id](int index) { OnComboChanged(id, index); });
    }
    // Combo 1029 (the IC model) stores nothing.
}

void DlgSub1::OnComboChanged(int controlId, int index)
{
    const OptionTable* t = FindOptionTable(controlId);
    if (!t || index < 0 || index >= t->items.size())
        return;
    m_params.*(t->field) = t->CodeFromIndex(index);
}

bool DlgSub1::eventFilter(QObject* watched, QEvent* event)
{
    // The edits store their value when they lose the input focus, not while the user types
    // and not on Return.
    if (event->type() == QEvent::FocusOut)
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            StoreEdit(edit);
    return DialogPage::eventFilter(watched, event);
}

void DlgSub1::StoreEdit(QLineEdit* edit)
{
    const std::int32_t value = TextToInt(edit->text());
    if (edit == m_editSleepThreshold) {
        m_params.sleepThreshold = value;
        return;
    }
    for (int i = 0; i < kKeyCount; ++i)
        if (edit == m_editThreshold[i])
            m_params.keyThreshold[i] = value;
}

void DlgSub1::OnKeyClicked(int key)
{
    m_params.keyEnable[key] = m_chkKey[key]->isChecked() ? 1 : 0;
    UpdateLowPowerControls();
}

void DlgSub1::OnSelectAll()
{
    for (int i = 0; i < kKeyCount; ++i) {
        if (!m_chkKey[i]->isEnabled())
            continue;
        m_chkKey[i]->setChecked(true);
        m_params.keyEnable[i] = 1;
    }
    UpdateLowPowerControls();
}

void DlgSub1::OnInvert()
{
    for (int i = 0; i < kKeyCount; ++i) {
        if (!m_chkKey[i]->isEnabled())
            continue;
        m_params.keyEnable[i] = m_params.keyEnable[i] == 0 ? 1 : 0;
        m_chkKey[i]->setChecked(m_params.keyEnable[i] == 1);
    }
    UpdateLowPowerControls();
}

void DlgSub1::OnLowPowerClicked()
{
    if (m_chkLowPower->isChecked()) {
        m_params.touchLowerPower = 1;
        m_params.lpGroup0 = 1;
        m_chkGroup0->setChecked(true);
    } else {
        m_params.touchLowerPower = 0;
    }
    UpdateLowPowerControls();
}

void DlgSub1::UpdateLowPowerControls()
{
    const PageUpdate update(*this); // boxes cleared here run no handler
    for (int i = 0; i < kKeyCount; ++i)
        m_editThreshold[i]->setEnabled(m_params.keyEnable[i] != 0);

    for (int i = 0; i < kKeyCount; ++i) {
        const bool usable = m_chkKey[i]->isChecked() && m_chkLowPower->isChecked();
        m_chkLowPowerKey[i]->setEnabled(usable);
        if (!usable)
            m_chkLowPowerKey[i]->setChecked(false);
    }

    if (m_params.touchLowerPower != 0) {
        m_chkGroup0->setEnabled(true);
        m_chkGroup1->setEnabled(true);
        m_cboGotoLowPower->setEnabled(true);
        m_cboWakeUpRate->setEnabled(true);
        m_editSleepThreshold->setEnabled(true);

        unsigned keys = 0;
        for (int i = 0; i < kKeyCount; ++i)
            if (m_chkLowPowerKey[i]->isChecked())
                keys |= 1u << i;
        const LowPowerMasks masks = SplitLowPowerKeys(m_params.lpGroup0, m_params.lpGroup1, keys);
        m_params.lpGroup0Mask = masks.group0;
        m_params.lpGroup1Mask = masks.group1;

        m_lblGroup0Keys->setText(ChannelKeysText(masks.group0));
        m_lblGroup0Keys->SetTextColorRedraw(kRed);
        m_lblGroup1Keys->setText(ChannelKeysText(masks.group1));
        m_lblGroup1Keys->SetTextColorRedraw(kRed);
    } else {
        m_params.lpGroup0 = 0;
        m_params.lpGroup1 = 0;
        m_chkGroup0->setChecked(false);
        m_chkGroup1->setChecked(false);
        m_chkGroup0->setEnabled(false);
        m_chkGroup1->setEnabled(false);
        m_lblGroup0Keys->setText(QStringLiteral(" "));
        m_lblGroup1Keys->setText(QStringLiteral(" "));
        m_cboGotoLowPower->setEnabled(false);
        m_cboWakeUpRate->setEnabled(false);
        m_editSleepThreshold->setEnabled(false);
        // The two masks keep their values.
    }
}

bool DlgSub1::IsKeyTicked(int key) const { return key >= 0 && key < kKeyCount && m_chkKey[key]->isChecked(); }

void DlgSub1::EnterThreshold(int key, std::int32_t value)
{
    if (key < 0 || key >= kKeyCount)
        return;
    m_editThreshold[key]->setText(QString::number(value));
    StoreEdit(m_editThreshold[key]);
}

void DlgSub1::ClickKeyBox(int key)
{
    if (key < 0 || key >= kKeyCount)
        return;
    m_chkKey[key]->click(); // does nothing to a disabled box, as a mouse click would not
}

void DlgSub1::ApplyThresholds(const std::vector<std::pair<int, std::int32_t>>& values, bool tickKeys)
{
    QStringList applied;
    for (const auto& [key, value] : values) {
        if (key < 0 || key >= kHeaderKeyCount)
            continue;
        if (tickKeys && !IsKeyTicked(key))
            ClickKeyBox(key);
        EnterThreshold(key, value);
        applied << QStringLiteral("TK%1=%2").arg(key).arg(value);
    }
    if (!applied.isEmpty())
        SetStatus(QStringLiteral("阈值已应用：") + applied.join(QStringLiteral(", ")));
}

void DlgSub1::SetStatus(const QString& text)
{
    m_lblFileStatus->setText(text);
    m_lblFileStatus->SetTextColorRedraw(kRed);
}

void DlgSub1::OnExportHeader()
{
    const QString path = m_services->PickOpenFile(this, QStringLiteral("导出头文件"), HeaderFileFilter());
    if (path.isEmpty())
        return;
    // A refused file, a failed write or a header without any of the macros leaves the file and
    // the status line as they were; the message box says why. So does a header that already
    // holds every value, and a Cancel in the preview.
    HeaderExportPlan plan;
    HeaderFileError e = PlanHeaderExport(path, RecordValues(m_params), &plan);
    if (e != HeaderFileError::None) {
        m_services->ShowWarning(this, HeaderErrorMessage(e, path, plan.refusal));
        return;
    }
    if (plan.edit.changes.empty()) {
        m_services->ShowInformation(this, NothingToExportText(path));
        return;
    }
    const QString canonical = CanonicalPath(path);
    const ParamsOrigin origin = m_headerSource.isEmpty()     ? ParamsOrigin::NoFile
                                : m_headerSource == canonical ? ParamsOrigin::ThisFile
                                                              : ParamsOrigin::OtherFile;
    if (!m_services->ConfirmHeaderExport(this, MakeExportReview(path, plan.edit, origin)))
        return;
    HeaderExportReport report;
    e = WriteHeaderExport(path, plan, &report, m_writer);
    if (e != HeaderFileError::None) {
        m_services->ShowWarning(this, HeaderErrorMessage(e, path, report.reason));
        return;
    }
    // The header now holds the page's values: the next export into it needs no warning.
    m_headerSource = canonical;
    SetStatus(QStringLiteral("文件已导出：") + path);
}

void DlgSub1::OnImportHeader()
{
    const QString path = m_services->PickOpenFile(this, QStringLiteral("导入头文件"), HeaderFileFilter());
    if (path.isEmpty())
        return;
    // A file that gives none of the macros a value (the wrong file), or whose lines end in
    // carriage returns alone, is reported and the page stays as it was.
    TouchParamSet loaded = m_params;
    const HeaderFileError e = ImportHeaderFile(path, &loaded);
    if (e != HeaderFileError::None) {
        m_services->ShowWarning(this, HeaderErrorMessage(e, path));
        return;
    }
    const PageUpdate update(*this);
    m_params = loaded;
    m_headerSource = CanonicalPath(path);
    ShowImportedParams();
    UpdateLowPowerControls();
    SetStatus(QStringLiteral("文件已导入：") + path);
}

void DlgSub1::ShowImportedParams()
{
    // Runs inside the import's PageUpdate, and the combo boxes are set with their signals
    // blocked, so no handler runs: the record already holds the loaded values.
    for (int i = 0; i < kKeyCount; ++i) {
        const std::uint32_t bit = 1u << i;
        if (static_cast<std::uint32_t>(m_params.lpGroup0Mask) & bit)
            m_chkLowPowerKey[i]->setChecked(true);
    }
    for (int i = 0; i < kKeyCount; ++i) {
        const std::uint32_t bit = 1u << i;
        if (static_cast<std::uint32_t>(m_params.lpGroup1Mask) & bit)
            m_chkLowPowerKey[i]->setChecked(true);
    }

    auto select = [this](int id) {
        const OptionTable* t = FindOptionTable(id);
        auto* combo = controlAs<QComboBox>(id);
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(t->IndexFromCode(m_params.*(t->field)));
    };
    for (int id : {1059, 1060, 1057, 1058, 1055, 1056, 1061, 1062, 1063, 1064})
        select(id);

    // A loaded value other than 0 shows as checked; the record keeps it as read.
    for (int i = 0; i < kHeaderKeyCount; ++i)
        m_chkKey[i]->setChecked(m_params.keyEnable[i] != 0);
    m_chkSelectAll->setChecked(false);
    m_chkInvert->setChecked(false);
    for (int i = 0; i < kHeaderKeyCount; ++i)
        m_editThreshold[i]->setText(QString::number(m_params.keyThreshold[i]));
    m_chkLowPower->setChecked(m_params.touchLowerPower != 0);
    m_chkGroup0->setChecked(m_params.lpGroup0 != 0);
    m_chkGroup1->setChecked(m_params.lpGroup1 != 0);
    select(kGotoLowPowerCombo);
    select(kWakeUpRateCombo);
    m_editSleepThreshold->setText(QString::number(m_params.sleepThreshold));
}
