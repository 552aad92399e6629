// Every text of the import report, in every language file shipped, comes
// out with its placeholders filled in.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <set>

#include "CsvTestSupport.h"

namespace pendrak::test {
namespace {

// The [String] texts of a language file (no quoted values among these keys).
std::map<std::string, std::string> StringTexts(const std::filesystem::path& path) {
    std::map<std::string, std::string> texts;
    std::istringstream in(ReadFileBytes(path));
    for (std::string line; std::getline(in, line);)
        if (const size_t eq = line.find('='); line.rfind("IDS_", 0) == 0 && eq != std::string::npos)
            texts[line.substr(0, eq)] = line.substr(eq + 1);
    return texts;
}

TEST(CsvReportText, EveryPlaceholderIsFilledInEveryLanguage) {
    CsvImportReport r;
    r.nLines = 31, r.nTaken = 11, r.nRepeated = 4, r.nNoId = 5, r.nOverCapacity = 2, r.nUnclosed = 3;
    r.nValuesCut = 7, r.bMerge = true;
    r.files.resize(2);
    r.files[0].layout = DetectCsvLayout("RADIO_ID,CALLSIGN,EXTRA");
    r.files[0].unclosedLines = {2, 17};
    r.files[1].layout = DetectCsvLayout("Call,Name");
    r.files[1].bCrOnly = true;
    r.files[1].bOwnEntries = true;
    const std::regex placeholder("%[0-9]");
    int languages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PENDRAK_LANG_DIR)) {
        if (entry.path().extension() != ".lng") continue;
        ++languages;
        SCOPED_TRACE(entry.path().filename().string());
        const auto texts = StringTexts(entry.path());
        std::set<std::string> asked;
        const ReportTextFn text = [&](const char* key, const char* english) {
            asked.insert(key);
            return texts.count(key) ? texts.at(key) : std::string(english);
        };
        std::vector<std::string> lines = FormatImportReport(r, text);
        for (const std::string& line : FormatImportLosses(r, text)) lines.push_back(line);
        lines.push_back(FormatImportSummary(r, text));
        for (const std::string& line : lines) EXPECT_FALSE(std::regex_search(line, placeholder)) << line;
        EXPECT_NE(lines.back().find("31"), std::string::npos) << lines.back();
        // A report text with placeholders that the report never asks for is
        // one nobody fills in (the dialog's own four aside).
        for (const auto& [key, value] : texts)
            if (key.rfind("IDS_IMPORT_", 0) == 0 && std::regex_search(value, placeholder) &&
                key != "IDS_IMPORT_CHANGED" && key != "IDS_IMPORT_SETTING" && key != "IDS_IMPORT_DONE" &&
                key != "IDS_IMPORT_OWNFAILED") {
                EXPECT_TRUE(asked.count(key)) << key;
            }
    }
    EXPECT_GE(languages, 2);
}

}  // namespace
}  // namespace pendrak::test
