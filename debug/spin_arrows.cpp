#include "debug/spin_arrows.h"

#include <QKeyEvent>
#include <QToolButton>
#include <utility>

CSpinArrows::CSpinArrows(QWidget* parent) : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    const struct {
        QToolButton* button;
        Qt::ArrowType arrow;
        const char* name;
        int delta;
    } parts[] = {{m_up, Qt::UpArrow, "增大", -1}, {m_down, Qt::DownArrow, "减小", +1}};
    for (const auto& p : parts) {
        p.button->setArrowType(p.arrow);
        p.button->setAutoRepeat(true);
        p.button->setFocusPolicy(Qt::NoFocus);
        p.button->setAccessibleName(QString::fromUtf8(p.name));
        const int delta = p.delta;
        connect(p.button, &QToolButton::clicked, this, [this, delta] { emit DeltaPos(delta); });
    }
}

void CSpinArrows::SetStepTips(const QString& pair, const QString& up, const QString& down)
{
    for (const auto& [w, tip] : {std::pair<QWidget*, QString>{this, pair}, {m_up, up}, {m_down, down}}) {
        w->setToolTip(tip);
        w->setAccessibleDescription(tip);
    }
}

void CSpinArrows::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Plus:
        emit DeltaPos(-1);
        return;
    case Qt::Key_Down:
    case Qt::Key_Minus:
        emit DeltaPos(+1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CSpinArrows::resizeEvent(QResizeEvent*)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}
