// Code-page names, lead bytes, conversion for display and path splitting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/CodePage.h"
#include "platform/System.h"
#include "platform/TextConvert.h"

namespace pendrak {
namespace {

using namespace std::string_literals;

class CodePageTest : public ::testing::Test {
protected:
    void TearDown() override { SetProgramCodePage(0); }
};

TEST_F(CodePageTest, NamesAsWrittenInSettings) {
    const struct {
        const char* name;
        int codePage;
    } cases[] = {{"GBK", 936},           {"gbk", 936},
                 {"cp936", 936},         {"CP-936", 936},
                 {"936", 936},           {"GB2312", 936},
                 {"UTF-8", 65001},       {"utf8", 65001},
                 {"65001", 65001},       {"Big5", 950},
                 {"Shift_JIS", 932},     {"sjis", 932},
                 {"CP1252", 1252},       {"windows-1252", 1252},
                 {"Windows-1251", 1251}, {"latin1", 28591},
                 {"GB18030", 54936},     {"", 0},
                 {"klingon", 0},         {"937", 0},
                 {"windows-", 0},        {"UTF-16", 0}};
    for (const auto& c : cases) EXPECT_EQ(CodePageFromName(c.name), c.codePage) << c.name;
}

TEST_F(CodePageTest, LeadBytesPerCodePage) {
    const struct {
        int codePage;
        unsigned char byte;
        bool lead;
    } cases[] = {{936, 0x80, false}, {936, 0x81, true},  {936, 0xFE, true},    {936, 0xFF, false},
                 {936, 0x5C, false}, {949, 0x81, true},  {950, 0xA4, true},    {932, 0x81, true},
                 {932, 0x9F, true},  {932, 0xA0, false}, {932, 0xDF, false},   {932, 0xE0, true},
                 {932, 0xFC, true},  {932, 0xFD, false}, {65001, 0xE4, false}, {1252, 0x81, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsLeadByteInCodePage(c.byte, c.codePage), c.lead)
            << c.codePage << " " << int(c.byte);
}

TEST_F(CodePageTest, ToUtf8DecodesOrReplacesEachBadByte) {
    const std::string FFFD = "\xEF\xBF\xBD";
    const struct {
        int codePage;
        std::string in, out;
    } cases[] = {
        {936, "\xD6\xD0\xCE\xC4 ABC", "中文 ABC"},
        {936, "\xB6\x5C", "禱"},  // trail byte 0x5C
        {936,
         "A\xFF"
         "B",
         "A" + FFFD + "B"},
        {936, "\xD6\xD0\xD6", "中" + FFFD},  // cut short at the end
        {936, "\x81\x20z", FFFD + " z"},     // no valid trail
        {932, "\x82\xA0", "あ"},
        {950, "\xA4\xA4", "中"},
        {1252, "caf\xE9", "café"},
        {65001, "\xE4\xB8\xAD", "中"},
        {65001, "\xC3", FFFD},
        {65001, "\xC0\xAF", FFFD + FFFD},             // overlong
        {65001, "\xED\xA0\x80", FFFD + FFFD + FFFD},  // surrogate
        {65001, "a\0b"s, "a\0b"s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToUtf8(c.in, c.codePage), c.out) << c.codePage << " " << c.in;
}

TEST_F(CodePageTest, ProgramCodePageFollowsSettingThenSystem) {
    SetProgramCodePage(932);
    EXPECT_EQ(GetProgramCodePage(), 932);
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_EQ(ToUtf8("\x82\xA0"), "あ");
#ifndef _WIN32
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    for (const auto& [locale, codePage] :
         {std::pair{"zh_CN.UTF-8", 936}, std::pair{"en_GB.UTF-8", 65001}, std::pair{"C", 65001}}) {
        setenv("LC_ALL", locale, 1);
        SetProgramCodePage(0);
        EXPECT_EQ(GetProgramCodePage(), codePage) << locale;
    }
    if (old)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
#endif
}

TEST_F(CodePageTest, DirectoryOfSkipsTrailBytes) {
    // In GBK, 0xB6 0x5C is one character: its 0x5C is no backslash.
    const struct {
        int codePage;
        std::string path, dir;
    } cases[] = {
        {936, "C:\\dir\\\xB6\x5C.exe", "C:\\dir"},
        {936, "C:\\\xB6\x5C\\pendrak.exe", "C:\\\xB6\x5C"},
        {936, "/opt/\xB6\x5C/pendrak", "/opt/\xB6\x5C"},
        {936, "/opt/\xE4\xB8\xAD/pendrak", "/opt/\xE4\xB8\xAD"},  // UTF-8 path, GBK program
        {65001, "C:\\dir\\\xB6\x5C.exe", "C:\\dir\\\xB6"},
        {936, "pendrak.exe", ""},
    };
    for (const auto& c : cases) {
        SetProgramCodePage(c.codePage);
        EXPECT_EQ(DirectoryOf(c.path), c.dir) << c.codePage << " " << c.path;
    }
    SetProgramCodePage(936);
    EXPECT_EQ(BaseNameWithoutExtension("C:\\\xB6\x5C\\pendrak-cli.exe"), "pendrak-cli");
}

TEST_F(CodePageTest, FromUtf8ExactlyOrNotAtAll) {
    const struct {
        int codePage;
        std::string in;
        bool ok;
        std::string out;
    } cases[] = {
        {936, "王伟 BG5", true, "\xCD\xF5\xCE\xB0 BG5"},
        {936, "ش", false, ""},  // not in GBK: no stand-in either
        {1252, "Andr\xC3\xA9", true, "Andr\xE9"},
        {1252, "Andre\xCC\x81", true, "Andr\xE9"},  // e and U+0301, composed
        {1252, "王", false, ""},
        {1251, "Иван", true, "\xC8\xE2\xE0\xED"},
        {65001, "Müller", true, "Müller"},
        {65001, "\xFF", false, ""},  // not UTF-8
        {936, "", true, ""},
    };
    for (const auto& c : cases) {
        std::string out = "old";
        EXPECT_EQ(FromUtf8(c.in, c.codePage, out), c.ok) << c.codePage << " " << c.in;
        if (c.ok) {
            EXPECT_EQ(out, c.out) << c.codePage << " " << c.in;
        }
    }
}

TEST_F(CodePageTest, NativePathSeparators) {
#ifdef _WIN32
    EXPECT_EQ(NativePath("C:\\Users\\me/AppData/x.csv"), "C:\\Users\\me\\AppData\\x.csv");
    EXPECT_EQ(NativePath("//server/share/\xB6\x5C.bin"), "\\\\server\\share\\\xB6\x5C.bin");
#else
    EXPECT_EQ(NativePath("/home/me/a\\b.csv"), "/home/me/a\\b.csv");
#endif
}

}  // namespace
}  // namespace pendrak
