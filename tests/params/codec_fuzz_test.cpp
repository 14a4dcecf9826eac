// Seeded random checks of the header codec: export then import gives the values back, and
// random bytes never crash or hang it (run under the sanitizers in the second build).

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "params/header_codec.h"

namespace {

using namespace HeaderCodec;

std::int32_t RandomValue(std::mt19937& rng)
{
    switch (rng() % 4) {
    case 0: return static_cast<std::int32_t>(rng() % 16);
    case 1: return static_cast<std::int32_t>(rng() % 2001) - 1000;
    case 2: return static_cast<std::int32_t>(rng());
    default: {
        const std::int32_t limits[] = {INT32_MIN, INT32_MAX, -1, 0};
        return limits[rng() % 4];
    }
    }
}

// A header of random layout: each macro zero to two times (names in comments, "==" or
// "#define" form, random padding, CR LF or LF), junk lines between.
QByteArray RandomHeader(std::mt19937& rng, std::vector<int>* defined)
{
    QByteArray h;
    const char* junk[] = {"/* comment */", "", "#include <x.h>", "int a = b;", "  ", "#define OTHER 3"};
    for (int m = 0; m < kParamMacroCount; ++m) {
        if (rng() % 5 == 0) {
            h += junk[rng() % 6];
            h += rng() % 2 ? "\r\n" : "\n";
        }
        if (rng() % 6 == 0)
            continue;
        defined->push_back(m);
        const QByteArray name = ParamMacroTable[m].name;
        const QByteArray pad(static_cast<int>(rng() % 4), rng() % 2 ? ' ' : '\t');
        h += rng() % 2 ? "#define " + name + pad + " 0" : name + pad + " == 1";
        h += QByteArray(static_cast<int>(rng() % 12), ' ');
        if (rng() % 3 == 0)
            h += " // old";
        h += rng() % 2 ? "\r\n" : "\n";
    }
    h += "#define TKLib_OPENED_TK_AMOUNT 6\n";
    return h;
}

TEST(CodecFuzz, ExportThenImportRoundTrips)
{
    std::mt19937 rng(20240701);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        std::vector<int> defined;
        const QByteArray header = RandomHeader(rng, &defined);
        TouchParamSet p;
        for (int m = 0; m < kParamMacroCount; ++m)
            ParamMacroTable[m].field(p) = RandomValue(rng);
        const HeaderValues read = Import(Export(header, p));
        for (int m = 0; m < kParamMacroCount; ++m) {
            const bool isDefined = std::find(defined.begin(), defined.end(), m) != defined.end();
            ASSERT_EQ(read[m].has_value(), isDefined) << "iteration " << iteration << " macro " << m;
            if (isDefined) {
                ASSERT_EQ(*read[m], ParamMacroTable[m].Get(p)) << "iteration " << iteration << " macro " << m;
            }
        }
    }
}

TEST(CodecFuzz, RandomBytesAreHandled)
{
    std::mt19937 rng(7);
    const QByteArray pieces[] = {"#define ", "==", "\n", "\r\n", "0x", "-", " ", "\t", "_",
                                 "TKLib_OPENED_TK_AMOUNT", "9999999999999", "ffff"};
    for (int iteration = 0; iteration < 1000; ++iteration) {
        QByteArray text;
        const int parts = static_cast<int>(rng() % 60);
        for (int k = 0; k < parts; ++k) {
            switch (rng() % 4) {
            case 0: text += ParamMacroTable[rng() % kParamMacroCount].name; break;
            case 1: text += pieces[rng() % 12]; break;
            case 2: text += static_cast<char>(rng() % 256); break;
            default: text += QByteArray(static_cast<int>(rng() % 1100), static_cast<char>(" x\n"[rng() % 3]));
            }
        }
        TouchParamSet p;
        for (int m = 0; m < kParamMacroCount; ++m)
            ParamMacroTable[m].field(p) = RandomValue(rng);
        const QByteArray out = Export(text, p);
        // The export keeps the lines, and a second export has nothing left to change.
        ASSERT_EQ(out.count('\n'), text.count('\n'));
        ASSERT_EQ(Export(out, p), out) << "iteration " << iteration;
        Import(text);
        Import(out);
        ReadNumber(text.left(40));
    }
}

} // namespace
