// Random files against a plain model of the own layout's reading rules: read
// the whole text, split it into lines and values, apply the rules line by
// line, and count each line's fate.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "CsvTestSupport.h"
#include "platform/CodePage.h"

namespace pendrak::test {
namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = text.find(sep, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

struct ModelResult {
    std::vector<std::string> contacts;
    long long lines = 0, header = 0, empty = 0, noId = 0, repeated = 0;
};

ModelResult ModelContacts(std::string file) {
    ModelResult model;
    file = file.substr(0, file.find('\x1A'));
    std::string text;
    for (size_t i = 0; i < file.size(); ++i)
        if (!(file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')) text += file[i];
    std::vector<std::string> lines = Split(text, '\n');
    if (lines.back().empty()) lines.pop_back();  // nothing follows the last LF
    model.lines = static_cast<long long>(lines.size());
    std::map<long long, std::string> contacts;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (line.empty()) {
            ++model.empty;
            continue;
        }
        if (line[0] < '1' || line[0] > '9') {
            ++(n == 0 && (line[0] < '0' || line[0] > '9') ? model.header : model.noId);
            continue;
        }
        // Every value counts, the last one too.
        std::vector<std::string> values = Split(line, ',');
        long long id = 0;
        for (size_t i = 0; i < values[0].size() && isdigit(static_cast<unsigned char>(values[0][i])) &&
                           id <= MAX_RADIO_ID;
             ++i)
            id = id * 10 + (values[0][i] - '0');
        if (id > MAX_RADIO_ID) {
            ++model.noId;
            continue;
        }
        if (contacts.count(id)) {
            ++model.repeated;
            continue;
        }
        std::string out = std::to_string(id) + ',';
        for (size_t f = 1; f <= 7; ++f) {
            std::string value = f < values.size() ? values[f].substr(0, f == 1 ? 8 : 16) : "";
            if (!value.empty() && value[0] == '\xFF') value.clear();  // how a record reads it
            out += value + ',';
        }
        contacts[id] = out;
    }
    for (const auto& [id, line] : contacts) model.contacts.push_back(line);
    return model;
}

TEST(CsvModel, RandomFilesReadAsTheModelSays) {
    // A single-byte code page: values are cut at their width.
    SetProgramCodePage(1252);
    std::mt19937 rng(4242);
    const std::string alphabet = "1111222333900a,,,,,,\n\n\n\r\r \xFF\x1A";
    auto image = NewImage();
    for (int round = 0; round < 1000; ++round) {
        std::string file(rng() % 200, '\0');
        for (char& c : file) {
            c = alphabet[rng() % alphabet.size()];
            if (c == '\x1A' && rng() % 4) c = 'b';  // keep most files whole
        }
        if (round % 10 == 0) file = "16777215" + file;
        CMemorySource source(file);
        const size_t chunk = 1 + rng() % 19;
        const CsvImportResult result = ImportContactsCsv(*image, source, chunk);
        const ModelResult model = ModelContacts(file);
        const std::string what = testing::PrintToString(file) + " chunk " + std::to_string(chunk);
        ASSERT_EQ(result.count, static_cast<int>(model.contacts.size())) << what;
        ASSERT_EQ(Contacts(*image), model.contacts) << what;
        const CsvImportReport& r = result.report;
        ASSERT_EQ(r.nLines, model.lines) << what;
        ASSERT_EQ(r.nTaken, result.count) << what;
        ASSERT_EQ(r.nHeader, model.header) << what;
        ASSERT_EQ(r.nEmpty, model.empty) << what;
        ASSERT_EQ(r.nNoId, model.noId) << what;
        ASSERT_EQ(r.nRepeated, model.repeated) << what;
        ASSERT_EQ(r.nTaken + r.nHeader + r.nEmpty + r.nNoId + r.nRepeated, r.nLines) << what;
    }
    SetProgramCodePage(0);
}

}  // namespace
}  // namespace pendrak::test
