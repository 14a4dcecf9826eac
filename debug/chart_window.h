#pragma once
// A live chart enlarged in a window of its own: resizable, not modal, closed with Escape (when
// the read-out cursor is not shown) or as any window; closing deletes it. Its size and place are
// remembered per chart between runs. The chart in it is an ordinary CChartCtrl that the live view fills as it
// fills the page's chart; the window only holds it.
//
// Owns: the window and its chart control.
// Does not touch: the data or the curves (the live view puts them in).

#include <QWidget>

class CChartCtrl;

class ChartWindow : public QWidget {
    Q_OBJECT
public:
    // Settings key of chart `index`'s window place.
    static QString PlaceKey(int index);

    // A window for live chart `index` (0 to 2) named `name`, over `owner` (it closes with it).
    ChartWindow(int index, const QString& name, QWidget* owner);
    ~ChartWindow() override;

    CChartCtrl* Chart() const { return m_chart; }
    int Index() const { return m_index; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:

    int m_index;
    CChartCtrl* m_chart;
};
