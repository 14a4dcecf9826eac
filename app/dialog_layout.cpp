#include "app/dialog_layout.h"

#include <QFile>
#include <QFontMetrics>

#include <cmath>

QString ControlEntry::StyleValue(const QString& key) const
{
    const QString prefix = key + QLatin1Char('=');
    for (const QString& s : style)
        if (s.startsWith(prefix))
            return s.mid(prefix.size());
    return {};
}

namespace {

QString Unescape(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            const QChar c = s[i + 1];
            if (c == QLatin1Char('n')) { out += QLatin1Char('\n'); ++i; continue; }
            if (c == QLatin1Char('t')) { out += QLatin1Char('\t'); ++i; continue; }
            if (c == QLatin1Char('\\')) { out += QLatin1Char('\\'); ++i; continue; }
        }
        out += s[i];
    }
    return out;
}

bool ToInt(const QString& s, int* v)
{
    bool ok = false;
    *v = s.trimmed().toInt(&ok);
    return ok;
}

} // namespace

DialogTemplate DialogTemplate::Parse(const QString& text, bool* ok)
{
    DialogTemplate t;
    bool allRead = true;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1String("@dialog"))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            int id = 0, w = 0, h = 0, pt = 0;
            if (f.size() >= 5 && ToInt(f[1], &id) && ToInt(f[2], &w) && ToInt(f[3], &h) && ToInt(f[4], &pt)) {
                t.id = id;
                t.sizeDu = QSize(w, h);
                t.pointSize = pt;
                if (f.size() >= 6)
                    t.caption = Unescape(f[5]);
            } else {
                allRead = false;
            }
            continue;
        }
        const QStringList f = line.split(QLatin1Char('\t'));
        ControlEntry c;
        int x = 0, y = 0, w = 0, h = 0;
        if (f.size() < 7 || !ToInt(f[0], &c.id) || !ToInt(f[3], &x) || !ToInt(f[4], &y) || !ToInt(f[5], &w)
            || !ToInt(f[6], &h)) {
            allRead = false;
            continue;
        }
        c.kind = f[1].trimmed();
        c.caption = Unescape(f[2]);
        c.du = QRect(x, y, w, h);
        if (f.size() > 7 && !f[7].trimmed().isEmpty())
            c.style = f[7].trimmed().split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString& s : c.style)
            s = s.trimmed();
        if (f.size() > 8)
            c.name = Unescape(f[8]);
        t.controls.push_back(c);
    }
    if (ok)
        *ok = allRead;
    return t;
}

DialogTemplate DialogTemplate::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Parse(QString::fromUtf8(file.readAll()));
}

const ControlEntry* DialogTemplate::Find(int id) const
{
    if (id == -1)
        return nullptr;
    for (const ControlEntry& c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

QFont DialogFont(const QString& face, int pointSize)
{
    static const bool substituted = [] {
        // "MS Shell Dlg" stands for Microsoft Sans Serif on Windows; elsewhere a metric-compatible
        // sans serif keeps the dialog units close to the ones the layouts were drawn with.
        const QStringList sans = {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                  QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                  QStringLiteral("Arimo"), QStringLiteral("Noto Sans CJK SC"),
                                  QStringLiteral("DejaVu Sans")};
        QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg"), sans);
        QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg 2"), sans);
        QFont::insertSubstitutions(QStringLiteral("Microsoft Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                    QStringLiteral("DejaVu Sans")});
        QFont::insertSubstitutions(QStringLiteral("Arial"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                    QStringLiteral("DejaVu Sans")});
        QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                                   {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"),
                                    QStringLiteral("DejaVu Serif")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(face);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qMax(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0))));
    return font;
}

DialogUnits DialogUnits::FromFont(const QFont& font)
{
    const QFontMetrics fm(font);
    const int cx = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits u;
    u.bx = qMax(1, (cx / 26 + 1) / 2);
    // The text height as the Windows font mapper reports it: ascent and descent each rounded up.
    const QFontMetricsF fmf(font);
    u.by = qMax(1, static_cast<int>(std::ceil(fmf.ascent()) + std::ceil(fmf.descent())));
    return u;
}

static int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    // Rounds half away from zero, as the Windows MulDiv does.
    const long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return static_cast<int>(q);
}

int DialogUnits::X(int du) const { return MulDiv(du, bx, 4); }
int DialogUnits::Y(int du) const { return MulDiv(du, by, 8); }

QRect DialogUnits::ToPixels(const QRect& du) const
{
    return QRect(X(du.x()), Y(du.y()), X(du.width()), Y(du.height()));
}

QSize DialogUnits::ToPixels(const QSize& du) const { return QSize(X(du.width()), Y(du.height())); }
