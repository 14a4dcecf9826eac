#pragma once
// What "导出头文件" shows before it writes: the header, each parameter line whose value changes
// (old → new), how many other macros keep their values, and a warning when the page's values
// did not come from this header.

#include <QString>
#include <vector>

struct HeaderValueChange {
    int line = 0;      // line number in the header, from 1
    QString macro;     // the macro's name
    QString oldValue;  // as the header writes it now; "（无）" when the line has none
    QString newValue;  // as it will be written
};

struct HeaderExportReview {
    QString path;
    QString warning;                         // shown above the list when not empty
    std::vector<HeaderValueChange> changes;  // in the header's line order
    int keptMacros = 0;                      // other macros of the header, whose values stay
};

// The line under the list.
inline QString KeptMacrosText(int count)
{
    return QStringLiteral("其余 %1 个参数宏的数值不变。").arg(count);
}
