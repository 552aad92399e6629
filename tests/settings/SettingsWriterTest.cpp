// Writing keys of setting.txt: only the changed values move, and what is
// written reads back as it was set.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TempDir.h"
#include "settings/MappedIniFile.h"
#include "settings/SettingsWriter.h"

namespace pendrak {
namespace {

using test::TempDir;

struct EditCase {
    const char* what;
    std::string before;
    SettingValues values;
    std::string after;
};

const EditCase kEdits[] = {
    {"value replaced, blanks after = and CR LF kept",
     "; top\r\n[setup]\r\nverify= 0\r\nprefer=460\r\n", {{"verify", "1"}},
     "; top\r\n[setup]\r\nverify= 1\r\nprefer=460\r\n"},
    {"key found without case, the first of two",
     "[SETUP]\n  Verify =0\nverify=0\n", {{"verify", "1"}}, "[SETUP]\n  Verify =1\nverify=0\n"},
    {"same key in another section left alone",
     "[other]\nverify=0\n[setup]\nverify=0\n", {{"verify", "1"}},
     "[other]\nverify=0\n[setup]\nverify=1\n"},
    {"missing key after the section's last key, before the next section's comment",
     "[setup]\na=1\n\n; about [x]\n[x]\nk=2\n", {{"near", "2041234"}},
     "[setup]\na=1\nnear=2041234\n\n; about [x]\n[x]\nk=2\n"},
    {"missing key in a section without keys, CR LF followed",
     "[setup]\r\n; nothing yet\r\n", {{"verify", "1"}}, "[setup]\r\nverify=1\r\n; nothing yet\r\n"},
    {"last line without a line end", "[setup]\na=1", {{"b", "2"}}, "[setup]\na=1\nb=2\n"},
    {"missing section appended", "; only a comment", {{"verify", "1"}},
     "; only a comment\n[setup]\nverify=1\n"},
    {"byte-order mark kept", "\xEF\xBB\xBF[setup]\nverify=0\n", {{"verify", "1"}},
     "\xEF\xBB\xBF[setup]\nverify=1\n"},
    {"same value: nothing moves, quotes and comment included",
     "[setup]\nprefer = \"460\"  \n", {{"prefer", "460"}}, "[setup]\nprefer = \"460\"  \n"},
    {"blanks at the ends and enclosing quotes are quoted",
     "[setup]\na=x\nb=y\n", {{"a", " pad "}, {"b", "\"q\""}},
     "[setup]\na=\" pad \"\nb=\"\"q\"\"\n"},
    {"emptied value", "[setup]\nprefer=460,461\n", {{"prefer", ""}}, "[setup]\nprefer=\n"},
    {"a commented key is no key, and two keys set at once",
     "[setup]\n;language=a\nverify=0\n", {{"verify", "1"}, {"language", "lang_de"}},
     "[setup]\n;language=a\nverify=1\nlanguage=lang_de\n"},
    {"missing section appended in the file's CR LF", "; only\r\n", {{"language", "lang_ja"}},
     "; only\r\n[setup]\r\nlanguage=lang_ja\r\n"},
    {"a key after the next section is not this section's",
     "[setup]\na=1\n[x]\nverify=0\n", {{"verify", "1"}}, "[setup]\na=1\nverify=1\n[x]\nverify=0\n"},
};

TEST(SettingsWriterTest, ChangesOnlyTheValuesSet) {
    for (const EditCase& c : kEdits)
        EXPECT_EQ(SetIniValues(c.before, "setup", c.values), c.after) << c.what;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(SettingsWriterTest, WrittenValuesReadBackExactly) {
    TempDir dir;
    const std::string path = dir.Write("setting.txt", "[setup]\nprefer=1\nnear=2\n");
    const std::string values[] = {" two blanks ", "\"quoted\"", "a=b;c", "\xE4\xB8\xAD\xE6\x96\x87"};
    for (const std::string& value : values) {
        std::string reason;
        ASSERT_TRUE(WriteSettingValues(path, {{"near", value}}, &reason)) << reason;
        CMappedIniFile file;
        ASSERT_TRUE(file.Open(path.c_str()));
        char buffer[CMappedIniFile::BUFFER_SIZE];
        file.GetValue("setup", "near", buffer);
        EXPECT_EQ(std::string(buffer), value);
        file.GetValue("setup", "prefer", buffer);
        EXPECT_EQ(std::string(buffer), "1");
    }
}

TEST(SettingsWriterTest, RefusesWhatCannotBeKeptAndLeavesTheFile) {
    TempDir dir;
    const std::string text = "[setup]\nprefer=1\n";
    const std::string path = dir.Write("setting.txt", text);
    std::string reason;
    EXPECT_FALSE(WriteSettingValues(path, {{"prefer", "1\n[evil]"}}, &reason));
    EXPECT_NE(reason.find("line break"), std::string::npos) << reason;
    EXPECT_FALSE(WriteSettingValues(path, {{"prefer", std::string(260, 'x')}}, &reason));
    EXPECT_TRUE(WriteSettingValues(path, {{"prefer", std::string(259, 'x')}}, &reason)) << reason;
    EXPECT_EQ(ReadFile(path), "[setup]\nprefer=" + std::string(259, 'x') + "\n");
    EXPECT_FALSE(WriteSettingValues(dir.Path() + "/missing.txt", {{"prefer", "2"}}, &reason));
#ifndef _WIN32
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    if (!std::ofstream(path, std::ios::app)) {  // root writes anyway
        EXPECT_FALSE(WriteSettingValues(path, {{"prefer", "3"}}, &reason));
        EXPECT_EQ(ReadFile(path), "[setup]\nprefer=" + std::string(259, 'x') + "\n");
    }
#endif
    // No temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace pendrak
