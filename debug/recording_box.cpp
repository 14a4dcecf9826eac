#include "debug/recording_box.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include "app/dialog_page.h"
#include "app/ui_services.h"
#include "debug/debug_session.h"
#include "debug/recording_session.h"

namespace {

constexpr int kIdRecord = 1057;

} // namespace

RecordingBox::RecordingBox(DialogPage& page, UiServices& services, DebugSession& session)
    : m_page(page), m_services(services), m_session(session), m_box(page.controlAs<QCheckBox>(kIdRecord))
{
    QObject::connect(&session, &DebugSession::RecordingChanged, &page, [this] { Update(); });
    if (!m_box)
        return;
    page.ConnectCheck(m_box, [this](bool on) { OnToggle(on); });
    // The folder is changed from the box's context menu (right click, or Shift+F10 / the menu
    // key while it has the focus).
    m_box->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(m_box, &QWidget::customContextMenuRequested, &page, [this](const QPoint& at) {
        QMenu menu(m_box);
        menu.addAction(QStringLiteral("更改录制文件夹..."), &m_page, [this] { ChooseFolder(); });
        menu.exec(m_box->mapToGlobal(at));
    });
    UpdateTip();
}

void RecordingBox::OnToggle(bool on)
{
    if (on && !m_session.RecordingArmed()) {
        // The folder is asked for once and remembered; again only when it has gone.
        const QString folder = CLinkRecordingSession::SavedFolder();
        if ((folder.isEmpty() || !QFileInfo(folder).isDir()) && !ChooseFolder()) {
            Update();
            return;
        }
    }
    m_session.ArmRecording(on);
}

bool RecordingBox::ChooseFolder()
{
    const QString current = CLinkRecordingSession::SavedFolder();
    const QString folder = m_services.PickFolder(&m_page, QStringLiteral("选择录制文件夹"),
                                                 current.isEmpty() ? QDir::homePath() : current);
    if (folder.isEmpty())
        return false;
    QString settingsFile;
    if (!CLinkRecordingSession::SaveFolder(folder, &settingsFile))
        m_services.ShowWarning(&m_page, QStringLiteral("无法保存设置，下次启动时需要重新选择录制文件夹：\n%1")
                                            .arg(QDir::toNativeSeparators(settingsFile)));
    UpdateTip();
    return true;
}

void RecordingBox::Update()
{
    if (m_box) {
        const DialogPage::PageUpdate update(m_page);
        m_box->setChecked(m_session.RecordingArmed());
    }
    UpdateTip();
}

void RecordingBox::UpdateTip()
{
    if (!m_box)
        return;
    const QString folder = CLinkRecordingSession::SavedFolder();
    const CLinkRecordingSession& recording = m_session.Recording();
    QString tip;
    if (recording.IsRecording())
        tip = QStringLiteral("正在录制：%1").arg(QDir::toNativeSeparators(recording.FilePath()));
    else if (m_session.RecordingArmed())
        tip = QStringLiteral("打开串口后开始录制，文件夹：%1").arg(QDir::toNativeSeparators(folder));
    else if (!folder.isEmpty())
        tip = QStringLiteral("把串口收到的数据录制到文件夹：%1（右键可更改）").arg(QDir::toNativeSeparators(folder));
    else
        tip = QStringLiteral("把串口收到的数据录制到文件（第一次使用时选择文件夹）");
    m_box->setToolTip(tip);
    m_box->setAccessibleDescription(tip);
}
