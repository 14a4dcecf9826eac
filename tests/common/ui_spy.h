#pragma once
// Stands in for the message boxes, the file dialogs, the threshold and header export
// confirmations and the shell: records what the page asked for and answers as the test says.

#include <QDir>
#include <functional>
#include <QFileInfo>
#include <QList>
#include <QStringList>

#include "app/header_export_review.h"
#include "app/ui_services.h"

class UiSpy : public UiServices {
public:
    QStringList warnings;    // texts of the message boxes shown
    QStringList documents;   // documents the page asked the shell to open
    QString nextPath;        // what the file dialog returns (empty: cancelled)
    QString lastFilter;      // the filter the file dialog was given
    QString lastTitle;       // the title the last file dialog was given
    QString nextFolder;      // what the folder dialog returns (empty: cancelled)
    int folderPicks = 0;     // times the folder dialog was shown
    bool documentOpens = false;
    QString nextSavePath;    // what the save dialog returns (empty: cancelled)
    QString lastSuggestedName;
    // The confirmation of applied thresholds: what it was shown, and the answer to give.
    QList<ThresholdReview> reviews;
    bool confirmThresholds = true;
    bool tickKeys = true;    // the state "同时勾选这些键位" is left in

    QStringList notes;       // texts of the information boxes shown
    QStringList questions;   // boxes with a choice: their texts, buttons and answers (the last button when none)
    QList<QStringList> questionButtons;
    QList<int> answers;
    std::function<void()> failedLater; // what the last document's viewer runs should it give up
    // The header export's confirmation: what it showed, the answer, what happens while it is open.
    QList<HeaderExportReview> exportReviews;
    bool confirmExport = true;
    std::function<void()> whileExportShown;

    void ShowWarning(QWidget*, const QString& text) override { warnings << text; }
    void ShowInformation(QWidget*, const QString& text) override { notes << text; }
    bool ConfirmHeaderExport(QWidget*, const HeaderExportReview& review) override
    {
        exportReviews << review;
        if (whileExportShown)
            whileExportShown();
        return confirmExport;
    }
    int AskWarning(QWidget*, const QString& text, const QStringList& buttons) override
    {
        questions << text;
        questionButtons << buttons;
        return answers.isEmpty() ? static_cast<int>(buttons.size()) - 1 : answers.takeFirst();
    }
    QString PickSaveFile(QWidget*, const QString& title, const QString& filter, const QString& suggestedName) override
    {
        lastTitle = title;
        lastFilter = filter;
        lastSuggestedName = suggestedName;
        return nextSavePath;
    }
    bool ConfirmThresholds(QWidget*, ThresholdReview& review) override
    {
        reviews << review;
        review.tickKeys = tickKeys;
        return confirmThresholds;
    }
    QString PickOpenFile(QWidget*, const QString& title, const QString& filter) override
    {
        lastTitle = title;
        lastFilter = filter;
        return nextPath;
    }
    QString PickFolder(QWidget*, const QString& title, const QString&) override
    {
        ++folderPicks;
        lastTitle = title;
        return nextFolder;
    }
    bool OpenDocument(const QString& path, std::function<void()> failed) override
    {
        documents << path;
        failedLater = failed;
        return documentOpens;
    }
};

// Path of a program built in the tools folder of the build under test, or an empty string.
inline QString BuiltTool(const QString& name)
{
    const QString dir = qEnvironmentVariable("MORVEK_BINARY_DIR");
    if (dir.isEmpty())
        return {};
    const QString path = QDir(dir).filePath(QStringLiteral("tools/") + name);
    return QFileInfo(path).isExecutable() ? path : QString();
}
