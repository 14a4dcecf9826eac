#include "app/zcstatic.h"

#include <QPainter>

#include "app/accessibility.h"

namespace {

QAccessibleInterface* ZCStaticAccessibleFactory(const QString& key, QObject* object)
{
    if (key == QLatin1String("ZCStatic"))
        if (auto* label = qobject_cast<ZCStatic*>(object))
            return new AccessibleLabel(label);
    return nullptr;
}

} // namespace

QColor ColorFromRef(ColorRef c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

ZCStatic::ZCStatic(QWidget* parent, ColorRef text, ColorRef background)
    : QLabel(parent), m_textColor(text), m_bkColor(background)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(ZCStaticAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A left-aligned static wraps its text at word boundaries onto the lines below (the file
    // status line is two lines tall for a long path).
    setWordWrap(true);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ZCStatic::setText(const QString& text)
{
    const QString old = QLabel::text();
    if (old == text)
        return;
    QLabel::setText(text); // raises the name change
    AnnounceLabelText(this, old, m_live);
}

void ZCStatic::SetTextColorRedraw(ColorRef color)
{
    m_textColor = color;
    repaint();
}

void ZCStatic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ColorFromRef(m_bkColor));
    p.setPen(ColorFromRef(m_textColor));
    p.setFont(font());
    // The text is drawn without a background of its own over the label's fill.
    p.setBackgroundMode(m_transparentBk ? Qt::TransparentMode : Qt::OpaqueMode);
    p.setBackground(ColorFromRef(m_bkColor));
    const int flags = static_cast<int>(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    p.drawText(contentsRect(), flags, text());
}
