#pragma once
// Resources shared by the windows: the string table and the application icon.

#include <QIcon>
#include <QPixmap>
#include <QString>

// Text of a string-table entry, or an empty string when there is none.
QString LoadResourceString(int id);
// Parses a string table ("id<TAB>text" lines, '#' comments); used by LoadResourceString.
QString FindResourceString(const QString& table, int id);

// Icon 128: the application icon, 64 × 64.
QPixmap AppIconPixmap(int size = 64);
QIcon AppIcon();
