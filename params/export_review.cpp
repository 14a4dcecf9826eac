#include "params/export_review.h"

QString ExportWarning(ParamsOrigin origin)
{
    switch (origin) {
    case ParamsOrigin::ThisFile: return {};
    case ParamsOrigin::OtherFile:
        return QStringLiteral("页面上的参数不是从此文件导入的：页面的每一项设置都将写入此文件。"
                              "若要保留文件中原有的设置，请点击“取消”，先从此文件“导入头文件”。");
    case ParamsOrigin::NoFile:
        return QStringLiteral("页面上的参数尚未从任何文件导入：页面的每一项设置（包括未改动的初始值）都将写入此文件。"
                              "若要保留文件中原有的设置，请点击“取消”，先“导入头文件”。");
    }
    return {};
}

HeaderValueChange ShownChange(const HeaderCodec::LineChange& change)
{
    HeaderValueChange shown;
    shown.line = change.line;
    shown.macro = QString::fromLatin1(ParamMacroTable[change.macro].name);
    shown.oldValue = change.oldText.isEmpty() ? QStringLiteral("（无）") : QString::fromUtf8(change.oldText);
    shown.newValue = QString::fromLatin1(change.newText);
    return shown;
}

HeaderExportReview MakeExportReview(const QString& path, const HeaderCodec::ExportPlan& plan, ParamsOrigin origin)
{
    HeaderExportReview review;
    review.path = path;
    review.warning = ExportWarning(origin);
    for (const HeaderCodec::LineChange& c : plan.changes)
        review.changes.push_back(ShownChange(c));
    review.keptMacros = plan.macrosKept;
    return review;
}

QString ChangeLineText(const HeaderValueChange& change)
{
    return QStringLiteral("%1: %2 → %3 (第 %4 行)").arg(change.macro, change.oldValue, change.newValue).arg(change.line);
}

QString NothingToExportText(const QString& path)
{
    return QStringLiteral("文件中已是这些数值，无需写入：") + path;
}
