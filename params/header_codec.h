#pragma once
// Reading and patching the touch library's configuration header ("*cfg.h" with "#define" lines,
// "*cfg.ash" with "==" lines). The export replaces the values of the known macros in place and
// leaves every other byte where it was; the import reads them back by the same line rules.
// A line whose value does not change is not touched at all, and a rewritten line keeps
// everything after its old value (comments, spaces, the CR of a CR LF line).

#include "params/touch_params.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

constexpr int kParamMacroCount = 34;

// One macro of the header: its name, whether the export writes it in hexadecimal, and the
// record field it carries.
struct ParamMacro {
    const char* name;
    bool hex;
    std::int32_t& (*field)(TouchParamSet&);

    std::int32_t Get(const TouchParamSet& p) const { return field(const_cast<TouchParamSet&>(p)); }
};

// The 34 macros in matching order (the order decides when one line holds several names).
extern const std::array<ParamMacro, kParamMacroCount> ParamMacroTable;

// Index in ParamMacroTable of the macro with this exact name, or -1.
int FindParamMacro(const QByteArray& name);

// Values of the macros, one slot per macro: those read from a header (empty where no value was
// read), or those an export writes (empty where the macro is to stay as it is).
using HeaderValues = std::array<std::optional<std::int32_t>, kParamMacroCount>;

// Every macro's value in the record, as the page exports it.
HeaderValues RecordValues(const TouchParamSet& params);

namespace HeaderCodec {

// A line (as found in the file, its line feed included) names the macro that is the first in
// table order whose name occurs in the line with its first occurrence not directly followed by
// '_'. Returns its index or -1. Does not apply the length, stop-line or "=="/"#define" tests.
int MatchMacro(const QByteArray& line);
// Offset in the line where the value starts: after the first "==" if there is one, otherwise
// after the first occurrence of the matched macro's name.
int ValueStart(const QByteArray& line, int macro);
// Whether the line is one the scan interprets: at least 5 bytes, holds "==" or "#define" and
// names a macro. Returns the macro index or -1.
int ParameterLineMacro(const QByteArray& line);
// Whether the line ends the scan.
bool IsStopLine(const QByteArray& line);

// Text of a value: signed decimal, or for hexadecimal "0x" and the lower-case digits of the
// 32-bit pattern (0x0, 0x3c, 0xffffffff for -1).
QByteArray ValueText(std::int32_t value, bool hex);

// Reads a number from the start of a token: a token containing "0x" is hexadecimal (read as an
// unsigned 32-bit pattern, saturating at 0xffffffff), any other decimal (clamped to the int32
// range). Leading white space and a sign are accepted; reading stops at the first character
// that does not fit. Empty when no digit was read. *consumed receives the bytes used.
std::optional<std::int32_t> ReadNumber(const QByteArray& token, int* consumed = nullptr);

// The old value on a parameter line: the first run of non-blank characters after the value
// start, ended by a blank (space, tab, CR, LF) or by a comment ("/*", "//", ";"). Returns its
// offsets [*begin, *end); both are the value start when the line has no value there.
void OldValueSpan(const QByteArray& line, int macro, int* begin, int* end);
// The value the import reads from a parameter line (a CR before the line feed is dropped first),
// or empty.
std::optional<std::int32_t> LineValue(const QByteArray& line, int macro);

// A parameter line whose value the export changes.
struct LineChange {
    int line = 0;        // line number, from 1
    int macro = -1;      // index in ParamMacroTable
    QByteArray oldText;  // the old value as the file writes it; empty when the line has none
    QByteArray newText;  // the value text written
};

// What an export does to a header text.
struct ExportPlan {
    QByteArray text;                  // the header as it will be written
    std::vector<LineChange> changes;  // the lines rewritten, in file order
    std::array<bool, kParamMacroCount> named{};  // the macros the lines the export looks at name
    int macrosKept = 0;               // macros named there none of whose lines changes
};

// Patches `values` into the header text (bytes as stored); macros without a value are left
// alone. Lines are looked at up to the stop line, and only lines that end with a line feed. A
// parameter line whose value already reads as the new one (0x0F for 15, say) stays byte for
// byte. Any other is rewritten: its text up to the value start, a space, a tab, the new value
// text, then everything that followed the old value. Should that line not read back as the new
// value (a comment directly after the value that the import would take for part of the number,
// or an old value whose removal changes the macro the line names), a space goes between the
// value and what follows; failing that too, the old value is kept after that space.
ExportPlan PlanExport(const QByteArray& text, const HeaderValues& values);
// The text PlanExport writes for every macro of the record.
QByteArray Export(const QByteArray& text, const TouchParamSet& params);

// Reads the macro values from header text. CR LF pairs read as one line feed; lines longer than
// 1023 characters are read in pieces of 1023; a last line without a line feed is read too.
HeaderValues Import(const QByteArray& text);

// Copies the values that were read into the record; fields without a value keep theirs.
void ApplyValues(const HeaderValues& values, TouchParamSet& params);

// Whether the text's lines end in a carriage return alone (old Mac text): it holds more CRs that
// no line feed follows than line feeds. Lines end at the line feed, so such a text has no line
// the export could patch, while the import would read one long line: both refuse it.
bool LinesEndInCrAlone(const QByteArray& text);

} // namespace HeaderCodec

// File side of the codec, shared by the page and the command-line tool.
enum class HeaderFileError {
    None,
    NotCfgPath,   // "File Error: " + path, then the rule on a line of its own
    OpenFailed,   // "Open file failed: " + path, then why on a line of its own
    WriteFailed,  // "Write file failed: " + path + the system's reason
    NoMacros,     // "文件中未找到任何参数宏：" + path
    Changed,      // "文件在确认期间已被修改，未写入：" + path
    CrLineEnds,   // "文件的各行以单独的回车符（CR）结尾：" + path, then what is needed
};

class FileReplacer;

// The path (folders included) must contain "CFG" or "cfg".
bool IsCfgPath(const QString& path);
// The message shown for an error, with the path; a refused path or file and a failed write say
// why on a line of their own (reason, or for a file that cannot be opened what its state shows).
QString HeaderErrorMessage(HeaderFileError error, const QString& path, const QString& reason = {});

// What an export did beyond its result.
struct HeaderExportReport {
    int macrosWritten = 0;  // distinct macros whose lines were rewritten
    QString reason;         // the system's reason of a WriteFailed, or why an OpenFailed file may not be written
};

// An export worked out on a header file, before anything is written.
struct HeaderExportPlan {
    QByteArray original;          // the file's bytes as read
    HeaderCodec::ExportPlan edit;  // what the export makes of them
    QString refusal;               // why the file may not be written (with OpenFailed), else empty
};

// Reading, planning and writing all refuse a file whose lines end in CR alone (CrLineEnds),
// before anything is read from it or written.

// Reads the values of a header file.
HeaderFileError ReadHeaderFile(const QString& path, HeaderValues* values);
// Reads a header file into the record (fields whose macro has no value keep theirs). A file that
// gives no macro a value is NoMacros and leaves the record as it was.
HeaderFileError ImportHeaderFile(const QString& path, TouchParamSet* params);
// Reads a header file and works out what patching `values` into it changes. A file this user may
// not write is refused (OpenFailed, the reason in plan->refusal), and so is a file in which no line
// names a macro (NoMacros): both before anything is shown or written.
HeaderFileError PlanHeaderExport(const QString& path, const HeaderValues& values, HeaderExportPlan* plan);
// Writes a planned export. The file must still hold the bytes it was planned on (Changed
// otherwise: an edit made meanwhile is not overwritten). It is replaced only after the new text
// is completely written and flushed to the disk (through `writer`, the default one if null); on
// any error it is left byte for byte as it was. A plan without changes writes nothing.
HeaderFileError WriteHeaderExport(const QString& path, const HeaderExportPlan& plan,
                                  HeaderExportReport* report = nullptr, FileReplacer* writer = nullptr);
// Plans and writes the record's export in one go, without showing the changes.
HeaderFileError ExportHeaderFile(const QString& path, const TouchParamSet& params,
                                 HeaderExportReport* report = nullptr, FileReplacer* writer = nullptr);
