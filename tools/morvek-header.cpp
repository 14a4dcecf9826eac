// morvek-header: reads and patches a touch library configuration header from scripts, by the
// same rules as the parameter page's import and export.
//
//   morvek-header show FILE                 prints NAME=VALUE for every macro read from FILE
//   morvek-header apply [--dry-run] FILE NAME=VALUE...
//                                           sets the named macros, prints each line whose value
//                                           changes (old → new) and patches FILE; with --dry-run
//                                           only prints
//   morvek-header --help | --version
//
// Exit codes: 0 done (also when FILE already holds the values: then nothing is written); 1 the
// path is not a cfg path, the file cannot be opened or writing it failed (full disk, quota, I/O
// error); 2 usage (unknown command, unknown macro name, a value that is not a number); 3 FILE
// has no line that names one of the macros, or its lines end in CR alone, so that it has no line
// at all. FILE is left untouched on every error.

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#include "params/export_review.h"
#include "params/header_codec.h"
#include "tools/standard_options.h"

namespace {

void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int Usage(const QString& problem = {})
{
    if (!problem.isEmpty())
        Print(stderr, QStringLiteral("morvek-header: ") + problem + QLatin1Char('\n'));
    Print(stderr, QStringLiteral("usage: morvek-header show FILE | morvek-header apply [--dry-run] FILE NAME=VALUE...\n"));
    return 2;
}

int FileError(HeaderFileError e, const QString& path, const QString& reason = {})
{
    Print(stderr, HeaderErrorMessage(e, path, reason) + QLatin1Char('\n'));
    return e == HeaderFileError::NoMacros || e == HeaderFileError::CrLineEnds ? 3 : 1;
}

// A whole-text number: decimal, or hexadecimal with "0x"; beyond the int32 range it takes the
// nearest limit (hexadecimal is a 32-bit pattern, as the header's masks are written).
bool ParseValue(const QByteArray& text, std::int32_t* value)
{
    int consumed = 0;
    const auto v = HeaderCodec::ReadNumber(text, &consumed);
    if (!v || consumed != text.size() || text.trimmed() != text)
        return false;
    *value = *v;
    return true;
}

int Show(const QString& path)
{
    HeaderValues values;
    const HeaderFileError e = ReadHeaderFile(path, &values);
    if (e != HeaderFileError::None)
        return FileError(e, path);
    QByteArray out;
    for (int m = 0; m < kParamMacroCount; ++m)
        if (values[m])
            out += QByteArray(ParamMacroTable[m].name) + '=' + QByteArray::number(*values[m]) + '\n';
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
    return 0;
}

int Apply(const QString& path, const QStringList& assignments, bool dryRun)
{
    // Only the named macros are written; every other line of the file stays as it is.
    HeaderValues values;
    for (const QString& a : assignments) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return Usage(QStringLiteral("expected NAME=VALUE: ") + a);
        const int macro = FindParamMacro(a.left(eq).toLatin1());
        if (macro < 0)
            return Usage(QStringLiteral("unknown macro: ") + a.left(eq));
        std::int32_t value = 0;
        if (!ParseValue(a.mid(eq + 1).toLatin1(), &value))
            return Usage(QStringLiteral("not a number: ") + a.mid(eq + 1));
        values[macro] = value;
    }

    HeaderExportPlan plan;
    HeaderFileError e = PlanHeaderExport(path, values, &plan);
    if (e != HeaderFileError::None)
        return FileError(e, path, plan.refusal);
    HeaderExportReport report;
    if (!dryRun) {
        e = WriteHeaderExport(path, plan, &report);
        if (e != HeaderFileError::None)
            return FileError(e, path, report.reason);
    }

    // A macro the file has no line for is not added.
    for (int m = 0; m < kParamMacroCount; ++m)
        if (values[m] && !plan.edit.named[m])
            Print(stderr, QStringLiteral("morvek-header: 文件中没有参数宏 %1，未添加\n").arg(QLatin1String(ParamMacroTable[m].name)));

    if (plan.edit.changes.empty()) {
        Print(stdout, NothingToExportText(path) + QLatin1Char('\n'));
        return 0;
    }
    QString out;
    for (const HeaderCodec::LineChange& c : plan.edit.changes)
        out += ChangeLineText(ShownChange(c)) + QLatin1Char('\n');
    out += KeptMacrosText(plan.edit.macrosKept) + QLatin1Char('\n');
    if (dryRun)
        out += QStringLiteral("试运行，未写入文件：") + path + QLatin1Char('\n');
    else
        out += QStringLiteral("文件已导出：") + path + QLatin1Char('\n')
               + QStringLiteral("共写入 %1 个参数宏\n").arg(report.macrosWritten);
    Print(stdout, out);
    return 0;
}

const char kHelp[] =
    "Usage: morvek-header show FILE\n"
    "  or:  morvek-header apply [--dry-run] FILE NAME=VALUE...\n"
    "Reads and patches a touch library configuration header by the same rules as the parameter\n"
    "page of Morvek: FILE is a \"*cfg.h\" (#define NAME value) or \"*cfg.ash\" (NAME == value)\n"
    "header whose path contains \"cfg\" or \"CFG\".\n"
    "\n"
    "Commands:\n"
    "  show FILE                 print NAME=VALUE for every macro the header gives a value\n"
    "  apply FILE NAME=VALUE...  set the named macros (decimal, or hexadecimal with 0x):\n"
    "                            print each line whose value changes (old -> new), then patch\n"
    "                            those values in FILE in place and print how many macros were\n"
    "                            written; a line whose value stays, and every other line,\n"
    "                            stays byte for byte, comments after a value included\n"
    "\n"
    "Options:\n"
    "  --dry-run      (apply) print the changes without writing FILE\n"
    "  -h, --help     display this help and exit\n"
    "  -v, --version  output version information and exit\n"
    "\n"
    "Exit status:\n"
    "  0  done (also when FILE already holds the values: nothing is written)\n"
    "  1  FILE is not a cfg path, it cannot be opened, or writing it failed\n"
    "  2  usage: unknown command, unknown macro name, a value that is not a number\n"
    "  3  FILE has no line that names one of the macros (also when its lines end in CR\n"
    "     alone: lines end at the line feed)\n"
    "FILE is left untouched on every error.\n";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (const auto text = StandardOptionText(args, QStringLiteral("morvek-header"), kHelp)) {
        Print(stdout, *text);
        return 0;
    }
    if (args.size() == 2 && args[0] == QLatin1String("show"))
        return Show(args[1]);
    if (args.size() >= 1 && args[0] == QLatin1String("apply")) {
        QStringList rest = args.mid(1);
        const bool dryRun = rest.removeAll(QStringLiteral("--dry-run")) > 0;
        if (rest.size() >= 2)
            return Apply(rest[0], rest.mid(1), dryRun);
    }
    return Usage();
}
