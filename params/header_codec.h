#pragma once
// Reading and patching the touch library's configuration header ("*cfg.h" with "#define" lines,
// "*cfg.ash" with "==" lines). The export replaces the values of the known macros in place and
// leaves every other byte where it was; the import reads them back by the same line rules.

#include "params/touch_params.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

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

// Values read from a header: one slot per macro, empty where no value was read.
using HeaderValues = std::array<std::optional<std::int32_t>, kParamMacroCount>;

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

// How many lines the export rewrote, per macro.
using PatchCounts = std::array<int, kParamMacroCount>;

// Patches the values of `params` into the header text (bytes as stored). A line without room
// for its value is lengthened with spaces before its line feed. *patched, if given, receives
// the number of lines rewritten for each macro.
QByteArray Export(const QByteArray& text, const TouchParamSet& params, PatchCounts* patched = nullptr);

// Reads the macro values from header text. CR LF pairs read as one line feed; lines longer than
// 1023 characters are read in pieces of 1023; a last line without a line feed is read too.
HeaderValues Import(const QByteArray& text);

// Copies the values that were read into the record; fields without a value keep theirs.
void ApplyValues(const HeaderValues& values, TouchParamSet& params);

} // namespace HeaderCodec

// File side of the codec, shared by the page and the command-line tool.
enum class HeaderFileError {
    None,
    NotCfgPath,   // "File Error: " + path
    OpenFailed,   // "Open file failed: " + path
    WriteFailed,  // "Write file failed: " + path + the system's reason
    NoMacros,     // "文件中未找到任何参数宏：" + path
};

class FileReplacer;

// The path (folders included) must contain "CFG" or "cfg".
bool IsCfgPath(const QString& path);
// The message shown for an error, with the path (and, for a failed write, the system's reason
// on a line of its own).
QString HeaderErrorMessage(HeaderFileError error, const QString& path, const QString& reason = {});

// What an export did beyond its result.
struct HeaderExportReport {
    int macrosWritten = 0;  // distinct macros whose lines were rewritten
    QString reason;         // the system's reason of a WriteFailed
};

// Reads the values of a header file.
HeaderFileError ReadHeaderFile(const QString& path, HeaderValues* values);
// Reads a header file into the record (fields whose macro has no value keep theirs). A file that
// gives no macro a value is NoMacros and leaves the record as it was.
HeaderFileError ImportHeaderFile(const QString& path, TouchParamSet* params);
// Patches the record into a header file. The file is replaced only after the new text is
// completely written and flushed to the disk (through `writer`, the default one if null); on
// any error it is left byte for byte as it was. A read-only file is refused; a file in which no
// line names a macro is NoMacros and is not rewritten.
HeaderFileError ExportHeaderFile(const QString& path, const TouchParamSet& params,
                                 HeaderExportReport* report = nullptr, FileReplacer* writer = nullptr);
