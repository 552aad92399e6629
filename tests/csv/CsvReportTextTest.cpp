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

// The [String] texts of a language file, as the program reads them.
std::map<std::string, std::string> StringTexts(const std::filesystem::path& path) {
    std::map<std::string, std::string> texts;
    std::istringstream in(ReadFileBytes(path));
    bool strings = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') strings = line.rfind("[String]", 0) == 0;
        const size_t eq = line.find('=');
        if (!strings || eq == std::string::npos || line[0] == ';') continue;
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        texts[line.substr(0, eq)] = value;
    }
    return texts;
}

TEST(CsvReportText, EveryPlaceholderIsFilledInEveryLanguage) {
    CsvImportReport r;
    r.nLines = 31, r.nTaken = 11, r.nHeader = 2, r.nEmpty = 3, r.nRepeated = 4, r.nNoId = 5;
    r.nNotChosen = 1, r.nOverCapacity = 2, r.nUnclosed = 3, r.nValuesCut = 7, r.nTransliterated = 8;
    r.nReplaced = 9, r.bMerge = true, r.nImageKept = 12, r.nImageReplaced = 13, r.nImageDropped = 14;
    CsvFileReport named, unknown;
    named.strName = "user.csv";
    named.layout = DetectCsvLayout("RADIO_ID,CALLSIGN,EXTRA");
    named.unclosedLines = {2, 17};
    unknown.layout = DetectCsvLayout("Call,Name");
    unknown.bCrOnly = true;
    r.files = {named, unknown};
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
            const auto it = texts.find(key);
            return it == texts.end() ? std::string(english) : it->second;
        };
        std::vector<std::string> lines = FormatImportReport(r, text);
        for (const std::string& line : FormatImportLosses(r, text)) lines.push_back(line);
        lines.push_back(FormatImportSummary(r, text));
        for (const std::string& line : lines) EXPECT_FALSE(std::regex_search(line, placeholder)) << line;
        // Each count shows where it belongs: 31 lines, 11 taken.
        EXPECT_NE(lines.back().find("11"), std::string::npos) << lines.back();
        EXPECT_NE(lines.back().find("31"), std::string::npos) << lines.back();
        // A report text with placeholders that the report never asks for is a
        // text nobody fills in (the dialog's own two aside).
        for (const auto& [key, value] : texts)
            if (key.rfind("IDS_IMPORT_", 0) == 0 && std::regex_search(value, placeholder) &&
                key != "IDS_IMPORT_CHANGED" && key != "IDS_IMPORT_SETTING")
                EXPECT_TRUE(asked.count(key)) << key;
    }
    EXPECT_GE(languages, 2);
}

}  // namespace
}  // namespace pendrak::test
