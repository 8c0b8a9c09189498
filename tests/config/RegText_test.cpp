#include "frontend/config/RegText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
    std::string line;
    bool readable;
    TRegData data;
};

} // namespace

TEST(RegTextTest, ReadsEachValueFormAndRefusesMalformedLines) {
    const LineCase cases[] = {
        {R"("A"="Yes")", true, RegDataFromText("Yes")},
        {R"("A"="")", true, RegDataFromText("")},
        {R"("A"="C:\\dir \"q\"")", true, RegDataFromText("C:\\dir \"q\"")},
        {R"("A"="two\nlines\r")", true, RegDataFromText("two\nlines\r")},
        {R"("A"=dword:0000000a)", true, RegDataFromDword(10)},
        {R"("A"=dword:FFFFFFFF)", true, RegDataFromDword(0xFFFFFFFF)},
        {R"("A"=hex:01,ff,7A)", true, TRegData{kRegBinary, {1, 0xFF, 0x7A}}},
        {R"("A"=hex:)", true, TRegData{kRegBinary, {}}},
        {"  \"A\"=\"x\"  \r", true, RegDataFromText("x")},
        {R"("A"="Ye)", false, {}},
        {R"("A"="x" junk)", false, {}},
        {R"("A"="bad \q escape")", false, {}},
        {R"("A"=dword:123456789)", false, {}},
        {R"("A"=dword:)", false, {}},
        {R"("A"=dword:12g4)", false, {}},
        {R"("A"=hex:1,2)", false, {}},
        {R"("A"=hex:01,)", false, {}},
        {R"("A"=hex(2):01)", false, {}},
        {R"(""="x")", false, {}},
        {R"(@="x")", false, {}},
        {R"("A" = "x")", false, {}},
        {std::string("\"A\"=\"nul\0inside\"", 16), false, {}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const TRegParseResult result = ParseRegText(c.line);
        EXPECT_EQ(result.Damaged, !c.readable);
        if (c.readable) {
            ASSERT_EQ(result.Values.count("A"), 1u);
            EXPECT_EQ(result.Values.at("A"), c.data);
        } else {
            EXPECT_TRUE(result.Values.empty());
        }
    }
}

TEST(RegTextTest, DamagedLinesDoNotHideTheReadableOnes) {
    const std::string text = "[HKEY_CURRENT_USER\\Software\\X]\r\n"
                             "; a comment\n"
                             "\n"
                             "\"One\"=dword:00000001\n"
                             "\x01\x02\xff garbage\n"
                             "\"Two\"=\"2\"\n"
                             "\"Thr";
    const TRegParseResult result = ParseRegText(text);
    EXPECT_TRUE(result.Damaged);
    ASSERT_EQ(result.Values.size(), 2u);
    EXPECT_EQ(result.Values.at("One"), RegDataFromDword(1));
    EXPECT_EQ(result.Values.at("Two"), RegDataFromText("2"));
}

TEST(RegTextTest, NamesCompareWithoutCaseAndTheLastLineWins) {
    const TRegParseResult result = ParseRegText("\"Name\"=\"a\"\n\"NAME\"=\"b\"\n");
    EXPECT_FALSE(result.Damaged);
    ASSERT_EQ(result.Values.size(), 1u);
    EXPECT_EQ(result.Values.at("name"), RegDataFromText("b"));
}

TEST(RegTextTest, FormattedTextReadsBackToTheSameValues) {
    TRegValues values;
    values["Path"] = RegDataFromText("/music/\"live\"\\set\nB");
    values["Empty"] = RegDataFromText("");
    values["Count"] = RegDataFromDword(0x80000001);
    values["Blob"] = TRegData{kRegBinary, {0, 1, 0xAB}};
    values["Odd \"name\""] = RegDataFromDword(3);
    const std::string text = FormatRegText("HKEY_CURRENT_USER\\Software\\Zyl", values);
    EXPECT_EQ(text.substr(0, text.find('\n')), "[HKEY_CURRENT_USER\\Software\\Zyl]");
    EXPECT_NE(text.find("\"Count\"=dword:80000001\n"), std::string::npos);
    EXPECT_NE(text.find("\"Blob\"=hex:00,01,ab\n"), std::string::npos);
    const TRegParseResult back = ParseRegText(text);
    EXPECT_FALSE(back.Damaged);
    EXPECT_EQ(back.Values, values);
}
