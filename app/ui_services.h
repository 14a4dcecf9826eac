#pragma once
// The modal and outside-world services the pages use: message boxes, the file and folder
// dialogs, the confirmations of applied thresholds and of a header export, and the shell. Pages call them through this
// interface so that tests can stand in for them.

#include <QString>
#include <QStringList>
#include <functional>

#include "app/threshold_review.h"

class QFileDialog;
class QWidget;
struct HeaderExportReview;

class UiServices {
public:
    virtual ~UiServices() = default;
    // A modal message box titled "Morvek" with the warning icon and an OK button only.
    virtual void ShowWarning(QWidget* parent, const QString& text) = 0;
    // A modal message box titled "Morvek" with the information icon and an OK button only.
    virtual void ShowInformation(QWidget* parent, const QString& text) = 0;
    // A modal message box titled "Morvek" with the warning icon and these buttons, the last one
    // also taken by Escape and by closing the box. The index of the button chosen.
    // (Stand-ins that are never asked need not provide it: they answer with the last button.)
    virtual int AskWarning(QWidget* parent, const QString& text, const QStringList& buttons)
    {
        (void)parent;
        (void)text;
        return static_cast<int>(buttons.size()) - 1;
    }
    // The open-file dialog, titled title; an empty result means the user cancelled. A typed name
    // of a file that does not exist is returned like any other: the caller says what it makes of
    // it. Each entry of the filter is "name (patterns)"; the dialog shows the names only.
    virtual QString PickOpenFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // The folder dialog, titled title and opened at start; an empty result means the user
    // cancelled. (Stand-ins that are never asked for a folder need not provide it.)
    virtual QString PickFolder(QWidget* parent, const QString& title, const QString& start)
    {
        (void)parent;
        (void)title;
        (void)start;
        return {};
    }
    // The save-file dialog, titled title, starting with suggestedName; asks before replacing an
    // existing file. An empty result means the user cancelled.
    virtual QString PickSaveFile(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& suggestedName) = 0;
    // Shows the thresholds about to be applied to the parameter page and the rows skipped, with
    // the check box "同时勾选这些键位" preset from review.tickKeys. True when the user confirms;
    // review.tickKeys then holds the check box's final state.
    virtual bool ConfirmThresholds(QWidget* parent, ThresholdReview& review) = 0;
    // Shows what "导出头文件" is about to change in the header (the dialog of
    // header_export_dialog.h). True when the user confirms.
    virtual bool ConfirmHeaderExport(QWidget* parent, const HeaderExportReview& review) = 0;
    // Opens a document (or a folder) with the platform's default viewer; false if no viewer could
    // be started. Where the viewer is started through a helper that may still give up after
    // this returns (xdg-open finding no program for the file's type), failedLater runs then, on
    // the user-interface thread.
    virtual bool OpenDocument(const QString& path, std::function<void()> failedLater = {}) = 0;
};

// The real services, built on Qt's dialogs and QDesktopServices.
UiServices& DefaultUiServices();

// Sets up the open-file dialog of PickOpenFile: open mode, any typed name accepted, entries shown
// by name.
void ConfigureOpenFileDialog(QFileDialog& dialog);
