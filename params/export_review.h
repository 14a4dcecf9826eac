#pragma once
// What "导出头文件" and "morvek-header apply" show of a planned export: the changed lines as text,
// and the warning for a page whose values did not come from the header being written.

#include <QString>

#include "app/header_export_review.h"
#include "params/header_codec.h"

// Where the page's values came from, seen from the header an export goes to.
enum class ParamsOrigin {
    ThisFile,   // imported from it, or exported into it, last
    OtherFile,  // imported from (or exported into) another header last
    NoFile,     // never imported from any header
};

// The warning above the list of changes; empty for ThisFile.
QString ExportWarning(ParamsOrigin origin);

// One changed line as the dialog and the tool show it.
HeaderValueChange ShownChange(const HeaderCodec::LineChange& change);

// The review of a planned export into the header at path.
HeaderExportReview MakeExportReview(const QString& path, const HeaderCodec::ExportPlan& plan, ParamsOrigin origin);

// One changed line of the tool's output: "NAME: OLD → NEW (第 N 行)".
QString ChangeLineText(const HeaderValueChange& change);

// The message when the header already holds every value.
QString NothingToExportText(const QString& path);
