// setting.txt changed in place: the one line, nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "TempDir.h"
#include "settings/SettingsWriter.h"

namespace pendrak {
namespace {

TEST(SetIniValues, ChangesOnlyTheKeysLine) {
    const struct {
        const char* name;
        const char* before;
        SettingValues values;
        const char* after;
    } cases[] = {
        {"value replaced, CR LF and comments kept",
         "; c\r\n[setup]\r\nlanguage=lang_cn\r\n; after\r\nverify=1\r\n",
         {{"language", "lang_de"}},
         "; c\r\n[setup]\r\nlanguage=lang_de\r\n; after\r\nverify=1\r\n"},
        {"names without case, blanks before '=' kept",
         "[Setup]\nLanguage =x\n", {{"language", "lang_ja"}}, "[Setup]\nLanguage =lang_ja\n"},
        {"only the first of repeated keys",
         "[setup]\nlanguage=a\nlanguage=b\n", {{"language", "c"}}, "[setup]\nlanguage=c\nlanguage=b\n"},
        {"the same key in another section stays",
         "[other]\nlanguage=a\n[setup]\nlanguage=b\n", {{"language", "c"}},
         "[other]\nlanguage=a\n[setup]\nlanguage=c\n"},
        {"a commented key is no key",
         "[setup]\n;language=a\nverify=0\n\n; next\n[x]\n", {{"language", "c"}},
         "[setup]\n;language=a\nverify=0\nlanguage=c\n\n; next\n[x]\n"},
        {"missing key in a section without keys",
         "[setup]\n[x]\nk=1", {{"language", "c"}}, "[setup]\nlanguage=c\n[x]\nk=1"},
        {"missing key after a last line without line end",
         "[setup]\nverify=0", {{"language", "c"}}, "[setup]\nverify=0\nlanguage=c\n"},
        {"missing section added at the end, in the file's line ends",
         "; only\r\n", {{"language", "c"}}, "; only\r\n[setup]\r\nlanguage=c\r\n"},
        {"two keys, one there and one not",
         "[setup]\nverify=0\n", {{"verify", "1"}, {"language", "c"}},
         "[setup]\nverify=1\nlanguage=c\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(SetIniValues(c.before, "setup", c.values), c.after) << c.name;
}

TEST(WriteSettingValues, ReplacesTheFileWholeOrRefuses) {
    test::TempDir dir;
    const std::string path = dir.Write("setting.txt", "; keep\n[setup]\nlanguage=lang_cn\nradio=usb\n");
    std::string reason;
    ASSERT_TRUE(WriteSettingValues(path, {{"language", "lang_pl"}}, &reason)) << reason;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "; keep\n[setup]\nlanguage=lang_pl\nradio=usb\n");
    in.close();

    // A value that would break the file is refused, and the file stays.
    EXPECT_FALSE(WriteSettingValues(path, {{"language", "a\nradio=tcp:1.2.3.4:1"}}, &reason));
    EXPECT_NE(reason.find("line break"), std::string::npos) << reason;
    EXPECT_FALSE(WriteSettingValues(path, {{"language", std::string(260, 'x')}}, &reason));
    EXPECT_FALSE(WriteSettingValues(dir.Path() + "/missing.txt", {{"language", "x"}}, &reason));
    EXPECT_NE(reason.find("missing.txt"), std::string::npos) << reason;
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}),
              "; keep\n[setup]\nlanguage=lang_pl\nradio=usb\n");
    // Nothing left beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace pendrak
