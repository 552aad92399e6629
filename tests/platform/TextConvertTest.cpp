// Conversion of other programs' text into the radio's code page, and cuts
// on character boundaries.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/TextConvert.h"

namespace pendrak {
namespace {

struct Converted {
    std::string text;
    TextConvertStats stats;
};

Converted Convert(int codePage, const std::string& value, const char* source = "") {
    CTextConverter converter;
    std::string error;
    EXPECT_TRUE(converter.Open(codePage, source, &error)) << error;
    Converted out;
    converter.Convert(value, out.text, out.stats);
    return out;
}

// What the system's own conversion gives on Windows, where it differs.
#ifdef _WIN32
constexpr bool WINDOWS = true;
#else
constexpr bool WINDOWS = false;
#endif

TEST(TextConvert, IntoCodePages) {
    const struct {
        const char* what;
        int codePage;
        std::string value;
        std::string expected;
        long long transliterated, replaced;
    } cases[] = {
        {"ASCII as it is", 936, "K4SWL Bob", "K4SWL Bob", 0, 0},
        {"Chinese into GBK", 936, "王小明", "\xCD\xF5\xD0\xA1\xC3\xF7", 0, 0},
        {"Cyrillic into GBK, which has it", 936, "Иван", "\xA7\xAA\xA7\xD3\xA7\xD1\xA7\xDF", 0, 0},
        {"Greek into GBK", 936, "Αθ", "\xA6\xA1\xA6\xC8", 0, 0},
        {"Greek accents into GBK, each letter on its own, final sigma as s", 936, "Πειραιάς",
         "\xA6\xB0\xA6\xC5\xA6\xC9\xA6\xD1\xA6\xC1\xA6\xC9\xA6\xC1s", 2, 0},
        {"é is in GBK", 936, "José", "Jos\xA8\xA6", 0, 0},
        {"ü is in GBK, ö is not", 936, "Müller Böhm", "M\xA8\xB9ller Bohm", 1, 0},
        {"ß into GBK", 936, "Strauß", "Strauss", 1, 0},
        {"Ł, ø and æ into GBK, which lacks them", 936, "Łøæ", "Loae", 3, 0},
        {"accents into CP1252 stay", 1252, "Jérôme Müller", "J\xE9r\xF4me M\xFCller", 0, 0},
        {"Polish into CP1252", 1252, "Łódź",
         WINDOWS ? "L\xF3"
                   "dz"
                 : "L\xF3"
                   "dz",
         2, 0},
        {"Cyrillic into CP1252", 1252, "Москва", WINDOWS ? "??????" : "Moskva", WINDOWS ? 0 : 6,
         WINDOWS ? 6 : 0},
        {"Greek into CP1252", 1252, "Αθήνα", WINDOWS ? "?????" : "Athena", WINDOWS ? 0 : 5,
         WINDOWS ? 5 : 0},
        {"Chinese into CP1252", 1252, "王小明", WINDOWS ? "???" : "wang xiao ming", WINDOWS ? 0 : 3,
         WINDOWS ? 3 : 0},
        {"decomposed é meets the code page's é", 1252, "Jose\xCC\x81", "Jos\xE9", 0, 0},
        {"UTF-8 radio keeps everything", 65001, "Москва 王", "Москва 王", 0, 0},
        {"ill-formed bytes into UTF-8", 65001,
         "a\xFF"
         "b",
         "a?b", 0, 1},
        {"ill-formed bytes into GBK", 936,
         "a\xC3"
         "b",
         "a?b", 0, 1},
    };
    for (const auto& c : cases) {
        const Converted out = Convert(c.codePage, c.value);
        // Other scripts into a Western code page get what the system's best
        // fit has on Windows, which differs between versions (and wine):
        // one byte a character, each counted once.
        if (WINDOWS && c.codePage == 1252 && c.replaced > 0) {
            EXPECT_EQ(out.text.size(), c.expected.size()) << c.what;
            EXPECT_EQ(out.stats.transliterated + out.stats.replaced, c.replaced) << c.what;
            continue;
        }
        EXPECT_EQ(out.text, c.expected) << c.what;
        EXPECT_EQ(out.stats.transliterated, c.transliterated) << c.what;
        EXPECT_EQ(out.stats.replaced, c.replaced) << c.what;
    }
}

TEST(TextConvert, FromANamedEncoding) {
    EXPECT_EQ(Convert(936, "Jos\xE9 M\xFCller", "ISO-8859-1").text, "Jos\xA8\xA6 M\xA8\xB9ller");
    EXPECT_EQ(Convert(65001, "\xC4\xE3\xBA\xC3", "GBK").text, "你好");
    CTextConverter converter;
    std::string error;
    EXPECT_FALSE(converter.Open(936, "klingon-8", &error));
    EXPECT_NE(error.find("klingon-8"), std::string::npos);
}

TEST(TextConvert, CutsOnCharacterBoundaries) {
    const struct {
        int codePage;
        std::string text;
        size_t width, cut;
    } cases[] = {
        {936, "\xB9\xFA\xB9\xFA\xB9", 4, 4},
        {936, "A\xB9\xFA\xB9\xFA", 4, 3},
        {936, "ABC", 8, 3},
        {936,
         "\xB9\xFA"
         "AB\xB9\xFA",
         5, 4},
        {65001, "abc\xC3\xA9", 4, 3},
        {65001, "ab\xE4\xB8\xAD\xE4\xB8\xAD", 5, 5},
        {65001, "ab\xE4\xB8\xAD\xE4\xB8\xAD", 7, 5},
        {65001, "\xF0\x9F\x98\x80x", 3, 0},
        {65001, "\x80\x80\x80\x80\x80\x80", 5, 2},
        {1252, "abc\xE9\xE9", 4, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharBoundaryCut(c.text, c.width, c.codePage), c.cut)
            << c.codePage << " " << c.text;
}

}  // namespace
}  // namespace pendrak
