#pragma once
// A vertical spin button without a number field: an up arrow over a down arrow. It keeps no
// position of its own; every step is reported as a position change, -1 for the up arrow and
// +1 for the down arrow (the direction of a spin button whose range runs from 100 down to 0).
// The arrows repeat while held; with the focus, the Up and Down keys step as well.

#include <QWidget>

class QToolButton;

class CSpinArrows : public QWidget {
    Q_OBJECT
public:
    explicit CSpinArrows(QWidget* parent = nullptr);

    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

    // What the pair and each arrow change, as tooltips that assistive technology reads as their
    // descriptions too.
    void SetStepTips(const QString& pair, const QString& up, const QString& down);

signals:
    // delta: -1 up, +1 down.
    void DeltaPos(int delta);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};
