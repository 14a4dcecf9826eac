// Header codec: line matching, value rewriting and reading, on in-memory text.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "params/header_codec.h"

namespace {

using namespace HeaderCodec;

// Byte texts compared as std::string so that a failure shows readable text.
std::string S(const QByteArray& b) { return b.toStdString(); }

// A header in the usual form, every macro defined once, with comments and a counting
// expression after the stop line.
QByteArray FullHeader(const char* eol = "\n")
{
    QByteArray h = QByteArray("/* touch library configuration */") + eol;
    for (const ParamMacro& m : ParamMacroTable)
        h += QByteArray("#define ") + m.name + "        " + (m.hex ? "0x00" : "0") + "    // " + m.name + eol;
    h += QByteArray("#define TKLib_OPENED_TK_AMOUNT (EnTk0+EnTk1+EnTk2+EnTk3+EnTk4+EnTk5)") + eol;
    h += QByteArray("#define TKLib_TOUCH_NUM 9") + eol;
    return h;
}

TouchParamSet DistinctValues()
{
    TouchParamSet p;
    for (int m = 0; m < kParamMacroCount; ++m)
        ParamMacroTable[m].field(p) = (m % 2 ? -1 : 1) * (m * 37 + 5);
    ParamMacroTable[FindParamMacro("TKLib_TKLPGroup0_MASK")].field(p) = 0x3c;
    ParamMacroTable[FindParamMacro("TKLib_TKLPGroup1_MASK")].field(p) = 0x1f;
    return p;
}

TEST(MacroTable, HoldsThe34NamesInMatchingOrder)
{
    EXPECT_EQ(ParamMacroTable.size(), 34u);
    EXPECT_STREQ(ParamMacroTable[0].name, "EnTk0");
    EXPECT_STREQ(ParamMacroTable[28].name, "TKLPGroup0");
    EXPECT_STREQ(ParamMacroTable[30].name, "TKLib_TKLPGroup0_MASK");
    EXPECT_STREQ(ParamMacroTable[32].name, "TKlib_Sleep_Wake_Up_Rate");
    EXPECT_STREQ(ParamMacroTable[33].name, "TKLib_Sleep_F_THRESHOLD");
    for (int m = 0; m < kParamMacroCount; ++m)
        EXPECT_EQ(ParamMacroTable[m].hex, m == 30 || m == 31) << m;
    // Each entry reaches its own field.
    TouchParamSet p;
    ParamMacroTable[15].field(p) = 77;
    ParamMacroTable[5].field(p) = 1;
    EXPECT_EQ(p.keyThreshold[0], 77);
    EXPECT_EQ(p.keyEnable[5], 1);
}

TEST(Matching, UnderscoreAfterTheNameSkipsTheMacro)
{
    EXPECT_EQ(MatchMacro("#define TKLib_TKLPGroup0_MASK 0x00\n"), FindParamMacro("TKLib_TKLPGroup0_MASK"));
    EXPECT_EQ(MatchMacro("#define TKLPGroup0 1\n"), FindParamMacro("TKLPGroup0"));
    EXPECT_EQ(MatchMacro("#define TKLPGroup1\t0\n"), FindParamMacro("TKLPGroup1"));
    // Table order wins when a line names several macros (a name in a comment counts).
    EXPECT_EQ(MatchMacro("#define TKLib_TKCKS 2 // see EnTk3\n"), FindParamMacro("EnTk3"));
    EXPECT_EQ(MatchMacro("#define SOMETHING_ELSE 2\n"), -1);
    // Lines that are not parameter lines: too short, no "==" or "#define".
    EXPECT_EQ(ParameterLineMacro("EnTk\n"), -1);
    EXPECT_EQ(ParameterLineMacro("EnTk0 = 1\n"), -1);
    EXPECT_EQ(ParameterLineMacro("EnTk0 == 1\n"), 0);
}

TEST(Numbers, ValueTextAndReading)
{
    EXPECT_EQ(ValueText(0, true), "0x0");
    EXPECT_EQ(ValueText(60, true), "0x3c");
    EXPECT_EQ(ValueText(-1, true), "0xffffffff");
    EXPECT_EQ(ValueText(-42, false), "-42");
    EXPECT_EQ(ReadNumber("0x1F"), 31);
    EXPECT_EQ(ReadNumber("0X1F"), 0);  // no "0x": decimal, stops at X
    EXPECT_EQ(ReadNumber("15"), 15);
    EXPECT_EQ(ReadNumber("-7;"), -7);
    EXPECT_EQ(ReadNumber("0x"), 0);
    EXPECT_EQ(ReadNumber("0xffffffff"), -1);
    EXPECT_FALSE(ReadNumber("abc").has_value());
    EXPECT_FALSE(ReadNumber("").has_value());
    EXPECT_FALSE(ReadNumber("-").has_value());
    // Beyond the 32-bit range: the nearest limit, no overflow.
    EXPECT_EQ(ReadNumber("99999999999999999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ReadNumber("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ReadNumber("-2147483649"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ReadNumber("2147483648"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ReadNumber("0x123456789abcdef"), -1);  // saturates at the 32-bit pattern 0xffffffff
}

TEST(Export, ReplacesOnlyTheValueAndKeepsWhatFollows)
{
    TouchParamSet p;
    p.touchNum = 1;
    p.lpGroup0Mask = 3;
    p.keyThreshold[0] = 120;
    for (const QByteArray& eol : {QByteArray("\n"), QByteArray("\r\n")}) {
        SCOPED_TRACE(eol.size() == 2 ? "CR LF" : "LF");
        auto exported = [&](const QByteArray& line) { return S(Export(line + eol, p)); };
        // Comments of the three kinds, the spaces before them and the line end stay; no padding.
        EXPECT_EQ(exported("#define TKLib_TOUCH_NUM 2   /* keys that may be touched at once */"),
                  S("#define TKLib_TOUCH_NUM \t1   /* keys that may be touched at once */" + eol));
        EXPECT_EQ(exported("#define TKLib_TOUCH_NUM\t2 // at once"), S("#define TKLib_TOUCH_NUM \t1 // at once" + eol));
        EXPECT_EQ(exported("TKLib_TOUCH_NUM   ==   2 ; at once"), S("TKLib_TOUCH_NUM   == \t1 ; at once" + eol));
        EXPECT_EQ(exported("#define TKLib_TOUCH_NUM        2"), S("#define TKLib_TOUCH_NUM \t1" + eol));
        // A comment right after the value ends it; the line grows or shrinks with the value.
        EXPECT_EQ(exported("#define TKLib_TK0_F_THRESHOLD 8/* was 9 */"),
                  S("#define TKLib_TK0_F_THRESHOLD \t120/* was 9 */" + eol));
        EXPECT_EQ(exported("#define TKLib_TKLPGroup0_MASK    0x0000000f;x"), S("#define TKLib_TKLPGroup0_MASK \t0x3;x" + eol));
        // No value there: the value goes in before the rest of the line.
        EXPECT_EQ(exported("#define TKLib_TOUCH_NUM"), S("#define TKLib_TOUCH_NUM \t1" + eol));
        EXPECT_EQ(exported("#define TKLib_TOUCH_NUM   /* none yet */"), S("#define TKLib_TOUCH_NUM \t1   /* none yet */" + eol));
    }
}

TEST(Export, LeavesLinesWhoseValueStaysByteForByte)
{
    TouchParamSet p;
    p.keyThreshold[0] = 15;
    p.lpGroup0Mask = 15;
    p.touchNum = 2;
    const QByteArray header = "#define TKLib_TK0_F_THRESHOLD 0x0F  \r\n"  // written another way
                              "#define TKLib_TKLPGroup0_MASK 15\t// in decimal\n"
                              "TKLib_TOUCH_NUM == 002\n"
                              "#define TKLib_TOUCH_NUM 3\n"               // defined twice: this one changes
                              "#define EnTk0 0\n"
                              "#define OTHER 1\n";
    const ExportPlan plan = PlanExport(header, RecordValues(p));
    EXPECT_EQ(S(plan.text), S(QByteArray(header).replace("TOUCH_NUM 3", "TOUCH_NUM \t2")));
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.changes[0].line, 4);
    EXPECT_EQ(plan.changes[0].macro, FindParamMacro("TKLib_TOUCH_NUM"));
    EXPECT_EQ(plan.changes[0].oldText, "3");
    EXPECT_EQ(plan.changes[0].newText, "2");
    EXPECT_EQ(plan.macrosKept, 3);  // threshold, mask, EnTk0
    // Exported twice: the second time changes nothing.
    EXPECT_EQ(PlanExport(plan.text, RecordValues(p)).text, plan.text);
    EXPECT_TRUE(PlanExport(plan.text, RecordValues(p)).changes.empty());
    // Macros without a value to write stay as they are.
    HeaderValues only;
    only[FindParamMacro("EnTk0")] = 1;
    const ExportPlan one = PlanExport(header, only);
    EXPECT_EQ(S(one.text), S(QByteArray(header).replace("EnTk0 0", "EnTk0 \t1")));
    EXPECT_EQ(one.macrosKept, 3);
    EXPECT_EQ(std::count(one.named.begin(), one.named.end(), true), 4);
}

TEST(Export, SeparatesTheValueWhereTheLineWouldNotReadBack)
{
    TouchParamSet p;
    p.keyThreshold[0] = 15;
    p.tkMode = 5;
    // "15//0x10" reads as hexadecimal 0x15: a space keeps the comment out of the number.
    EXPECT_EQ(S(Export("#define TKLib_TK0_F_THRESHOLD 15//0x10\n", p)), S("#define TKLib_TK0_F_THRESHOLD \t15 //0x10\n"));
    // Removing the old value would leave EnTk0 as the name the line gives first: it stays.
    EXPECT_EQ(S(Export("#define TKLib_TKMODE EnTk0_x EnTk0\n", p)), S("#define TKLib_TKMODE \t5 EnTk0_x EnTk0\n"));
    EXPECT_EQ(Import(Export("#define TKLib_TKMODE EnTk0_x EnTk0\n", p))[FindParamMacro("TKLib_TKMODE")], 5);
}

TEST(Export, KeepsOtherLinesAndCrLf)
{
    const QByteArray in = FullHeader("\r\n");
    const QByteArray out = Export(in, DistinctValues());
    const QList<QByteArray> a = in.split('\n'), b = out.split('\n');
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(b[0], a[0]);                         // the comment line
    for (int i = 1; i <= kParamMacroCount; ++i) {
        EXPECT_TRUE(b[i].endsWith("    // " + QByteArray(ParamMacroTable[i - 1].name) + "\r")) << b[i].toStdString();
        EXPECT_NE(b[i], a[i]);
    }
    EXPECT_EQ(b[a.size() - 3], a[a.size() - 3]);   // the stop line
    EXPECT_EQ(b[a.size() - 2], a[a.size() - 2]);   // a macro after the stop line
}

TEST(Export, LengthensAShortLineBeforeItsOwnLineFeed)
{
    TouchParamSet p;
    p.caliBaseTime = -1234567;
    p.lpGroup1Mask = 0xff;
    const QByteArray in = "#define TKLib_CaliBaseTime 1\n#define TKLib_TKLPGroup1_MASK\nnext line\n";
    const QByteArray out = Export(in, p);
    EXPECT_EQ(out, "#define TKLib_CaliBaseTime \t-1234567\n#define TKLib_TKLPGroup1_MASK \t0xff\nnext line\n");
    const HeaderValues v = Import(out);
    EXPECT_EQ(v[FindParamMacro("TKLib_CaliBaseTime")], -1234567);
    EXPECT_EQ(v[FindParamMacro("TKLib_TKLPGroup1_MASK")], 0xff);
}

TEST(Export, LeavesTheLastLineWithoutLineFeedAndLinesAfterTheStop)
{
    TouchParamSet p;
    p.touchNum = 4;
    EXPECT_EQ(S(Export("#define TKLib_TOUCH_NUM 2", p)), S("#define TKLib_TOUCH_NUM 2"));
    const QByteArray stop = "#define TKLib_OPENED_TK_AMOUNT 6\n#define TKLib_TOUCH_NUM 2\n";
    const ExportPlan stopped = PlanExport(stop, RecordValues(p));
    EXPECT_EQ(stopped.text, stop);
    EXPECT_TRUE(stopped.changes.empty());
    // Each rewritten line is listed.
    p.keyEnable[1] = 1;
    const ExportPlan plan =
        PlanExport("#define EnTk1 0\n#define EnTk1 1\n#define TKLib_TOUCH_NUM 2\n#define TKLib_TKMODE 2", RecordValues(p));
    ASSERT_EQ(plan.changes.size(), 2u);
    EXPECT_EQ(plan.changes[0].line, 1);
    EXPECT_EQ(plan.changes[1].macro, 6);
    // A partial header is patched where it has lines; nothing is added.
    EXPECT_EQ(S(Export("int x;\n#define TKLib_TOUCH_NUM 2  \n", p)), S("int x;\n#define TKLib_TOUCH_NUM \t4  \n"));
}

TEST(Export, HexFollowsTheMaskNameAnywhereInTheLine)
{
    TouchParamSet p;
    p.keyEnable[0] = 1;
    // The line matches EnTk0 (first in the table) but names a mask: its value is written hex.
    EXPECT_EQ(Export("#define EnTk0 0 // TKLib_TKLPGroup0_MASK\n", p), "#define EnTk0 \t0x1 // TKLib_TKLPGroup0_MASK\n");
}

TEST(Import, ReadsEveryMacroOfAnExportedHeader)
{
    for (const char* eol : {"\n", "\r\n"}) {
        const TouchParamSet want = DistinctValues();
        const QByteArray out = Export(FullHeader(eol), want);
        TouchParamSet got;
        ApplyValues(Import(out), got);
        EXPECT_EQ(got, want) << "line end " << (eol[1] ? "CR LF" : "LF");
        // The macro after the stop line (TKLib_TOUCH_NUM 9) is ignored.
        EXPECT_EQ(got.touchNum, want.touchNum);
    }
}

TEST(Import, TokenRules)
{
    HeaderValues v = Import("#define TKLib_TK0_F_THRESHOLD 15 // was 0x10\n"
                            "#define TKLib_TK1_F_THRESHOLD 0X1F\n"
                            "#define TKLib_TK2_F_THRESHOLD 0x1F\n"
                            "TKLib_TK3_F_THRESHOLD == \t \t \t8\n"
                            "TKLib_TK5_F_THRESHOLD == \t \t \t 8\n"  // a fourth run of blanks is not removed
                            "#define TKLib_TK4_F_THRESHOLD  \n"
                            "#define EnTk1 1\n"
                            "#define EnTk1 0\n"
                            "#define TKLib_TKLPGroup1_MASK 0x0f\n"
                            "#define TKLPGroup1 1\n"
                            "#define TKLib_TOUCH_NUM 2");  // last line, no line feed
    EXPECT_EQ(v[15], 15);
    EXPECT_EQ(v[16], 0);
    EXPECT_EQ(v[17], 31);
    EXPECT_EQ(v[18], 8);
    EXPECT_FALSE(v[19].has_value());  // no number: no value
    EXPECT_FALSE(v[20].has_value());
    EXPECT_EQ(v[1], 0);               // the later definition wins
    EXPECT_EQ(v[31], 15);
    EXPECT_EQ(v[29], 1);
    EXPECT_EQ(v[6], 2);
    EXPECT_FALSE(v[0].has_value());

    // Absent macros keep the record's values.
    TouchParamSet p;
    p.caliBaseTime = 555;
    ApplyValues(v, p);
    EXPECT_EQ(p.caliBaseTime, 555);
    EXPECT_EQ(p.keyThreshold[2], 31);
}

TEST(Import, LongLinesAreReadIn1023CharacterPieces)
{
    // The name sits in the second piece of a long line: that piece is a line of its own.
    QByteArray line = "#define X " + QByteArray(1013, ' ');  // 1023 characters
    line += "#define TKLib_TKMODE 5\n";
    HeaderValues v = Import(line);
    EXPECT_EQ(v[21], 5);
    // A name split across the piece boundary is found in neither piece.
    QByteArray split = "#define " + QByteArray(1010, ' ') + "TKLib_TKMODE 6\n";
    EXPECT_FALSE(Import(split)[21].has_value());
    // The export works on the whole line and the import still finds a value that fits the
    // first piece.
    TouchParamSet p;
    p.tkMode = 3;
    const QByteArray longValueLine = "#define TKLib_TKMODE 1" + QByteArray(2000, ' ') + "\n";
    EXPECT_EQ(Import(Export(longValueLine, p))[21], 3);
}

TEST(Import, StopLineEndsReadingAndCrLfIsOneLineFeed)
{
    HeaderValues v = Import("#define TKLib_TKCOMS 0\r\n"
                            "; TKLib_OPENED_TK_AMOUNT\r\n"
                            "#define TKLib_TKCKS 7\r\n");
    EXPECT_EQ(v[22], 0);
    EXPECT_FALSE(v[23].has_value());
    EXPECT_EQ(Import("EnTk0==1\r\n")[0], 1);
    EXPECT_EQ(Import("EnTk0==1\r")[0], 1);  // a lone CR ends the token like any non-digit
}

// Lines end at the line feed: a text whose lines end in CR alone has none, also when one line feed
// closes it; a stray CR among LF or CR LF lines does not make it such a text.
TEST(LineEnds, CrAloneIsToldFromCrLfAndStrayCarriageReturns)
{
    for (const char* cr : {"#define EnTk0 1\r#define EnTk1 0\r", "#define EnTk0 1\r#define EnTk1 0\r#define EnTk2 0\r\n"})
        EXPECT_TRUE(HeaderCodec::LinesEndInCrAlone(cr)) << cr;
    for (const char* lf : {"#define EnTk0 1\r\n#define EnTk1 0\r\n", "/* a\rb */\n#define EnTk0 1\n", "#define EnTk0 1", ""})
        EXPECT_FALSE(HeaderCodec::LinesEndInCrAlone(lf)) << lf;
}

} // namespace
