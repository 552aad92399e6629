// The public user list of 2016: no header, LF line ends, no comma after the
// last value, 34,819 lines with unique IDs that all begin with 1-9; 19,557
// lines of eight values carry a remark, and 266 lines carry an extra value
// because a name or a city holds a comma.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CsvTestSupport.h"

namespace pendrak::test {
namespace {

std::filesystem::path RealDataFile() {
    const char* dir = std::getenv("PENDRAK_REALDATA");
    return std::filesystem::path(dir ? dir : PENDRAK_REALDATA_DIR) / "dmr-marc-users-2016.csv";
}

class CsvRealData : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = RealDataFile();
        if (!std::filesystem::exists(m_path))
            GTEST_SKIP() << "real contact data not found at " << m_path.string()
                         << " (set PENDRAK_REALDATA to its folder)";
        m_image = NewImage();
        m_result = ImportContactsCsvFile(*m_image, m_path.string());
        ASSERT_EQ(m_result.outcome, CsvImportResult::Done);
    }

    // The contact with this radio ID, as an export line without LF.
    std::string ContactWithId(int id) const {
        const int count = m_image->GetContactCount();
        for (int n = 0; n < count; ++n)
            if (m_image->GetContactRadioId(n) == id) {
                std::string line = FormatContactCsvLine(*m_image, n);
                line.pop_back();
                return line;
            }
        return "(missing)";
    }

    std::filesystem::path m_path;
    std::unique_ptr<CContactImage> m_image;
    CsvImportResult m_result;
};

TEST_F(CsvRealData, EveryLineIsAContact) {
    EXPECT_EQ(m_result.count, 34819);
    EXPECT_EQ(m_image->GetContactCount(), 34819);
    EXPECT_EQ(m_result.report.nLines, 34819);
    EXPECT_EQ(m_result.report.nTaken, 34819);
    EXPECT_EQ(m_result.report.files.at(0).layout.kind, CsvLayout::Own);
}

TEST_F(CsvRealData, ContactsFieldByField) {
    EXPECT_EQ(ContactWithId(1112001),
              "1112001,KI4ZWE,Bobby W Brown,,Hollywood,Florida,United States,DMR,");
    // Bytes above 0x7F go in unchanged.
    EXPECT_EQ(ContactWithId(2043074), "2043074,PD4D,D\xC3\xA9 Jonkman,D\xC3\xA9,Woerden,Utrecht,Netherlands,,");
    // A comma in the name shifts the values: the country lands in Remarks, cut.
    EXPECT_EQ(ContactWithId(2327055), "2327055,OE7MZH,Markus Zorn, Dr.,,Rum,Tirol,Oesterreich/Aust,");
    // A Name of more than 16 bytes is cut.
    EXPECT_EQ(ContactWithId(1137001),
              "1137001,K4SWL,Thomas H Withers,Thomas,Swannanoa,North Carolina,United States,DMR,");
    // The remark after the last comma is taken too.
    EXPECT_EQ(ContactWithId(13106202),
              "13106202,N6DVA,Trbo Server,,Los Angeles,California,United States,On TS2,");
}

// Every remark of an eight-value line, and the shifted country of the 266
// lines with an extra value.
TEST_F(CsvRealData, EveryRemarkIsKept) {
    int withRemarks = 0;
    for (int n = 0; n < m_image->GetContactCount(); ++n)
        if (!m_image->GetContactFieldText(CONTACT_REMARKS, n).empty()) ++withRemarks;
    EXPECT_EQ(withRemarks, 19557 + 266);
}

TEST_F(CsvRealData, AscendingById) {
    const int count = m_image->GetContactCount();
    ASSERT_GT(count, 0);
    EXPECT_EQ(m_image->GetContactRadioId(0), 1112001);
    EXPECT_EQ(m_image->GetContactRadioId(count - 1), 13106202);
    for (int n = 1; n < count; ++n)
        ASSERT_LT(m_image->GetContactRadioId(n - 1), m_image->GetContactRadioId(n)) << n;
}

}  // namespace
}  // namespace pendrak::test
