#include "params/header_codec.h"

#include "app/file_problem.h"
#include "app/file_replacer.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

#define MORVEK_FIELD(expr) [](TouchParamSet& p) -> std::int32_t& { return p.expr; }

} // namespace

const std::array<ParamMacro, kParamMacroCount> ParamMacroTable = {{
    {"EnTk0", false, MORVEK_FIELD(keyEnable[0])},
    {"EnTk1", false, MORVEK_FIELD(keyEnable[1])},
    {"EnTk2", false, MORVEK_FIELD(keyEnable[2])},
    {"EnTk3", false, MORVEK_FIELD(keyEnable[3])},
    {"EnTk4", false, MORVEK_FIELD(keyEnable[4])},
    {"EnTk5", false, MORVEK_FIELD(keyEnable[5])},
    {"TKLib_TOUCH_NUM", false, MORVEK_FIELD(touchNum)},
    {"TKLib_Debounce_TIME", false, MORVEK_FIELD(debounceTime)},
    {"TKLib_LONG_TOUCH_TIME", false, MORVEK_FIELD(longTouchTime)},
    {"TKLib_Up_Calibration_Rate", false, MORVEK_FIELD(upCalibrationRate)},
    {"TKLib_Down_Calibration_Rate", false, MORVEK_FIELD(downCalibrationRate)},
    {"TKLib_EFFECTIVE_TOUCH_TIME", false, MORVEK_FIELD(effectiveTouchTime)},
    {"TKLib_INVALID_TOUCH_TIME", false, MORVEK_FIELD(invalidTouchTime)},
    {"TKLib_CaliBaseTime", false, MORVEK_FIELD(caliBaseTime)},
    {"TKLib_LongKeyBaseTime", false, MORVEK_FIELD(longKeyBaseTime)},
    {"TKLib_TK0_F_THRESHOLD", false, MORVEK_FIELD(keyThreshold[0])},
    {"TKLib_TK1_F_THRESHOLD", false, MORVEK_FIELD(keyThreshold[1])},
    {"TKLib_TK2_F_THRESHOLD", false, MORVEK_FIELD(keyThreshold[2])},
    {"TKLib_TK3_F_THRESHOLD", false, MORVEK_FIELD(keyThreshold[3])},
    {"TKLib_TK4_F_THRESHOLD", false, MORVEK_FIELD(keyThreshold[4])},
    {"TKLib_TK5_F_THRESHOLD", false, MORVEK_FIELD(keyThreshold[5])},
    {"TKLib_TKMODE", false, MORVEK_FIELD(tkMode)},
    {"TKLib_TKCOMS", false, MORVEK_FIELD(tkComs)},
    {"TKLib_TKCKS", false, MORVEK_FIELD(tkCks)},
    {"TKLib_TK_VCHG", false, MORVEK_FIELD(tkVchg)},
    {"TKLib_TK_VCS", false, MORVEK_FIELD(tkVcs)},
    {"TKLib_TouchLowerPower", false, MORVEK_FIELD(touchLowerPower)},
    {"T_GOTOLOWPOWERMODE_C_Init_DF", false, MORVEK_FIELD(gotoLowPowerTime)},
    {"TKLPGroup0", false, MORVEK_FIELD(lpGroup0)},
    {"TKLPGroup1", false, MORVEK_FIELD(lpGroup1)},
    {"TKLib_TKLPGroup0_MASK", true, MORVEK_FIELD(lpGroup0Mask)},
    {"TKLib_TKLPGroup1_MASK", true, MORVEK_FIELD(lpGroup1Mask)},
    {"TKlib_Sleep_Wake_Up_Rate", false, MORVEK_FIELD(sleepWakeUpRate)},
    {"TKLib_Sleep_F_THRESHOLD", false, MORVEK_FIELD(sleepThreshold)},
}};

#undef MORVEK_FIELD

HeaderValues RecordValues(const TouchParamSet& params)
{
    HeaderValues values;
    for (int m = 0; m < kParamMacroCount; ++m)
        values[m] = ParamMacroTable[m].Get(params);
    return values;
}

int FindParamMacro(const QByteArray& name)
{
    for (int i = 0; i < kParamMacroCount; ++i)
        if (name == ParamMacroTable[i].name)
            return i;
    return -1;
}

namespace HeaderCodec {

namespace {

constexpr int kMinLineLength = 5;
constexpr int kImportPiece = 1023;
const char kStopName[] = "TKLib_OPENED_TK_AMOUNT";

bool NeedsHex(const QByteArray& line)
{
    return line.contains("TKLib_TKLPGroup0_MASK") || line.contains("TKLib_TKLPGroup1_MASK");
}

bool IsSpaceByte(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Where a comment begins: "/*" or "//" in a C header, ";" in an assembler include (and after a
// value in C, where it ends the statement).
bool StartsComment(const QByteArray& line, int i)
{
    if (line[i] == ';')
        return true;
    return line[i] == '/' && i + 1 < line.size() && (line[i + 1] == '*' || line[i + 1] == '/');
}

// The line as the import sees it: a CR before the line feed is dropped.
QByteArray ImportView(const QByteArray& line)
{
    if (line.endsWith("\r\n"))
        return line.left(line.size() - 2) + '\n';
    return line;
}

// The value token of a parameter line, as the import takes it.
QByteArray ValueToken(const QByteArray& line, int macro)
{
    int i = ValueStart(line, macro);
    for (int round = 0; round < 3; ++round) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        while (i < line.size() && line[i] == '\t')
            ++i;
    }
    int end = i;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\n')
        ++end;
    return line.mid(i, end - i);
}

} // namespace

int MatchMacro(const QByteArray& line)
{
    for (int m = 0; m < kParamMacroCount; ++m) {
        const char* name = ParamMacroTable[m].name;
        const int at = line.indexOf(name);
        if (at < 0)
            continue;
        const int after = at + static_cast<int>(std::strlen(name));
        if (after < line.size() && line[after] == '_')
            continue;
        return m;
    }
    return -1;
}

int ValueStart(const QByteArray& line, int macro)
{
    const int eq = line.indexOf("==");
    if (eq >= 0)
        return eq + 2;
    const char* name = ParamMacroTable[macro].name;
    const int at = line.indexOf(name);
    return at < 0 ? line.size() : at + static_cast<int>(std::strlen(name));
}

bool IsStopLine(const QByteArray& line) { return line.contains(kStopName); }

int ParameterLineMacro(const QByteArray& line)
{
    if (line.size() < kMinLineLength)
        return -1;
    if (!line.contains("==") && !line.contains("#define"))
        return -1;
    return MatchMacro(line);
}

QByteArray ValueText(std::int32_t value, bool hex)
{
    if (hex)
        return "0x" + QByteArray::number(static_cast<std::uint32_t>(value), 16);
    return QByteArray::number(value);
}

std::optional<std::int32_t> ReadNumber(const QByteArray& token, int* consumed)
{
    const bool hex = token.contains("0x");
    int i = 0;
    const int n = token.size();
    while (i < n && IsSpaceByte(token[i]))
        ++i;
    bool negative = false;
    if (i < n && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    std::uint64_t magnitude = 0;
    bool digits = false;
    if (hex) {
        const std::uint64_t cap = 0xFFFFFFFFull;
        // The prefix counts only when a hex digit follows; "0x" alone reads as the 0.
        auto hexDigit = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        if (i + 2 < n && token[i] == '0' && token[i + 1] == 'x' && hexDigit(token[i + 2]) >= 0)
            i += 2;
        for (int d; i < n && (d = hexDigit(token[i])) >= 0; ++i) {
            magnitude = std::min<std::uint64_t>(cap + 1, magnitude * 16 + static_cast<unsigned>(d));
            digits = true;
        }
        if (!digits)
            return std::nullopt;
        std::uint32_t pattern = static_cast<std::uint32_t>(std::min(magnitude, cap));
        if (negative)
            pattern = 0u - pattern;
        if (consumed)
            *consumed = i;
        std::int32_t value;
        std::memcpy(&value, &pattern, sizeof value);
        return value;
    }
    const std::uint64_t cap = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; i < n && token[i] >= '0' && token[i] <= '9'; ++i) {
        magnitude = std::min<std::uint64_t>(cap, magnitude * 10 + static_cast<unsigned>(token[i] - '0'));
        digits = true;
    }
    if (!digits)
        return std::nullopt;
    if (consumed)
        *consumed = i;
    const std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

void OldValueSpan(const QByteArray& line, int macro, int* begin, int* end)
{
    const int z = ValueStart(line, macro);
    int i = z;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    int e = i;
    while (e < line.size() && !IsSpaceByte(line[e]) && !StartsComment(line, e))
        ++e;
    *begin = e > i ? i : z;
    *end = e > i ? e : z;
}

std::optional<std::int32_t> LineValue(const QByteArray& line, int macro)
{
    const QByteArray view = ImportView(line);
    return ReadNumber(ValueToken(view, macro));
}

namespace {

// Whether a rewritten line reads back, by the import's rules, as the macro with this value.
bool ReadsAs(const QByteArray& line, int macro, std::int32_t value)
{
    const QByteArray view = ImportView(line);
    return ParameterLineMacro(view) == macro && ReadNumber(ValueToken(view, macro)) == value;
}

// The rewritten text of a parameter line whose value changes; its old value is [begin, end).
QByteArray RewriteLine(const QByteArray& line, int macro, int begin, int end, const QByteArray& valueText,
                       std::int32_t value)
{
    const QByteArray head = line.left(ValueStart(line, macro)) + " \t" + valueText;
    const QByteArray replaced = head + line.mid(end);
    if (ReadsAs(replaced, macro, value))
        return replaced;
    const QByteArray separated = head + ' ' + line.mid(end);
    if (ReadsAs(separated, macro, value))
        return separated;
    // The old value kept after the space: the line names the same macro and reads the value.
    return head + ' ' + line.mid(begin);
}

} // namespace

ExportPlan PlanExport(const QByteArray& input, const HeaderValues& values)
{
    ExportPlan plan;
    std::array<bool, kParamMacroCount> changed{};
    QByteArray& out = plan.text;
    out.reserve(input.size() + 64);
    int pos = 0;
    int lineNumber = 0;
    bool stopped = false;
    while (pos < input.size()) {
        ++lineNumber;
        const int lf = input.indexOf('\n', pos);
        // A last line without a line feed, and every line from the stop line on, stay as they are.
        if (lf < 0 || stopped) {
            out += input.mid(pos);
            break;
        }
        const QByteArray line = input.mid(pos, lf - pos + 1);
        pos = lf + 1;
        if (IsStopLine(line)) {
            stopped = true;
            out += line;
            continue;
        }
        const int macro = ParameterLineMacro(line);
        if (macro < 0) {
            out += line;
            continue;
        }
        plan.named[macro] = true;
        const std::optional<std::int32_t> value = values[macro];
        if (!value || LineValue(line, macro) == *value) {
            out += line;
            continue;
        }
        const QByteArray valueText = ValueText(*value, NeedsHex(line));
        int begin = 0, end = 0;
        OldValueSpan(line, macro, &begin, &end);
        plan.changes.push_back({lineNumber, macro, line.mid(begin, end - begin), valueText});
        changed[macro] = true;
        out += RewriteLine(line, macro, begin, end, valueText, *value);
    }
    for (int m = 0; m < kParamMacroCount; ++m)
        plan.macrosKept += plan.named[m] && !changed[m];
    return plan;
}

QByteArray Export(const QByteArray& text, const TouchParamSet& params)
{
    return PlanExport(text, RecordValues(params)).text;
}

HeaderValues Import(const QByteArray& raw)
{
    // Text mode: a CR LF pair reads as a single LF; a lone CR stays.
    QByteArray text;
    text.reserve(raw.size());
    for (int i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text += raw[i];
    }

    HeaderValues values;
    int pos = 0;
    while (pos < text.size()) {
        // A line up to and including its LF, at most 1023 characters per piece.
        const int lf = text.indexOf('\n', pos);
        const int lineEnd = lf < 0 ? text.size() : lf + 1;
        const int end = std::min(lineEnd, pos + kImportPiece);
        const QByteArray line = text.mid(pos, end - pos);
        pos = end;
        if (line.size() < kMinLineLength)
            continue;
        if (IsStopLine(line))
            break;
        const int macro = ParameterLineMacro(line);
        if (macro < 0)
            continue;
        if (const auto v = ReadNumber(ValueToken(line, macro)))
            values[macro] = *v;
    }
    return values;
}

void ApplyValues(const HeaderValues& values, TouchParamSet& params)
{
    for (int m = 0; m < kParamMacroCount; ++m)
        if (values[m])
            ParamMacroTable[m].field(params) = *values[m];
}

bool LinesEndInCrAlone(const QByteArray& text)
{
    qsizetype loneCr = 0, lf = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            ++lf;
        else if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            ++loneCr;
    }
    return loneCr > lf;
}

} // namespace HeaderCodec

bool IsCfgPath(const QString& path)
{
    return path.contains(QLatin1String("CFG")) || path.contains(QLatin1String("cfg"));
}

QString HeaderErrorMessage(HeaderFileError error, const QString& path, const QString& reason)
{
    switch (error) {
    case HeaderFileError::None: return {};
    // The first line as it always was; the second says why.
    case HeaderFileError::NotCfgPath:
        return QStringLiteral("File Error: ") + path + QStringLiteral("\n文件路径中必须含有“cfg”或“CFG”。");
    case HeaderFileError::OpenFailed:
        return QStringLiteral("Open file failed: ") + path + QLatin1Char('\n') +
               (reason.isEmpty() ? FileOpenProblem(path) : reason);
    case HeaderFileError::WriteFailed:
        return QStringLiteral("Write file failed: ") + path + (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason);
    case HeaderFileError::NoMacros: return QStringLiteral("文件中未找到任何参数宏：") + path;
    case HeaderFileError::Changed: return QStringLiteral("文件在确认期间已被修改，未写入：") + path;
    case HeaderFileError::CrLineEnds:
        return QStringLiteral("文件的各行以单独的回车符（CR）结尾：") + path +
               QStringLiteral("\n只有以换行符（LF 或 CR LF）结尾的行才能读取和写入参数，文件未被改动。");
    }
    return {};
}

namespace {

// Reads the whole file. A read error part way keeps what was read so far, as at the end of the
// file, unless `complete` is set: the export must not write back a cut-off text.
HeaderFileError ReadWholeFile(const QString& path, QByteArray* bytes, bool complete = false)
{
    if (!IsCfgPath(path))
        return HeaderFileError::NotCfgPath;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return HeaderFileError::OpenFailed;
    *bytes = file.readAll();
    if (complete && file.error() != QFileDevice::NoError)
        return HeaderFileError::OpenFailed;
    if (HeaderCodec::LinesEndInCrAlone(*bytes))
        return HeaderFileError::CrLineEnds;
    return HeaderFileError::None;
}

} // namespace

HeaderFileError ReadHeaderFile(const QString& path, HeaderValues* values)
{
    QByteArray bytes;
    const HeaderFileError e = ReadWholeFile(path, &bytes);
    if (e == HeaderFileError::None)
        *values = HeaderCodec::Import(bytes);
    return e;
}

HeaderFileError ImportHeaderFile(const QString& path, TouchParamSet* params)
{
    HeaderValues values;
    const HeaderFileError e = ReadHeaderFile(path, &values);
    if (e != HeaderFileError::None)
        return e;
    if (std::none_of(values.begin(), values.end(), [](const auto& v) { return v.has_value(); }))
        return HeaderFileError::NoMacros;
    HeaderCodec::ApplyValues(values, *params);
    return HeaderFileError::None;
}

HeaderFileError PlanHeaderExport(const QString& path, const HeaderValues& values, HeaderExportPlan* plan)
{
    *plan = HeaderExportPlan();
    const HeaderFileError e = ReadWholeFile(path, &plan->original, true);
    if (e != HeaderFileError::None)
        return e;
    // The writers' check: a read-only file is refused even where this user could write it
    // anyway, an administrator say, since the write protection is the owner's intent; a file this
    // user may not write, and one whose folder takes no new file, are refused before anything is
    // shown.
    if (!FileReplacer::MayWrite(path, false, &plan->refusal))
        return HeaderFileError::OpenFailed;
    plan->edit = HeaderCodec::PlanExport(plan->original, values);
    const auto& named = plan->edit.named;
    return std::find(named.begin(), named.end(), true) == named.end() ? HeaderFileError::NoMacros : HeaderFileError::None;
}

HeaderFileError WriteHeaderExport(const QString& path, const HeaderExportPlan& plan, HeaderExportReport* report,
                                  FileReplacer* writer)
{
    HeaderExportReport local;
    if (!report)
        report = &local;
    *report = HeaderExportReport();
    if (plan.edit.changes.empty())
        return HeaderFileError::None;

    QByteArray now;
    HeaderFileError e = ReadWholeFile(path, &now, true);
    if (e != HeaderFileError::None)
        return e;
    if (now != plan.original)
        return HeaderFileError::Changed;

    std::array<bool, kParamMacroCount> written{};
    for (const HeaderCodec::LineChange& c : plan.edit.changes)
        written[c.macro] = true;
    const int macros = static_cast<int>(std::count(written.begin(), written.end(), true));
    // The replacement makes the writers' check again: a file made read-only meanwhile is refused.
    switch ((writer ? *writer : DefaultFileReplacer()).Replace(path, plan.edit.text, &report->reason)) {
    case FileReplacer::Outcome::Replaced: report->macrosWritten = macros; return HeaderFileError::None;
    case FileReplacer::Outcome::NotWritable:
    case FileReplacer::Outcome::FolderNotWritable: return HeaderFileError::OpenFailed;
    case FileReplacer::Outcome::Failed: break;
    }
    return HeaderFileError::WriteFailed;
}

HeaderFileError ExportHeaderFile(const QString& path, const TouchParamSet& params, HeaderExportReport* report,
                                 FileReplacer* writer)
{
    if (report)
        *report = HeaderExportReport();
    HeaderExportPlan plan;
    const HeaderFileError e = PlanHeaderExport(path, RecordValues(params), &plan);
    if (e != HeaderFileError::None) {
        if (report)
            report->reason = plan.refusal;
        return e;
    }
    return WriteHeaderExport(path, plan, report, writer);
}
