#include "shell/morvek_dlg.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionTabWidgetFrame>
#include <QVBoxLayout>

#include "app/build_info.h"
#include "app/resources.h"
#include "debug/dlgsub2.h"
#include "debug/threshold_apply.h"
#include "params/dlgsub1.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// The parameter page's thresholds and key boxes, offered to the debug page.
class ParamPageThresholds : public ThresholdTarget {
public:
    explicit ParamPageThresholds(DlgSub1* page) : m_page(page) {}
    KeyThresholdState KeyState(int key) const override
    {
        KeyThresholdState state;
        if (key < 0 || key >= kKeyCount)
            return state;
        state.carried = key < kHeaderKeyCount;
        state.threshold = m_page->Params().keyThreshold[key];
        state.ticked = m_page->IsKeyTicked(key);
        return state;
    }
    void ApplyThresholds(const std::vector<ThresholdChange>& changes, bool tickKeys) override
    {
        std::vector<std::pair<int, std::int32_t>> values;
        for (const ThresholdChange& c : changes)
            values.emplace_back(c.key, c.newValue);
        m_page->ApplyThresholds(values, tickKeys);
    }

private:
    DlgSub1* m_page;
};

} // namespace

void CFixedTabBar::SetItemSize(const QSize& s)
{
    m_itemSize = s;
    updateGeometry();
    resize(sizeHint());
}

QSize CFixedTabBar::tabSizeHint(int) const { return m_itemSize; }

CTabCtrl::CTabCtrl(QWidget* parent) : QWidget(parent), m_bar(new CFixedTabBar(this))
{
    m_bar->setExpanding(false);
    m_bar->setDrawBase(false);
    m_bar->move(2, 2);
}

int CTabCtrl::AddTab(const QString& caption)
{
    const int index = m_bar->addTab(caption);
    m_bar->resize(m_bar->sizeHint());
    update();
    return index;
}

QRect CTabCtrl::ItemRect(int index) const
{
    return m_bar->tabRect(index).translated(m_bar->pos());
}

QRect CTabCtrl::PageRect() const
{
    const QRect item = ItemRect(0);
    const int x = item.left();
    const int y = item.top() + item.height() + 14;
    return QRect(x, y, width() - x - 2, height() - y - 2);
}

void CTabCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QStyleOptionTabWidgetFrame opt;
    opt.initFrom(this);
    const int top = m_bar->geometry().bottom() + 1;
    opt.rect = QRect(0, top, width(), height() - top);
    opt.tabBarSize = m_bar->size();
    opt.shape = QTabBar::RoundedNorth;
    opt.tabBarRect = m_bar->geometry();
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &opt, &p, this);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const DialogTemplate layout = DialogTemplate::Load(QStringLiteral(":/layouts/dlg100.txt"));
    setWindowTitle(layout.caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    m_body = new DialogPage(layout, this);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(m_body);
    setFixedSize(m_body->sizeHint());
    if (auto* icon = m_body->controlAs<QLabel>(128))
        icon->setPixmap(AppIconPixmap(32));
    if (auto* version = m_body->controlAs<QLabel>(kIdVersionLine))
        version->setText(QStringLiteral("版本 ") + MorvekVersion());
    if (auto* ok = m_body->controlAs<QPushButton>(1)) {
        ok->setDefault(true);
        ok->setFocus();
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

CMorvekDlg::CMorvekDlg(QWidget* parent, UiServices* services) : QDialog(parent)
{
    const DialogTemplate layout = DialogTemplate::Load(QStringLiteral(":/layouts/dlg102.txt"));
    setWindowTitle(layout.caption);
    // Title bar, system menu and minimise box; neither resizable nor maximisable.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    m_body = new DialogPage(layout, this, [this](const ControlEntry& ctl, QWidget* p) -> QWidget* {
        if (ctl.kind == QLatin1String("tab"))
            return m_tab = new CTabCtrl(p);
        return nullptr;
    });
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(m_body);
    setFixedSize(m_body->sizeHint());

    // 1. The about entry: the system menu on Windows, the window's context menu elsewhere.
    const QString about = LoadResourceString(101);
    if (!about.isEmpty()) {
        m_aboutAction = new QAction(about, this);
        connect(m_aboutAction, &QAction::triggered, this, &CMorvekDlg::OnAbout);
#ifdef Q_OS_WIN
        if (HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, kIdmAboutBox, reinterpret_cast<LPCWSTR>(about.utf16()));
        }
#endif
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        m_tab->setContextMenuPolicy(Qt::ActionsContextMenu);
        m_tab->addAction(separator);
        m_tab->addAction(m_aboutAction);
    }

    // 2. The icon.
    setWindowIcon(AppIcon());

    // 3, 4. Tab font Arial, cell height 24 pixels (an em of 21), fixed items of 100 × 30.
    QFont tabFont = DialogFont(QStringLiteral("Arial"), 9);
    tabFont.setPixelSize(21);
    tabFont.setWeight(QFont::Normal);
    m_tab->Bar()->setFont(tabFont);
    m_tab->Bar()->SetItemSize(QSize(100, 30));

    // 5-8. Tabs and pages; the pages are created once and only shown or hidden.
    m_tab->AddTab(QStringLiteral("参数设定"));
    const QRect pageRect = m_tab->PageRect();
    m_paramPage = new DlgSub1(m_tab, services);
    m_pages[0] = m_paramPage;
    m_paramPage->setGeometry(pageRect);
    m_paramPage->show();
    m_paramPage->raise();

    m_tab->AddTab(QStringLiteral("调试"));
    m_debugPage = new DlgSub2(m_tab, services);
    m_pages[1] = m_debugPage;
    m_debugPage->setGeometry(pageRect);
    m_debugPage->hide();

    // The two pages share no data; only this link lets the debug page hand its suggested
    // thresholds to the parameter page when the user asks for it.
    m_thresholdLink = std::make_unique<ParamPageThresholds>(m_paramPage);
    m_debugPage->SetThresholdTarget(m_thresholdLink.get());

    m_tab->Bar()->setCurrentIndex(0);
    m_tab->Bar()->setAccessibleName(QStringLiteral("选项卡"));
    connect(m_tab->Bar(), &QTabBar::currentChanged, this, &CMorvekDlg::OnTabSelChange);
}

CMorvekDlg::~CMorvekDlg()
{
    // The pages go with their parent widgets, after this; the debug page must not keep the link.
    if (m_debugPage)
        m_debugPage->SetThresholdTarget(nullptr);
}

void CMorvekDlg::OnTabSelChange(int index)
{
    if (index == 0) {
        m_pages[0]->show();
        m_pages[1]->hide();
    } else if (index == 1) {
        m_pages[0]->hide();
        m_pages[1]->show();
    }
}

void CMorvekDlg::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}

#ifdef Q_OS_WIN
bool CMorvekDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kIdmAboutBox) {
            OnAbout();
            *result = 0;
            return true;
        }
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif
