#include "app/vertical_check_box.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr int kGap = 3; // between the box and the first character

} // namespace

CVerticalCheckBox::CVerticalCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

int CVerticalCheckBox::LineHeight() const { return fontMetrics().height(); }

QRect CVerticalCheckBox::IndicatorRect() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const int w = style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this);
    const int h = style()->pixelMetric(QStyle::PM_IndicatorHeight, &opt, this);
    return QRect((width() - w) / 2, 0, w, h);
}

QSize CVerticalCheckBox::sizeHint() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QFontMetrics metrics = fontMetrics();
    int widest = style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this);
    for (const QChar c : text())
        widest = std::max(widest, metrics.horizontalAdvance(c));
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, &opt, this);
    return {widest + 4, indicator + kGap + int(text().size()) * LineHeight() + 2};
}

void CVerticalCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.rect = IndicatorRect();
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, opt);

    const int line = LineHeight();
    const QRect textRect(0, opt.rect.bottom() + 1 + kGap, width(), int(text().size()) * line);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    for (int i = 0; i < text().size(); ++i)
        painter.drawText(QRect(0, textRect.top() + i * line, width(), line), Qt::AlignHCenter | Qt::AlignVCenter,
                         QString(text().at(i)));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(0, -1, 0, 1) & rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool CVerticalCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }
