// Fuzzes the header import on its text (no file I/O). The input is the header.
//
// Checked:
// - a value is read only for a macro whose name is in the text, and only from a text that has
//   "==" or "#define" somewhere;
// - lines are read one by one: for a header cut after a line feed into a first part without the
//   stop name and a second part, the values are those of the second part, and those of the first
//   where the second has none;
// - the stop line ends reading: anything after it changes nothing;
// - every value text the export writes reads back to its value.

#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_support.h"

namespace {

using namespace fuzzmodel;

void CheckNumberText(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return;
    std::int32_t value;
    std::memcpy(&value, data + 1, sizeof value);
    const bool hex = data[0] & 1;
    const QByteArray text = HeaderCodec::ValueText(value, hex);
    int consumed = -1;
    const auto read = HeaderCodec::ReadNumber(text, &consumed);
    FUZZ_CHECK(read.has_value() && *read == value);
    FUZZ_CHECK(consumed == text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const HeaderValues values = HeaderCodec::Import(text);

    const bool anyForm = text.contains("==") || text.contains("#define");
    for (int m = 0; m < kParamMacroCount; ++m)
        if (values[m])
            FUZZ_CHECK(anyForm && text.contains(ParamMacroTable[m].name));

    // Cut after the first line feed in the second half.
    const int cut = text.indexOf('\n', text.size() / 2);
    if (cut >= 0 && !text.left(cut + 1).contains(kStopName.data())) {
        const HeaderValues first = HeaderCodec::Import(text.left(cut + 1));
        const HeaderValues second = HeaderCodec::Import(text.mid(cut + 1));
        for (int m = 0; m < kParamMacroCount; ++m)
            FUZZ_CHECK(values[m] == (second[m] ? second[m] : first[m]));
    }

    // A stop line made of the input's own bytes (line feeds made spaces, short enough to be read
    // in one piece), then the input once more.
    QByteArray stopLine = text.left(900).replace('\n', ' ');
    stopLine.insert(stopLine.size() / 2, kStopName.data(), static_cast<int>(kStopName.size()));
    FUZZ_CHECK(HeaderCodec::Import(text + '\n' + stopLine + '\n' + text) == values);

    CheckNumberText(data, size);
    // Any token: a number read uses at least one byte and no more than the token has.
    int consumed = -1;
    const QByteArray token = text.left(48);
    if (HeaderCodec::ReadNumber(token, &consumed))
        FUZZ_CHECK(consumed >= 1 && consumed <= token.size());
    return 0;
}
