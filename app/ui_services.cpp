#include "app/ui_services.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

#include "app/header_export_dialog.h"
#include "app/threshold_review_dialog.h"

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

    void ShowInformation(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Morvek"), text, QMessageBox::Ok, parent);
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

    QString PickFolder(QWidget* parent, const QString& title, const QString& start) override
    {
        // As the file dialogs: the toolkit's own.
        QFileDialog dialog(parent, title, start);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return QDir::toNativeSeparators(dialog.selectedFiles().first());
    }

    QString PickSaveFile(QWidget* parent, const QString& filter, const QString& suggestedName) override
    {
        QFileDialog dialog(parent, QString(), suggestedName, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // As the open-file dialog: the toolkit's own, its entries shown by name.
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        // A name typed without an extension gets the first filter's (".csv").
        const int dot = filter.indexOf(QStringLiteral("*."));
        if (dot >= 0) {
            const int end = filter.indexOf(QRegularExpression(QStringLiteral("[ ;)]")), dot);
            dialog.setDefaultSuffix(filter.mid(dot + 2, end < 0 ? -1 : end - dot - 2));
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return QDir::toNativeSeparators(dialog.selectedFiles().first());
    }

    bool ConfirmThresholds(QWidget* parent, ThresholdReview& review) override
    {
        CThresholdReviewDlg dialog(review, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        review.tickKeys = dialog.TickKeys();
        return true;
    }

    bool ConfirmHeaderExport(QWidget* parent, const HeaderExportReview& review) override
    {
        CHeaderExportDlg dialog(review, parent);
        return dialog.exec() == QDialog::Accepted;
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
