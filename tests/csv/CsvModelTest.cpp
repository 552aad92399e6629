// Random files against a plain model of the reading rules: read the whole
// text, split it into lines and values, apply the rules line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "CsvTestSupport.h"

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

std::vector<std::string> ModelContacts(std::string file) {
    file = file.substr(0, file.find('\x1A'));
    std::string text;
    for (size_t i = 0; i < file.size(); ++i)
        if (!(file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')) text += file[i];
    std::vector<std::string> lines = Split(text, '\n');
    lines.pop_back();  // what follows the last LF
    std::map<long long, std::string> contacts;
    for (const std::string& line : lines) {
        if (contacts.size() == static_cast<size_t>(MAX_CONTACTS)) break;
        if (line.empty() || line[0] < '1' || line[0] > '9') continue;
        std::vector<std::string> values = Split(line, ',');
        if (values.size() < 2) continue;
        values.pop_back();  // not ended by a comma
        long long id = 0;
        for (size_t i = 0; i < values[0].size() && isdigit(static_cast<unsigned char>(values[0][i])) &&
                           id <= MAX_RADIO_ID;
             ++i)
            id = id * 10 + (values[0][i] - '0');
        if (id > MAX_RADIO_ID || contacts.count(id)) continue;
        std::string out = std::to_string(id) + ',';
        for (size_t f = 1; f <= 7; ++f) {
            std::string value = f < values.size() ? values[f].substr(0, f == 1 ? 8 : 16) : "";
            if (!value.empty() && value[0] == '\xFF') value.clear();  // how a record reads it
            out += value + ',';
        }
        contacts[id] = out;
    }
    std::vector<std::string> result;
    for (const auto& [id, line] : contacts) result.push_back(line);
    return result;
}

TEST(CsvModel, RandomFilesReadAsTheModelSays) {
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
        const std::vector<std::string> expected = ModelContacts(file);
        ASSERT_EQ(result.count, static_cast<int>(expected.size())) << testing::PrintToString(file);
        ASSERT_EQ(Contacts(*image), expected) << testing::PrintToString(file) << " chunk " << chunk;
    }
}

}  // namespace
}  // namespace pendrak::test
