#pragma once
// The modal and outside-world services the pages use: message boxes, the open-file dialog and
// the shell. Pages call them through this interface so that tests can stand in for them.

#include <QString>

class QFileDialog;
class QWidget;

class UiServices {
public:
    virtual ~UiServices() = default;
    // A modal message box titled "Morvek" with the warning icon and an OK button only.
    virtual void ShowWarning(QWidget* parent, const QString& text) = 0;
    // The open-file dialog; an empty result means the user cancelled. A typed name of a file that
    // does not exist is returned like any other: the caller says what it makes of it. Each entry
    // of the filter is "name (patterns)"; the dialog shows the names only.
    virtual QString PickOpenFile(QWidget* parent, const QString& filter) = 0;
    // Opens a document with the platform's default viewer; false if that failed.
    virtual bool OpenDocument(const QString& path) = 0;
};

// The real services, built on Qt's dialogs and QDesktopServices.
UiServices& DefaultUiServices();

// Sets up the open-file dialog of PickOpenFile: open mode, any typed name accepted, entries shown
// by name.
void ConfigureOpenFileDialog(QFileDialog& dialog);
