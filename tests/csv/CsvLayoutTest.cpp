// Files of other programs' layouts, recognised by their first line, read by
// column name with RFC 4180 values, and every line's fate counted.
#include <gtest/gtest.h>

#include "CsvTestSupport.h"
#include "csv/CsvLayout.h"
#include "platform/CodePage.h"

namespace pendrak::test {
namespace {

// A UTF-8 radio keeps the texts readable here; conversion has its own tests.
class CsvLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramCodePage(CP_UTF8_ID); }
    void TearDown() override { SetProgramCodePage(0); }
};

TEST_F(CsvLayoutTest, RecognisedFromTheFirstLine) {
    const struct {
        std::string line;
        CsvLayout::Kind kind;
        char separator;
        int idColumn;
    } cases[] = {
        {"Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,", CsvLayout::Own, ',', -1},
        {"1234567,K1AB,Bob,,,,,,", CsvLayout::Own, ',', -1},
        {"", CsvLayout::Own, ',', -1},
        {"RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY", CsvLayout::Named, ',', 0},
        {"\"No.\",\"Radio ID\",\"Callsign\",\"Name\"", CsvLayout::Named, ',', 1},
        {" dmr id ;Call;Name", CsvLayout::Named, ';', 0},
        {"Name\tID", CsvLayout::Named, '\t', 1},
        {"\xEF\xBB\xBFRadio ID,Callsign,Name,Nickname,City,State,Country,Remarks,",
         CsvLayout::Named, ',', 0},
        {"\xEF\xBB\xBF"
         "1234567,K1AB",
         CsvLayout::OwnOrder, ',', 0},
        {"Call,Name;Town", CsvLayout::Unknown, ',', -1},
        {"IDENT,Name", CsvLayout::Unknown, ',', -1},
    };
    for (const auto& c : cases) {
        const CsvLayout layout = DetectCsvLayout(c.line);
        EXPECT_EQ(layout.kind, c.kind) << c.line;
        EXPECT_EQ(layout.cSeparator, c.separator) << c.line;
        EXPECT_EQ(layout.nIdColumn, c.idColumn) << c.line;
    }
    const CsvLayout unknown = DetectCsvLayout("Call,\"Name, full\",Town");
    EXPECT_EQ(unknown.UnusedNames(), "Call, Name, full, Town");
    const CsvLayout other = DetectCsvLayout("\"No.\",\"Radio ID\",\"Callsign\",\"Call Type\"");
    EXPECT_EQ(other.UsedNames(), "Radio ID, Callsign");
    EXPECT_EQ(other.UnusedNames(), "No., Call Type");
}

struct FileCase {
    const char* what;
    std::string file;
    Lines contacts;
    long long lines, header, empty, noId, repeated;
    long long takenLines = -1;  // when a contact spans more than one line
};

TEST_F(CsvLayoutTest, AwkwardLinesOfNamedLayouts) {
    const std::string radioId = "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY\n";
    const FileCase cases[] = {
        {"RadioID with quotes",
         radioId + "3100001,K1AB,\"Robert \"\"Bob\"\"\",Smith,\"Washington, DC\",District of "
                   "Columbia,United States\n"
                   "2620001,DL1AB,Jörg,Müller,München,Bayern,Germany\n",
         {"2620001,DL1AB,Jörg Müller,Jörg,München,Bayern,Germany,,",
          "3100001,K1AB,Robert \"Bob\" Smi,Robert \"Bob\",Washington, DC,District of Colu,United "
          "States,,"},
         3,
         1,
         0,
         0,
         0},
        {"RadioID with remarks",
         "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY,REMARKS\r\n"
         "4600001,BA1AA,Wei,,Beijing,,China,DMR hotspot\r\n",
         {"4600001,BA1AA,Wei,Wei,Beijing,,China,DMR hotspot,"},
         2,
         1,
         0,
         0,
         0},
        {"another program's quoted export",
         "\"No.\",\"Radio "
         "ID\",\"Callsign\",\"Name\",\"City\",\"State\",\"Country\",\"Remarks\",\"Call "
         "Type\",\"Call Alert\"\r\n"
         "\"1\",\"3100001\",\"K1AB\",\"Bob\",\"Austin\",\"Texas\",\"United States\",\"\",\"Private "
         "Call\",\"None\"\r\n",
         {"3100001,K1AB,Bob,,Austin,Texas,United States,,"},
         2,
         1,
         0,
         0,
         0},
        {"semicolons",
         "ID;Callsign;Name\n1;K1AB;Bob, Jr.\n",
         {"1,K1AB,Bob, Jr.,,,,,,"},
         2,
         1,
         0,
         0,
         0},
        {"tabs", "DMR ID\tCall\tName\n2\tK2AB\tAnn\n", {"2,K2AB,Ann,,,,,,"}, 2, 1, 0, 0, 0},
        {"line end inside quotes",
         "ID,Name,City\n5,\"two\nlines\",X\n6,b,c\n",
         {"5,,two\nlines,,X,,,,", "6,,b,,c,,,,"},
         4,
         1,
         0,
         0,
         0,
         3},
        {"missing last columns", "ID,Callsign,Name,City\n7,K7A\n", {"7,K7A,,,,,,,"}, 2, 1, 0, 0, 0},
        {"extra columns",
         "ID,Callsign,Extra,Name\n8,K8A,zzz,Ann,more,values\n",
         {"8,K8A,Ann,,,,,,"},
         2,
         1,
         0,
         0,
         0},
        {"byte-order mark",
         "\xEF\xBB\xBFRadio ID,Callsign\n9,K9\n",
         {"9,K9,,,,,,,"},
         2,
         1,
         0,
         0,
         0},
        {"blank lines and CR LF",
         "ID,Callsign\r\n\r\n10,K10\r\n  \r\n,,\r\n",
         {"10,K10,,,,,,,"},
         5,
         1,
         3,
         0,
         0},
        {"invalid IDs",
         "ID,Callsign\n0,a\nabc,b\n12x,c\n16777216,d\n 13 ,e\n,f\n",
         {"13,e,,,,,,,"},
         7,
         1,
         0,
         5,
         0},
        {"repeated ID", "ID,Callsign\n15,a\n15,b\n", {"15,a,,,,,,,"}, 3, 1, 0, 0, 1},
        {"nickname beside first and last",
         "ID,FIRST_NAME,LAST_NAME,NICKNAME\n16,Ann,Lee,Annie\n",
         {"16,,Ann Lee,Annie,,,,,"},
         2,
         1,
         0,
         0,
         0},
        {"name beside first name",
         "ID,NAME,FIRST_NAME\n17,Full Name,First\n",
         {"17,,Full Name,,,,,,"},
         2,
         1,
         0,
         0,
         0},
        {"blanks outside quotes go",
         "ID,Callsign,Name\n18,  K18  , \"  Ann  \" \n",
         {"18,K18,  Ann  ,,,,,,"},
         2,
         1,
         0,
         0,
         0},
        {"quote inside a value", "ID,Name\n19,O\"Neil\n", {"19,,O\"Neil,,,,,,"}, 2, 1, 0, 0, 0},
        {"last line without line end", "ID,Name\n20,Last", {"20,,Last,,,,,,"}, 2, 1, 0, 0, 0},
        {"province and remark",
         "ID,Province,Remark\n21,Ontario,x\n",
         {"21,,,,,Ontario,,x,"},
         2,
         1,
         0,
         0,
         0},
        {"unknown header: the own reader",
         "Call,Name\n14,a,b\nxyz\n",
         {"14,a,b,,,,,,"},
         3,
         1,
         0,
         1,
         0},
    };
    auto image = NewImage();
    for (const FileCase& c : cases) {
        const CsvImportResult result = ImportBytes(*image, c.file);
        ASSERT_EQ(result.outcome, CsvImportResult::Done) << c.what;
        EXPECT_EQ(Contacts(*image), c.contacts) << c.what;
        const CsvImportReport& r = result.report;
        EXPECT_EQ(r.nLines, c.lines) << c.what;
        EXPECT_EQ(r.nTaken,
                  c.takenLines >= 0 ? c.takenLines : static_cast<long long>(c.contacts.size()))
            << c.what;
        EXPECT_EQ(r.nHeader, c.header) << c.what;
        EXPECT_EQ(r.nEmpty, c.empty) << c.what;
        EXPECT_EQ(r.nNoId, c.noId) << c.what;
        EXPECT_EQ(r.nRepeated, c.repeated) << c.what;
        EXPECT_EQ(r.nTaken + r.nHeader + r.nEmpty + r.nNoId + r.nRepeated + r.nNotChosen +
                      r.nOverCapacity,
                  r.nLines)
            << c.what;
    }
}

TEST_F(CsvLayoutTest, EveryChunkBoundaryGivesTheSameResult) {
    const std::string file =
        "\xEF\xBB\xBF\"Radio ID\",Callsign,\"Name\",City\r\n"
        "1,\"A,B\",\"x\"\"y\"\"\",\"multi\r\nline\"\r\n\r\n"
        "2, K2 ,\"\",\"\"\"\"\r\n"
        "2,dup\r\nbad,x\r\n3,\"open";
    auto whole = NewImage();
    const CsvImportResult expected = ImportBytes(*whole, file);
    // The last line's quote is still open at the end of the file: lost.
    ASSERT_EQ(expected.count, 2);
    const Lines contacts = Contacts(*whole);
    EXPECT_EQ(contacts[0], "1,A,B,x\"y\",,multi\r\nline,,,,");
    EXPECT_EQ(contacts[1], "2,K2,,,\",,,,");
    EXPECT_EQ(expected.report.nLines, 8);
    auto image = NewImage();
    for (size_t chunk = 1; chunk <= file.size(); ++chunk) {
        const CsvImportResult result = ImportBytes(*image, file, {}, chunk);
        EXPECT_EQ(Contacts(*image), contacts) << "chunk " << chunk;
        EXPECT_EQ(result.report.nLines, 8) << "chunk " << chunk;
        EXPECT_EQ(result.report.nEmpty, 1) << "chunk " << chunk;
        EXPECT_EQ(result.report.nNoId, 1) << "chunk " << chunk;
        EXPECT_EQ(result.report.nRepeated, 1) << "chunk " << chunk;
        EXPECT_EQ(result.report.nUnclosed, 1) << "chunk " << chunk;
    }
}

// Several files in one import are one list: the first line of an ID wins,
// whichever file it is in.
TEST_F(CsvLayoutTest, SeveralFilesAreOneList) {
    CMemorySource own("1,a,\n2,b,\n"), named("ID,Callsign\n2,c\n3,d\n");
    auto image = NewImage();
    const CsvImportResult result = ImportContactsCsv(*image, {&own, &named}, {});
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_EQ(Contacts(*image), (Lines{"1,a,,,,,,,", "2,b,,,,,,,", "3,d,,,,,,,"}));
    ASSERT_EQ(result.report.files.size(), 2u);
    EXPECT_EQ(result.report.files[0].layout.kind, CsvLayout::Own);
    EXPECT_EQ(result.report.files[0].nLines, 2);
    EXPECT_EQ(result.report.files[1].layout.kind, CsvLayout::Named);
    EXPECT_EQ(result.report.files[1].nLines, 3);
    EXPECT_EQ(result.report.nRepeated, 1);
}

}  // namespace
}  // namespace pendrak::test
