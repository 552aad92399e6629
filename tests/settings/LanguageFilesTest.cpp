// The shipped language files, each against the English one, and which file a
// system's language picks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/CodePage.h"
#include "platform/System.h"
#include "settings/LanguageChoice.h"

namespace pendrak {
namespace {

struct LangFile {
    bool bom = false;
    std::string bytes;
    std::map<std::string, std::string> entries;  // "Section/key" -> value
};

std::string DataDir() { return DirectoryOf(ProgramPath()) + "/Data"; }

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    const size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

LangFile ReadLangFile(const std::string& name) {
    LangFile file;
    std::ifstream in(DataDir() + "/" + name + ".lng", std::ios::binary);
    file.bytes.assign(std::istreambuf_iterator<char>(in), {});
    file.bom = file.bytes.rfind("\xEF\xBB\xBF", 0) == 0;
    std::string section;
    size_t at = file.bom ? 3 : 0;
    while (at < file.bytes.size()) {
        const size_t end = std::min(file.bytes.find('\n', at), file.bytes.size());
        const std::string line = Trim(file.bytes.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = section + "/" + Trim(line.substr(0, eq));
        EXPECT_EQ(file.entries.count(key), 0u) << name << " repeats " << key;
        file.entries.emplace(key, Trim(line.substr(eq + 1)));
    }
    return file;
}

// %1, %2 … and printf's %d and %s, in their order.
std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex placeholder(R"(%(\d+|d|s))");
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), placeholder), end; it != end; ++it)
        found.push_back(it->str());
    return found;
}

TEST(ShippedLanguages, EveryFileHasEveryEnglishKeyAndNoOther) {
    const LangFile english = ReadLangFile("lang_en");
    ASSERT_GT(english.entries.size(), 100u);
    const std::vector<LanguageEntry> languages = ListLanguages(DataDir());
    std::set<std::string> names, titles;
    for (const LanguageEntry& l : languages) {
        names.insert(l.strName);
        titles.insert(l.strTitle);
    }
    for (const char* expected : {"lang_cn", "lang_cs", "lang_de", "lang_en", "lang_es", "lang_fr",
                                 "lang_it", "lang_ja", "lang_nl", "lang_pl", "lang_pt_br",
                                 "lang_ru", "lang_uk"})
        EXPECT_EQ(names.count(expected), 1u) << expected;
    EXPECT_EQ(titles.size(), languages.size());  // each names itself its own way

    for (const LanguageEntry& l : languages) {
        const LangFile file = ReadLangFile(l.strName);
        for (const auto& [key, text] : english.entries) {
            const auto it = file.entries.find(key);
            if (it == file.entries.end()) {
                ADD_FAILURE() << l.strName << " lacks " << key;
                continue;
            }
            EXPECT_FALSE(it->second.empty() && !text.empty()) << l.strName << " " << key;
            // The one exception: the Chinese file keeps the framework's own
            // words for "no error", which never named the file.
            if (l.strName == "lang_cn" && key == "String/IDS_FILEERR_NONE") continue;
            EXPECT_EQ(Placeholders(it->second), Placeholders(text)) << l.strName << " " << key
                                                                    << ": " << it->second;
        }
        for (const auto& entry : file.entries)
            EXPECT_EQ(english.entries.count(entry.first), 1u) << l.strName << " has " << entry.first;
    }
}

TEST(ShippedLanguages, EveryFileDecodes) {
    for (const LanguageEntry& l : ListLanguages(DataDir())) {
        const LangFile file = ReadLangFile(l.strName);
        EXPECT_TRUE(file.bom) << l.strName << " must begin with a UTF-8 byte-order mark";
        // Well-formed UTF-8: a conversion changes nothing and adds no U+FFFD.
        EXPECT_EQ(ToUtf8(file.bytes, CP_UTF8_ID), file.bytes) << l.strName;
        EXPECT_EQ(file.bytes.find("\xEF\xBF\xBD"), std::string::npos) << l.strName;
        EXPECT_EQ(file.bytes.find('\0'), std::string::npos) << l.strName;
        for (const auto& [key, text] : file.entries)
            EXPECT_LT(text.size(), 1000u) << l.strName << " " << key << " is cut at 999 bytes";
    }
}

TEST(LanguageChoice, SystemLanguagePicksItsFile) {
#ifndef _WIN32  // Windows has no locale names: only its identifiers below
    const struct {
        const char* locale;
        const char* file;
    } cases[] = {
        {"zh_CN.GBK", "lang_cn"},   {"zh_TW.UTF-8", "lang_en"}, {"zh", "lang_en"},
        {"de_AT.UTF-8@euro", "lang_de"}, {"de", "lang_de"},  {"es_MX", "lang_es"},
        {"fr_CA.UTF-8", "lang_fr"}, {"it_IT", "lang_it"},       {"nl_BE", "lang_nl"},
        {"pl_PL.UTF-8", "lang_pl"}, {"cs_CZ", "lang_cs"},       {"pt_BR.UTF-8", "lang_pt_br"},
        {"pt_PT", "lang_pt_br"},    {"ru_RU.KOI8-R", "lang_ru"}, {"uk_UA.UTF-8", "lang_uk"},
        {"ja_JP.eucJP", "lang_ja"}, {"en_GB.UTF-8", "lang_en"}, {"C", "lang_en"},
        {"POSIX", "lang_en"},       {"sv_SE", "lang_en"},        {"", "lang_en"},
    };
    for (const auto& c : cases) EXPECT_EQ(LanguageFileForLcid(LcidFromLocaleName(c.locale)), c.file) << c.locale;
#endif
    // Windows' own identifiers: the sub-language of Chinese counts, of the others not.
    EXPECT_EQ(LanguageFileForLcid(0x0804), "lang_cn");
    EXPECT_EQ(LanguageFileForLcid(0x1004), "lang_en");  // Chinese (Singapore)
    EXPECT_EQ(LanguageFileForLcid(0x0C07), "lang_de");  // German (Austria)
    EXPECT_EQ(LanguageFileForLcid(0x0422), "lang_uk");
    EXPECT_EQ(LanguageFileForLcid(0x0409), "lang_en");
}

TEST(LanguageChoice, ListNamesEachFileByItsOwnName) {
    test::TempDir dir;
    dir.Write("lang_b.lng", "\xEF\xBB\xBF[String]\nIDS_LANGUAGE=\xC4\x8C" "e\xC5\xA1tina\n");
    dir.Write("lang_a.lng", "[String]\nIDS_ERROR=x\n");  // no name of its own
    dir.Write("setting.txt", "[setup]\n");
    dir.Write("lang_c.lng.bak", "");
    const std::vector<LanguageEntry> list = ListLanguages(dir.Path());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].strName, "lang_a");
    EXPECT_EQ(list[0].strTitle, "lang_a");
    EXPECT_EQ(list[1].strName, "lang_b");
    EXPECT_EQ(list[1].strTitle, "\xC4\x8C" "e\xC5\xA1tina");
    EXPECT_TRUE(ListLanguages(dir.Path() + "/none").empty());
}

}  // namespace
}  // namespace pendrak
