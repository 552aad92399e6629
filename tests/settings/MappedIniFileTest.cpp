// Lookup rules of the mapped INI-style file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TempDir.h"
#include "platform/CodePage.h"
#include "settings/MappedIniFile.h"

namespace pendrak {
namespace {

using test::TempDir;
using namespace std::string_literals;

struct LookupCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    int result;
    std::string value;
};

const LookupCase kLookups[] = {
    {"byte-order mark before the header", "\xEF\xBB\xBF[String]\nk=v\n", "String", "k", 1, "v"},
    {"header in other case", "[string]\nk=v", "String", "k", 1, "v"},
    {"blank after [", "[ String]\nk=v", "String", "k", 0, ""},
    {"blank before ]", "[String ]\nk=v", "String", "k", 0, ""},
    {"blank before [", " [String]\nk=v", "String", "k", 0, ""},
    {"longer name", "[StringX]\nk=v", "String", "k", 0, ""},
    {"text after the header", "[String] ; note\nk=v", "String", "k", 1, "v"},
    {"blanks around key and value, key case", "[S]\n \t Key \t=  value \t\n", "S", "KEY", 5,
     "value"},
    {"nothing after =", "[S]\nk=\nj=1", "S", "k", 0, ""},
    {"only blanks after =", "[S]\nk=  \t\n", "S", "k", 0, ""},
    {"quoted value", "[S]\nk= \" a b \" \n", "S", "k", 5, " a b "},
    {"single quote stays", "[S]\nk=\"\n", "S", "k", 1, "\""},
    {"two quotes give empty", "[S]\nk=\"\"\n", "S", "k", 0, ""},
    {"inner quotes stay", "[S]\nk=\"a\"b\"\n", "S", "k", 3, "a\"b"},
    {"second = belongs to the value", "[S]\nk=a=b\n", "S", "k", 3, "a=b"},
    {"line starting with = skipped", "[S]\n=k=x\nk=y\n", "S", "k", 1, "y"},
    {"line without = skipped", "[S]\nk\nk=y\n", "S", "k", 1, "y"},
    {"first duplicate wins", "[S]\nk=1\nk=2\n", "S", "k", 1, "1"},
    {"comments skipped", "[S]\n;k=1\n#k=2\nk=3\n", "S", "k", 1, "3"},
    {"blank before ; makes a key line", "[S]\n ;k=1\n", "S", ";k", 1, "1"},
    {"semicolon after the value kept", "[S]\nk=v ; c\n", "S", "k", 5, "v ; c"},
    {"next section ends the search", "[S]\n[T]\nk=v\n", "S", "k", 0, ""},
    {"[ alone ends the section", "[S]\n[\nk=v\n", "S", "k", 0, ""},
    {"header as last line", "[S]", "S", "k", 0, ""},
    {"header as last line with LF", "[S]\n", "S", "k", 0, ""},
    {"missing section", "[S]\nk=v\n", "T", "k", 0, ""},
    {"CR LF line ends", "[S]\r\n\r\nk=v\r\nj=w\r\n", "S", "k", 1, "v"},
    {"last line without LF keeps its CR", "[S]\nk=v\r", "S", "k", 2, "v\r"},
    {"lone CR stays in the line", "[S]\nk=a\rb\n", "S", "k", 3, "a\rb"},
    {"text after NUL is invisible", "[S]\nk=ab\0cd\nj=w\n"s, "S", "k", 2, "ab"},
    {"key after NUL is missing", "[S]\nk=ab\0cd\nj=w\n"s, "S", "j", 0, ""},
    {"inner blank in key", "[S]\na b = 1\n", "S", "a b", 1, "1"},
    {"1500-byte value cut", "[S]\nk=" + std::string(1500, 'x') + "\n", "S", "k", 999,
     std::string(999, 'x')},
    {"byte-order mark only", "\xEF\xBB\xBF", "S", "k", 0, ""},
};

class MappedIniFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramCodePage(CP_UTF8_ID); }
    void TearDown() override { SetProgramCodePage(0); }

    std::string Lookup(CMappedIniFile& file, const char* section, const char* key, int expected) {
        char buffer[CMappedIniFile::BUFFER_SIZE];
        std::memset(buffer, 'Q', sizeof buffer);
        EXPECT_EQ(file.GetValue(section, key, buffer), expected) << section << "/" << key;
        return buffer;
    }

    TempDir dir;
};

TEST_F(MappedIniFileTest, LookupRules) {
    for (const LookupCase& c : kLookups) {
        SCOPED_TRACE(c.what);
        CMappedIniFile file;
        ASSERT_TRUE(file.Open(dir.Write("case.ini", c.file).c_str()));
        char buffer[CMappedIniFile::BUFFER_SIZE];
        std::memset(buffer, 'Q', sizeof buffer);
        EXPECT_EQ(file.GetValue(c.section, c.key, buffer), c.result);
        EXPECT_EQ(std::string(buffer), c.value);
    }
}

TEST_F(MappedIniFileTest, SectionCursorWrapsAroundToSameNamedSections) {
    CMappedIniFile file;
    ASSERT_TRUE(
        file.Open(dir.Write("c.ini", "[A]\nk=1\nfirst=x\n[B]\nk=b\n[A]\nk=2\n[C]\nk=c\n").c_str()));
    EXPECT_EQ(Lookup(file, "A", "k", 1), "1");
    EXPECT_EQ(Lookup(file, "B", "k", 1), "b");
    EXPECT_EQ(Lookup(file, "A", "k", 1), "2");  // the one after B
    EXPECT_EQ(Lookup(file, "A", "first", 0), "");
    EXPECT_EQ(Lookup(file, "Z", "k", 0), "");  // a failed search keeps the cursor
    EXPECT_EQ(Lookup(file, "A", "k", 1), "2");
    EXPECT_EQ(Lookup(file, "B", "k", 1), "b");  // wraps to the top
    EXPECT_EQ(Lookup(file, "C", "k", 1), "c");
    EXPECT_EQ(Lookup(file, "A", "first", 1), "x");  // wraps to the first A
}

TEST_F(MappedIniFileTest, ClosedFilesAndBadArguments) {
    CMappedIniFile file;
    char buffer[4] = "ab";
    EXPECT_EQ(file.GetValue("S", "k", buffer), -1);
    EXPECT_FALSE(file.Open(dir.Write("empty.ini", "").c_str()));
    EXPECT_EQ(file.GetValue("S", "k", buffer), -1);
    EXPECT_FALSE(file.Open((dir.Path() + "/missing.ini").c_str()));
    EXPECT_FALSE(file.Open(dir.Path().c_str()));  // a folder
    EXPECT_EQ(file.GetValue("S", "k", buffer), -1);
    EXPECT_STREQ(buffer, "ab");

    ASSERT_TRUE(file.Open(dir.Write("ok.ini", "[S]\nk=v\n").c_str()));
    EXPECT_EQ(file.GetValue("", "k", buffer), -2);
    EXPECT_EQ(file.GetValue("S", "", buffer), -2);
    EXPECT_EQ(file.GetValue("S", "k", nullptr), -2);
    EXPECT_STREQ(buffer, "ab");

    // A second Open replaces the first file; Close ends lookups.
    ASSERT_TRUE(file.Open(dir.Write("other.ini", "[S]\nk=w\n").c_str()));
    EXPECT_EQ(file.GetValue("S", "k", buffer), 1);
    EXPECT_STREQ(buffer, "w");
    file.Close();
    file.Close();
    std::strcpy(buffer, "ab");
    EXPECT_EQ(file.GetValue("S", "k", buffer), -1);
    EXPECT_STREQ(buffer, "ab");

    // A file of NUL bytes opens but holds no text.
    ASSERT_TRUE(file.Open(dir.Write("zero.ini", "\0[S]\nk=v\n"s).c_str()));
    EXPECT_EQ(file.GetValue("S", "k", buffer), 0);
}

TEST_F(MappedIniFileTest, ByteOrderMarkIsReported) {
    CMappedIniFile file;
    ASSERT_TRUE(file.Open(dir.Write("bom.ini", "\xEF\xBB\xBF[S]\n").c_str()));
    EXPECT_TRUE(file.StartsWithUtf8Bom());
    EXPECT_EQ(file.TextCodePage(), CP_UTF8_ID);
    ASSERT_TRUE(file.Open(dir.Write("plain.ini", "\xEF\xBB[S]\n").c_str()));
    EXPECT_FALSE(file.StartsWithUtf8Bom());
    file.Close();
    EXPECT_FALSE(file.StartsWithUtf8Bom());
}

TEST_F(MappedIniFileTest, DoubleByteNamesCompareByteForByte) {
    // 0x81 0x41 is one GBK character whose trail byte is the letter A: it
    // must not match 0x81 0x61, although single-byte A matches a.
    const std::string text =
        "[\x81"
        "a]\nk=lower\n[\x81"
        "A]\n\xB6\x5Cx=gbk\nK=upper\n";
    char buffer[CMappedIniFile::BUFFER_SIZE];
    CMappedIniFile file;
    SetProgramCodePage(CP_GBK_ID);
    ASSERT_TRUE(file.Open(dir.Write("gbk.ini", text).c_str()));
    EXPECT_EQ(file.GetValue("\x81"
                            "A",
                            "k", buffer),
              5);
    EXPECT_STREQ(buffer, "upper");
    EXPECT_EQ(file.GetValue("\x81"
                            "A",
                            "\xB6\x5CX", buffer),
              3);
    EXPECT_STREQ(buffer, "gbk");
    EXPECT_EQ(file.GetValue("\x81"
                            "a",
                            "K", buffer),
              5);
    EXPECT_STREQ(buffer, "lower");

    // In UTF-8 those bytes are no characters at all: letters fold everywhere.
    SetProgramCodePage(CP_UTF8_ID);
    ASSERT_TRUE(file.Open(dir.Write("gbk2.ini", text).c_str()));
    EXPECT_EQ(file.GetValue("\x81"
                            "A",
                            "k", buffer),
              5);
    EXPECT_STREQ(buffer, "lower");
}

}  // namespace
}  // namespace pendrak
