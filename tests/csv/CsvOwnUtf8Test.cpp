// A list in the program's own layout saved as UTF-8 (a spreadsheet's "CSV
// UTF-8") for a radio of another code page is recognised.
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
        // A 16-byte field: the reader hands on 17 bytes, the 17th a cut 'И'.
        {"cut at the field's end", Line(1, kIvan + kIvan + "\xD0\x98"), 936, true, true},
        {"GBK bytes", Line(1, kWang), 936, true, false},
        {"UTF-8, then GBK", Line(1, kIvan) + Line(2, kWang), 936, true, false},
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

}  // namespace
}  // namespace pendrak::test
