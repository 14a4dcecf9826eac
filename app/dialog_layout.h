#pragma once
// Dialog layout tables: controls placed in dialog units and turned into pixels the way the
// Windows dialog manager does it, from the base units of the dialog's font.

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

// One control of a layout table.
struct ControlEntry {
    int id = -1;          // -1 for controls the code never addresses (plain labels, frames)
    QString kind;         // group, label, zcstatic, button, defbutton, check, combo, edit, list,
                          // progress, spin, icon, or a kind that the page creates itself
    QString caption;
    QRect du;             // position and size in dialog units
    QStringList style;    // flags such as disabled, hidden, buddy=<id>, live (a status line
                          // whose changes are announced at once)
    QString name;         // fixed accessible name of a control without text of its own; for a
                          // control that shows text (named by that text) its description

    bool HasStyle(const QString& flag) const { return style.contains(flag); }
    // Value of a "key=value" style entry, or an empty string.
    QString StyleValue(const QString& key) const;
};

// A whole layout table: the dialog's own size, font and caption, and its controls in tab order.
struct DialogTemplate {
    int id = 0;
    QSize sizeDu;
    QString fontFace = QStringLiteral("MS Shell Dlg");
    int pointSize = 8;
    QString caption;
    std::vector<ControlEntry> controls;

    // Reads a table. Lines: "@dialog id width height pointsize caption" once, then one control
    // per line with tab-separated fields id, kind, caption, x, y, width, height, style, name.
    // Blank lines and lines starting with '#' are skipped. "\t" and "\n" escapes are allowed in
    // captions. Malformed lines are skipped; ok (if given) reports whether every line was read.
    static DialogTemplate Parse(const QString& text, bool* ok = nullptr);
    // Reads a table from a file or Qt resource path; an unreadable file gives an empty table.
    static DialogTemplate Load(const QString& path);

    const ControlEntry* Find(int id) const;
};

// The dialog font: face and point size as the template names them, with the platform's
// substitutes where the face is missing. Point sizes are taken at 96 dots per inch, as the
// layouts were drawn.
QFont DialogFont(const QString& face, int pointSize);

// Converts dialog units to pixels: x·bx/4 and y·by/8, rounded as MulDiv does.
struct DialogUnits {
    int bx = 6;
    int by = 13;

    // bx: average width of the 52 Latin letters; by: the font's text height.
    static DialogUnits FromFont(const QFont& font);
    int X(int du) const;
    int Y(int du) const;
    QRect ToPixels(const QRect& du) const;
    QSize ToPixels(const QSize& du) const;
};
