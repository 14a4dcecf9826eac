// Fuzzes the header export on its text (no file I/O). The input is the header; the values are the
// page's start-up record and a second record derived from a hash of the input (small, negative,
// extreme values, so lines both keep and outgrow their room).
//
// Checked for both records:
// - the output has the input's lines, in order: every line the rules do not rewrite (no
//   parameter line, at or after the stop line, the last line without a line feed) is unchanged
//   byte for byte, and every rewritten line is its text up to the value start, a space, a tab,
//   the value and spaces up to its former end (or just past the value), then the line feed;
// - the count of lines rewritten per macro is that of these lines;
// - importing the output reads back the written value of every macro whose last line is one the
//   export rewrote, and no value for a macro that no line names.

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

using namespace fuzzmodel;

std::uint64_t Hash(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

std::uint64_t Next(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

TouchParamSet DerivedRecord(std::uint64_t seed)
{
    TouchParamSet p;
    for (int m = 0; m < kParamMacroCount; ++m) {
        const std::uint64_t r = Next(seed);
        std::int32_t v;
        switch (r % 4) {
        case 0: v = static_cast<std::int32_t>((r >> 8) % 16); break;
        case 1: v = static_cast<std::int32_t>((r >> 8) % 2001) - 1000; break;
        case 2: v = static_cast<std::int32_t>(static_cast<std::uint32_t>(r >> 32)); break;
        default: {
            const std::int32_t limits[] = {INT32_MIN, INT32_MAX, -1, 0};
            v = limits[(r >> 8) % 4];
        }
        }
        ParamMacroTable[m].field(p) = v;
    }
    return p;
}

void CheckExport(const QByteArray& input, const TouchParamSet& params)
{
    HeaderCodec::PatchCounts counts;
    counts.fill(-1);
    const QByteArray output = HeaderCodec::Export(input, params, &counts);
    const auto in = SplitLines(View(input));
    const auto out = SplitLines(View(output));
    FUZZ_CHECK(in.size() == out.size());

    // Macro the export wrote into each line, or -1.
    std::vector<int> written(in.size(), -1);
    bool stopped = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::string_view a = in[i];
        const std::string_view b = out[i];
        const bool terminated = a.back() == '\n';
        stopped = stopped || (terminated && IsStopLine(a));
        const int m = stopped || !terminated ? -1 : ParameterMacro(a);
        if (m < 0) {
            FUZZ_CHECK(a == b);
            continue;
        }
        written[i] = m;
        const std::size_t z = ValueStart(a, m);
        const std::string value = ValueText(a, ParamMacroTable[m].Get(params));
        std::string expected(a.substr(0, z));
        expected += " \t";
        expected += value;
        if (expected.size() < a.size() - 1)
            expected.append(a.size() - 1 - expected.size(), ' ');
        expected += '\n';
        FUZZ_CHECK(b == expected);
    }
    for (int m = 0; m < kParamMacroCount; ++m)
        FUZZ_CHECK(counts[m] == std::count(written.begin(), written.end(), m));

    // Import's view of the output: a CR before a line feed is dropped, and lines longer than
    // 1023 bytes are read in pieces. Where a piece split happens before the stop line the lines
    // no longer correspond, so the read-back is checked only for headers without such lines.
    const HeaderValues read = HeaderCodec::Import(output);
    std::vector<int> lastLine(kParamMacroCount, -1);
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::string folded(out[i]);
        if (folded.size() >= 2 && folded.compare(folded.size() - 2, 2, "\r\n") == 0)
            folded.erase(folded.size() - 2, 1);
        if (folded.size() > kImportPiece)
            return;
        if (IsStopLine(folded))
            break;
        const int m = ParameterMacro(folded);
        if (m >= 0)
            lastLine[m] = static_cast<int>(i);
    }
    for (int m = 0; m < kParamMacroCount; ++m) {
        if (lastLine[m] < 0) {
            FUZZ_CHECK(!read[m].has_value());
        } else if (written[lastLine[m]] == m) {
            FUZZ_CHECK(read[m].has_value());
            FUZZ_CHECK(*read[m] == ParamMacroTable[m].Get(params));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    CheckExport(input, TouchParamSet{});
    CheckExport(input, DerivedRecord(Hash(data, size)));
    return 0;
}
