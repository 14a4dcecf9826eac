#pragma once
// Shared pieces of the fuzz programs: the invariant check, and a plain model of the header line
// rules written on std::string so the codec's results can be checked against something that does
// not share its code.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

inline std::string_view View(const QByteArray& a) { return {a.constData(), static_cast<std::size_t>(a.size())}; }

} // namespace fuzzmodel
