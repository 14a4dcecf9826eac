#pragma once
// The main window: a tab control with the parameter page and the debug page, and the about box.

#include <QDialog>
#include <QTabBar>
#include <memory>

#include "app/dialog_page.h"

class DlgSub1;
class DlgSub2;
class ThresholdTarget;
class UiServices;

// Tab bar whose tabs all have one fixed size, as a fixed-width tab control.
class CFixedTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit CFixedTabBar(QWidget* parent = nullptr) : QTabBar(parent) {}
    void SetItemSize(const QSize& s);
    QSize ItemSize() const { return m_itemSize; }

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    QSize m_itemSize{100, 30};
};

// Tab control 1002: the tab row along the top, a frame around the client area, and the pages
// as children placed below the row.
class CTabCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CTabCtrl(QWidget* parent = nullptr);
    CFixedTabBar* Bar() const { return m_bar; }
    // Appends a tab and fits the tab row to its items.
    int AddTab(const QString& caption);
    // Rectangle of a tab item in this control's coordinates.
    QRect ItemRect(int index) const;
    // The pages' rectangle: from the left of item 0, 14 pixels below it, to 2 pixels inside the
    // right and bottom edges.
    QRect PageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CFixedTabBar* m_bar;
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // The second line of text: the program's version.
    static constexpr int kIdVersionLine = 1000;

    explicit CAboutDlg(QWidget* parent = nullptr);
    DialogPage* Body() const { return m_body; }

private:
    DialogPage* m_body;
};

class CMorvekDlg : public QDialog {
    Q_OBJECT
public:
    // Command id of the about entry in the system menu.
    static constexpr unsigned kIdmAboutBox = 0x0010;

    explicit CMorvekDlg(QWidget* parent = nullptr, UiServices* services = nullptr);
    ~CMorvekDlg() override;

    CTabCtrl* Tab() const { return m_tab; }
    DlgSub1* ParamPage() const { return m_paramPage; }
    DlgSub2* DebugPage() const { return m_debugPage; }
    DialogPage* Body() const { return m_body; }
    QWidget* Page(int index) const { return (index == 0 || index == 1) ? m_pages[index] : nullptr; }
    // The about entry as offered by this window (system menu on Windows, context menu elsewhere).
    QAction* AboutAction() const { return m_aboutAction; }

    // Shows the page of the given tab and hides the other; other values change nothing.
    void OnTabSelChange(int index);
    // Opens the about box modally.
    void OnAbout();

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    DialogPage* m_body;
    CTabCtrl* m_tab;
    DlgSub1* m_paramPage = nullptr;
    DlgSub2* m_debugPage = nullptr;
    QWidget* m_pages[2] = {nullptr, nullptr};
    QAction* m_aboutAction = nullptr;
    // The parameter page as the debug page's "应用阈值到参数页" sees it.
    std::unique_ptr<ThresholdTarget> m_thresholdLink;
};
