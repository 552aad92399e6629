// A list in the program's own layout saved as UTF-8 (a spreadsheet's "CSV
// UTF-8") for a radio of another code page: recognised, and converted when
// the encoding is named.
#include <gtest/gtest.h>

#include "CsvTestSupport.h"
#include "platform/CodePage.h"

namespace pendrak::test {
namespace {

const std::string kIvan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // Иван
const std::string kWang = "\xCD\xF5\xD0\xA1\xC3\xF7";          // 王小明 in GBK

std::string Line(int id, const std::string& name) {
    return std::to_string(id) + ",K" + std::to_string(id) + "," + name + ",,,,,\n";
}

TEST(CsvOwnUtf8, RecognisedOnlyWhenEveryTextIsUtf8AndTheRadioIsNot) {
    const struct {
        const char* what;
        std::string file;
        int codePage;
        bool rewindable;
        bool flagged;
    } cases[] = {
        {"UTF-8 name, GBK radio", Line(1, kIvan), 936, true, true},
        {"the same from a pipe", Line(1, kIvan), 936, false, true},
        {"only the last line", Line(1, "Bob") + Line(2, kIvan), 936, true, true},
        // A 16-byte field: the reader hands on 17 bytes, the 17th a cut 'И'.
        {"cut at the field's end", Line(1, kIvan + kIvan + "\xD0\x98"), 936, true, true},
        {"GBK bytes", Line(1, kWang), 936, true, false},
        {"UTF-8, then GBK", Line(1, kIvan) + Line(2, kWang), 936, true, false},
        {"GBK, then UTF-8", Line(1, kWang) + Line(2, kIvan), 936, false, false},
        {"ASCII only", Line(1, "Bob"), 936, true, false},
        {"a UTF-8 radio", Line(1, kIvan), CP_UTF8_ID, true, false},
        {"a lone continuation byte", Line(1, "x\x98y"), 1252, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = NewImage();
        CMemorySource source(c.file);
        source.rewindable = c.rewindable;
        CsvImportOptions options;
        options.nCodePage = c.codePage;
        const CsvImportResult result = ImportContactsCsv(*image, {&source}, options);
        ASSERT_EQ(result.outcome, CsvImportResult::Done);
        ASSERT_EQ(result.report.files.size(), 1u);
        EXPECT_EQ(result.report.files[0].bUtf8Text, c.flagged);
    }
}

TEST(CsvOwnUtf8, NamingTheEncodingConvertsTheOwnLayout) {
    const std::string file = Line(7, kIvan) + Line(3, "Bob");
    for (const bool rewindable : {true, false}) {
        SCOPED_TRACE(rewindable ? "file" : "pipe");
        auto image = NewImage();
        CMemorySource source(file);
        source.rewindable = rewindable;
        CsvImportOptions options;
        options.nCodePage = 936;
        options.strEncoding = "UTF-8";
        const CsvImportResult result = ImportContactsCsv(*image, {&source}, options);
        ASSERT_EQ(result.outcome, CsvImportResult::Done);
        EXPECT_FALSE(result.report.files[0].bUtf8Text);
        EXPECT_EQ(Contacts(*image), (Lines{"3,K3,Bob,,,,,,", "7,K7,\xA7\xAA\xA7\xD3\xA7\xD1\xA7\xDF,,,,,,"}));
    }
}

}  // namespace
}  // namespace pendrak::test
