#include "debug/chart_window.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/user_settings.h"
#include "chart/chart_ctrl.h"

QString ChartWindow::PlaceKey(int index) { return QStringLiteral("chartWindow/%1").arg(index); }

ChartWindow::ChartWindow(int index, const QString& name, QWidget* owner)
    : QWidget(owner, Qt::Window), m_index(index), m_chart(new CChartCtrl(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(name + QStringLiteral(" - Morvek"));
    m_chart->setAccessibleName(name);
    m_chart->setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_chart);
    setFocusProxy(m_chart);
    resize(900, 500);
    const QByteArray place = UserSettings()->value(PlaceKey(index)).toByteArray();
    if (!place.isEmpty())
        restoreGeometry(place);
}

ChartWindow::~ChartWindow()
{
    // Where it cannot be saved, the window opens at its default place next time: nothing the user
    // made is lost, so no message.
    UserSettings()->setValue(PlaceKey(m_index), saveGeometry());
}

void ChartWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape reaches the window when the chart did not take it (its cursor takes it while shown).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
