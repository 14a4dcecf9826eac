#pragma once
// Shared pieces of the fuzz programs: the invariant check, and a plain model of the header line
// rules written on std::string so the codec's results can be checked against something that does
// not share its code.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/header_codec.h"

// Stops the run with a message; libFuzzer then saves the input as a crash artifact.
#define FUZZ_CHECK(cond)                                                                        \
    do {                                                                                        \
        if (!(cond)) {                                                                          \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);  \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace fuzzmodel {

constexpr std::string_view kStopName = "TKLib_OPENED_TK_AMOUNT";
constexpr std::size_t kMinLine = 5;
constexpr std::size_t kImportPiece = 1023;

inline bool Contains(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }

// The text cut after every line feed; a last piece without one is a line too.
inline std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return lines;
}

// The macro a line names: first in table order whose first occurrence is not followed by '_'.
inline int MatchMacro(std::string_view line)
{
    for (int m = 0; m < kParamMacroCount; ++m) {
        const std::string_view name = ParamMacroTable[m].name;
        const std::size_t at = line.find(name);
        if (at == std::string_view::npos)
            continue;
        const std::size_t after = at + name.size();
        if (after < line.size() && line[after] == '_')
            continue;
        return m;
    }
    return -1;
}

// The macro of a parameter line, or -1 (length, "=="/"#define" and name tests; not the stop test).
inline int ParameterMacro(std::string_view line)
{
    if (line.size() < kMinLine || (!Contains(line, "==") && !Contains(line, "#define")))
        return -1;
    return MatchMacro(line);
}

inline bool IsStopLine(std::string_view line) { return line.size() >= kMinLine && Contains(line, kStopName); }

inline std::size_t ValueStart(std::string_view line, int macro)
{
    const std::size_t eq = line.find("==");
    if (eq != std::string_view::npos)
        return eq + 2;
    const std::string_view name = ParamMacroTable[macro].name;
    return line.find(name) + name.size();
}

// Text the export writes for a value on this line.
inline std::string ValueText(std::string_view line, std::int32_t value)
{
    char buffer[32];
    if (Contains(line, "TKLib_TKLPGroup0_MASK") || Contains(line, "TKLib_TKLPGroup1_MASK"))
        std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    else
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return buffer;
}

// The line as the import reads it: a CR before the closing line feed is dropped.
inline std::string ImportView(std::string_view line)
{
    std::string view(line);
    if (view.size() >= 2 && view.compare(view.size() - 2, 2, "\r\n") == 0)
        view.erase(view.size() - 2, 1);
    return view;
}

// The import's token of a parameter line: from the value start, three rounds of removing spaces
// and then tabs, up to the next space, tab or line feed.
inline std::string_view ImportToken(std::string_view line, int macro)
{
    std::size_t i = ValueStart(line, macro);
    for (int round = 0; round < 3; ++round) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        while (i < line.size() && line[i] == '\t')
            ++i;
    }
    std::size_t end = i;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\n')
        ++end;
    return line.substr(i, end - i);
}

// The value the import reads from a parameter line (whole, not in pieces).
inline std::optional<std::int32_t> LineValue(std::string_view line, int macro)
{
    const std::string view = ImportView(line);
    const std::string_view token = ImportToken(view, macro);
    return HeaderCodec::ReadNumber(QByteArray(token.data(), static_cast<int>(token.size())));
}

// The old value the export replaces: after the value start and its spaces and tabs, the run up to
// a space, tab, CR, LF, vertical tab, form feed, "/*", "//" or ";". Without one, both offsets are
// the value start.
inline void OldValue(std::string_view line, int macro, std::size_t* begin, std::size_t* end)
{
    const std::size_t z = ValueStart(line, macro);
    std::size_t i = z;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    std::size_t e = i;
    for (; e < line.size(); ++e) {
        const char c = line[e];
        if (Contains(" \t\r\n\v\f", std::string_view(&c, 1)) || c == ';')
            break;
        if (c == '/' && e + 1 < line.size() && (line[e + 1] == '*' || line[e + 1] == '/'))
            break;
    }
    *begin = e > i ? i : z;
    *end = e > i ? e : z;
}

inline std::string_view View(const QByteArray& a) { return {a.constData(), static_cast<std::size_t>(a.size())}; }

} // namespace fuzzmodel
