#include "app/ui_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <memory>

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

    int AskWarning(QWidget* parent, const QString& text, const QStringList& buttons) override
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Morvek"), text, QMessageBox::NoButton, parent);
        // A path in the text can be selected and copied by hand as well.
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        QList<QAbstractButton*> added;
        for (int i = 0; i < buttons.size(); ++i) {
            const bool last = i == buttons.size() - 1;
            QPushButton* b = box.addButton(buttons[i], last ? QMessageBox::RejectRole : QMessageBox::ActionRole);
            if (i == 0)
                box.setDefaultButton(b);
            if (last)
                box.setEscapeButton(b);
            added << b;
        }
        box.exec();
        const int chosen = static_cast<int>(added.indexOf(box.clickedButton()));
        return chosen < 0 ? static_cast<int>(buttons.size()) - 1 : chosen;
    }

    QString PickOpenFile(QWidget* parent, const QString& title, const QString& filter) override
    {
        QFileDialog dialog(parent, title, QString(), filter);
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

    QString PickSaveFile(QWidget* parent, const QString& title, const QString& filter,
                         const QString& suggestedName) override
    {
        QFileDialog dialog(parent, title, suggestedName, filter);
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

    bool OpenDocument(const QString& path, std::function<void()> failedLater) override
    {
        const QString absolute = QFileInfo(path).absoluteFilePath();
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
        // The toolkit would hand the file to xdg-open and forget it, so that xdg-open finding no
        // program for the type ("no method available", the state after installing without a PDF
        // viewer) went unseen. It runs here instead, and how it ends is watched.
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (!opener.isEmpty())
            return StartOpener(opener, absolute, std::move(failedLater));
#else
        (void)failedLater;
#endif
        return QDesktopServices::openUrl(QUrl::fromLocalFile(absolute));
    }

private:
    // xdg-open ends at once when a desktop's own opener takes the file, or stays while the viewer
    // it started runs. It failed when it ends with another status than 0 soon after it started; a
    // viewer that has been open for a while and is closed with an error status is not reported.
    static bool StartOpener(const QString& opener, const QString& path, std::function<void()> failedLater)
    {
        constexpr qint64 kFailureWindowMs = 10000;
        auto* process = new QProcess(QCoreApplication::instance());
        process->setProgram(opener);
        process->setArguments({path});
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->setStandardInputFile(QProcess::nullDevice());
        auto started = std::make_shared<QElapsedTimer>();
        QObject::connect(process, &QProcess::finished, process,
                         [process, started, failedLater](int code, QProcess::ExitStatus status) {
                             const bool failed = status != QProcess::NormalExit || code != 0;
                             if (failed && failedLater && started->elapsed() < kFailureWindowMs)
                                 failedLater();
                             process->deleteLater();
                         });
        started->start();
        process->start();
        if (!process->waitForStarted()) {
            delete process;
            return false;
        }
        return true;
    }
};

} // namespace

UiServices& DefaultUiServices()
{
    static QtUiServices services;
    return services;
}
