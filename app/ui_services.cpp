#include "app/ui_services.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

void ConfigureOpenFileDialog(QFileDialog& dialog)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed: a file that does not exist reaches the caller, which reports it,
    // instead of the dialog's own "not found" box.
    dialog.setFileMode(QFileDialog::AnyFile);
    // Entries read as their names alone ("Source File (*.ash;*.h)"); the patterns after them in
    // the filter string decide what is listed. The toolkit's own dialog behaves alike on every
    // platform (names, typed paths) and is as accessible as the rest of the window.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
}

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
        QFileDialog dialog(parent, QString(), QString(), filter);
        ConfigureOpenFileDialog(dialog);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        const QStringList files = dialog.selectedFiles();
        // The path as the platform writes it (backslashes on Windows): it is shown in messages.
        return files.isEmpty() ? QString() : QDir::toNativeSeparators(files.first());
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
