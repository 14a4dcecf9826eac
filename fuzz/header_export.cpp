// Fuzzes the header export on its text (no file I/O). The input is the header; the values are the
// page's start-up record, a record derived from a hash of the input (small, negative, extreme
// values) and a part of that record (macros without a value stay as they are, as in
// "morvek-header apply").
//
// Checked for each:
// - the output has the input's lines, in order; every line the rules do not look at (no
//   parameter line, at or after the stop line, the last line without a line feed) and every
//   parameter line whose value already reads as the new one, or has no new value, is unchanged
//   byte for byte;
// - a rewritten line is its old text with the value replaced: the text up to the value start, a
//   space, a tab, the value, then everything after the old value; a space goes before that rest
//   only where the line would otherwise not read back as the value, and the old value is kept
//   after that space only where that fails as well;
// - the changes listed are these lines, with their old and new value texts, and the macros kept
//   are those named but not changed;
// - importing the output reads back every written value;
// - exporting the output again changes nothing.

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

HeaderValues DerivedValues(std::uint64_t seed)
{
    HeaderValues values;
    for (int m = 0; m < kParamMacroCount; ++m) {
        const std::uint64_t r = Next(seed);
        switch (r % 4) {
        case 0: values[m] = static_cast<std::int32_t>((r >> 8) % 16); break;
        case 1: values[m] = static_cast<std::int32_t>((r >> 8) % 2001) - 1000; break;
        case 2: values[m] = static_cast<std::int32_t>(static_cast<std::uint32_t>(r >> 32)); break;
        default: {
            const std::int32_t limits[] = {INT32_MIN, INT32_MAX, -1, 0};
            values[m] = limits[(r >> 8) % 4];
        }
        }
    }
    return values;
}

// Whether the line, as the import reads it, names the macro and gives it the value.
bool ReadsBack(std::string_view line, int macro, std::int32_t value)
{
    return ParameterMacro(ImportView(line)) == macro && LineValue(line, macro) == value;
}

std::string Bytes(const QByteArray& a) { return std::string(View(a)); }

void CheckExport(const QByteArray& input, const HeaderValues& values)
{
    const HeaderCodec::ExportPlan plan = HeaderCodec::PlanExport(input, values);
    const QByteArray& output = plan.text;
    const auto in = SplitLines(View(input));
    const auto out = SplitLines(View(output));
    FUZZ_CHECK(in.size() == out.size());

    std::vector<bool> named(kParamMacroCount, false), changed(kParamMacroCount, false);
    std::size_t change = 0;
    bool stopped = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::string_view a = in[i];
        const std::string_view b = out[i];
        const bool terminated = a.back() == '\n';
        stopped = stopped || (terminated && IsStopLine(a));
        const int m = stopped || !terminated ? -1 : ParameterMacro(a);
        if (m >= 0)
            named[m] = true;
        if (m < 0 || !values[m] || LineValue(a, m) == *values[m]) {
            FUZZ_CHECK(a == b);
            continue;
        }
        const std::int32_t value = *values[m];
        const std::size_t z = ValueStart(a, m);
        std::size_t begin = 0, end = 0;
        OldValue(a, m, &begin, &end);
        const std::string head = std::string(a.substr(0, z)) + " \t" + ValueText(a, value);
        const std::string replaced = head + std::string(a.substr(end));
        const std::string separated = head + ' ' + std::string(a.substr(end));
        if (b != replaced) {
            FUZZ_CHECK(!ReadsBack(replaced, m, value));
            if (b != separated) {
                FUZZ_CHECK(!ReadsBack(separated, m, value));
                FUZZ_CHECK(b == head + ' ' + std::string(a.substr(begin)));
            }
        }
        FUZZ_CHECK(ReadsBack(b, m, value));
        changed[m] = true;
        FUZZ_CHECK(change < plan.changes.size());
        const HeaderCodec::LineChange& c = plan.changes[change++];
        FUZZ_CHECK(c.line == static_cast<int>(i) + 1 && c.macro == m);
        FUZZ_CHECK(Bytes(c.oldText) == a.substr(begin, end - begin));
        FUZZ_CHECK(Bytes(c.newText) == ValueText(a, value));
    }
    FUZZ_CHECK(change == plan.changes.size());
    int kept = 0;
    for (int m = 0; m < kParamMacroCount; ++m) {
        FUZZ_CHECK(plan.named[m] == named[m]);
        kept += named[m] && !changed[m];
    }
    FUZZ_CHECK(plan.macrosKept == kept);

    // Exported twice: nothing more changes.
    const HeaderCodec::ExportPlan again = HeaderCodec::PlanExport(output, values);
    FUZZ_CHECK(again.text == output);
    FUZZ_CHECK(again.changes.empty());

    // Import's view of the output: a CR before a line feed is dropped, and lines longer than
    // 1023 bytes are read in pieces. Where a piece split happens before the stop line the lines
    // no longer correspond, so the read-back is checked only for headers without such lines.
    const HeaderValues read = HeaderCodec::Import(output);
    std::vector<int> lastLine(kParamMacroCount, -1);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::string folded = ImportView(out[i]);
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
        } else if (values[m] && out[lastLine[m]].back() == '\n') {
            FUZZ_CHECK(read[m] == values[m]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const std::uint64_t seed = Hash(data, size);
    CheckExport(input, RecordValues(TouchParamSet{}));
    HeaderValues derived = DerivedValues(seed);
    CheckExport(input, derived);
    for (int m = 0; m < kParamMacroCount; ++m)
        if ((seed >> m) & 1)
            derived[m].reset();
    CheckExport(input, derived);
    return 0;
}
