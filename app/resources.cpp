#include "app/resources.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>

QString FindResourceString(const QString& table, int id)
{
    const QStringList lines = table.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const int tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        bool ok = false;
        if (line.left(tab).trimmed().toInt(&ok) == id && ok)
            return line.mid(tab + 1);
    }
    return {};
}

QString LoadResourceString(int id)
{
    static const QString table = [] {
        QFile f(QStringLiteral(":/strings.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }();
    return FindResourceString(table, id);
}

QPixmap AppIconPixmap(int size)
{
    // A rounded key cap with a fingertip's concentric field lines over it.
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(0x2f, 0x80, 0xd0));
    g.setColorAt(1, QColor(0x16, 0x4a, 0x86));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 230 - 60 * i), 3));
        const double r = 8 + 7 * i;
        p.drawArc(QRectF(32 - r, 30 - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xc8, 0x3c));
    p.drawEllipse(QPointF(32, 34), 6, 6);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 50), QPointF(48, 50));
    return pm;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int s : {16, 32, 48, 64})
        icon.addPixmap(AppIconPixmap(s));
    return icon;
}
