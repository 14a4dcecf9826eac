#include "app/ui_services.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {

class QtUiServices : public UiServices {
public:
    void ShowWarning(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Morvek"), text, QMessageBox::Ok, parent);
        box.exec();
    }

    QString PickOpenFile(QWidget* parent, const QString& filter) override
    {
        // The path as the platform writes it (backslashes on Windows): it is shown in messages.
        return QDir::toNativeSeparators(QFileDialog::getOpenFileName(parent, QString(), QString(), filter));
    }

    QString PickFolder(QWidget* parent, const QString& title, const QString& start) override
    {
        return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(parent, title, start));
    }

    bool OpenDocument(const QString& path) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }
};

} // namespace

UiServices& DefaultUiServices()
{
    static QtUiServices services;
    return services;
}
