// Every line of a file gets one fate, counted as the file's own line ends
// count: quotes that never close, CR-only line ends, UTF-16 files; and the
// own layout's round trip of any value.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "CsvTestSupport.h"
#include "platform/CodePage.h"

namespace pendrak::test {
namespace {

// The lines as the test counts them: LF and CR LF end a line, and with
// loneCr a CR alone too; a last line without its end counts.
long long CountLines(const std::string& bytes, bool loneCr) {
    long long lines = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        lines += bytes[i] == '\n' ||
                 (loneCr && bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'));
    const char last = bytes.empty() ? '\n' : bytes.back();
    return lines + (last != '\n' && !(loneCr && last == '\r'));
}

long long Fates(const CsvImportReport& r) {
    return r.nTaken + r.nHeader + r.nEmpty + r.nRepeated + r.nNoId + r.nNotChosen +
           r.nOverCapacity + r.nUnclosed;
}

std::vector<std::string> Ids(const CContactImage& image) {
    std::vector<std::string> ids;
    for (int n = 0; n < image.GetContactCount(); ++n)
        ids.push_back(std::to_string(image.GetContactRadioId(n)));
    return ids;
}

TEST(CsvLines, AnUnclosedQuoteLosesItsOwnLineOnly) {
    std::string radioId = "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY\n";
    radioId += "1001,AA1,\"Unclosed,Smith,Town,ST,Land\n";
    for (int i = 2; i <= 9; ++i) radioId += "100" + std::to_string(i) + ",C,F,L,T,S,X\n";
    std::string longOwn = "5,\"x\n";  // runs over line ends past the limit, then a stray quote
    for (int i = 0; i < 200; ++i) longOwn += std::to_string(1000 + i) + ",y,\n";
    longOwn += "9,z\"w,\n";
    std::vector<std::string> longIds = {"9"};
    for (int i = 0; i < 200; ++i) longIds.push_back(std::to_string(1000 + i));
    const struct {
        const char* what;
        std::string file;
        bool named;
        std::vector<std::string> ids;
        std::vector<long long> where;
    } cases[] = {
        {"RadioID, open to the end", radioId, true,
         {"1002", "1003", "1004", "1005", "1006", "1007", "1008", "1009"}, {2}},
        {"own layout, open to the end", std::string(CSV_HEADER) + "7,\"open,x,\n8,b,\n9,c,", false,
         {"8", "9"}, {2}},
        {"own layout, past the limit", longOwn, false, longIds, {1}},
        {"own layout, closed over a line end", "5,\"two\nlines\",x,\n6,b,\n", false, {"5", "6"}, {}},
        {"named, CR line ends, open after a CR LF", "ID,CALL\r1,\"a\r\n2,b\r3,c", true,
         {"2", "3"}, {2}},
        {"quotes pair over lines, the odd last one is lost", "ID,CALL\n1,\"a\n2,\"b\n3,\"c", true,
         {"1"}, {4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto whole = NewImage();
        const CsvImportResult expected = ImportBytes(*whole, c.file);
        std::vector<std::string> ids = Ids(*whole);
        std::vector<std::string> want = c.ids;
        std::sort(want.begin(), want.end(), [](auto& a, auto& b) { return std::stoi(a) < std::stoi(b); });
        EXPECT_EQ(ids, want);
        ASSERT_EQ(expected.report.files.size(), 1u);
        EXPECT_EQ(expected.report.files[0].unclosedLines, c.where);
        EXPECT_EQ(expected.report.nUnclosed, static_cast<long long>(c.where.size()));
        EXPECT_EQ(expected.report.nLines, CountLines(c.file, c.named));
        EXPECT_EQ(Fates(expected.report), expected.report.nLines);
        const Lines contacts = Contacts(*whole);
        for (size_t chunk = 1; chunk <= std::min<size_t>(c.file.size(), 70); ++chunk) {
            const CsvImportResult r = ImportBytes(*whole, c.file, {}, chunk);
            ASSERT_EQ(Contacts(*whole), contacts) << "chunk " << chunk;
            ASSERT_EQ(r.report.files[0].unclosedLines, c.where) << "chunk " << chunk;
            ASSERT_EQ(r.report.nLines, expected.report.nLines) << "chunk " << chunk;
        }
    }
    // The value closed over a line end is one value of the contact.
    auto image = NewImage();
    ImportBytes(*image, "5,\"two\r\nlines\",x,\n");
    EXPECT_EQ(Contacts(*image), Lines{"5,two\nline,x,,,,,,"});
}

TEST(CsvLines, CrOnlyLineEnds) {
    const struct {
        const char* what;
        std::string file;
        long long contacts, lines;
        bool crOnly;
    } cases[] = {
        {"named layout: CR ends lines", "RADIO_ID,CALLSIGN\r1,A\r2,B\r3,C", 3, 4, false},
        {"named layout: CR LF and CR mixed", "RADIO_ID,CALLSIGN\r\n1,A\r2,B\n", 2, 3, false},
        {"own layout with its header", "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r"
                                       "1,a,\r2,b,\r", 0, 1, true},
        {"own layout without a header", "1,a,\r2,b,\r", 1, 1, true},
        {"own layout: a lone CR inside a value", "1,a\rb,\n", 1, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = NewImage();
        const CsvImportResult r = ImportBytes(*image, c.file, {}, 3);
        EXPECT_EQ(r.count, c.contacts);
        EXPECT_EQ(r.report.nLines, c.lines);
        EXPECT_EQ(Fates(r.report), c.lines);
        EXPECT_EQ(r.report.AnyCrOnly(), c.crOnly);
        const std::vector<std::string> text = FormatImportReport(r.report, [](const char*, const char* e) { return e; });
        const bool told = std::any_of(text.begin(), text.end(),
                                      [](const std::string& l) { return l.find("CR alone") != std::string::npos; });
        EXPECT_EQ(told, c.crOnly);
    }
}

// UTF-16 with a byte-order mark, in either byte order.
std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string out;
    for (const char16_t unit : u"\uFEFF" + std::u16string(text)) {
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

TEST(CsvLines, Utf16FilesAreReadAndConverted) {
    CsvImportOptions utf8;
    utf8.nCodePage = CP_UTF8_ID;
    const std::u16string tabs = u"Radio ID\tCallsign\tName\r\n2620001\tDL1AB\tJ\u00F6rg \U0001F600\r\n";
    const std::u16string commas = u"RADIO_ID,CALLSIGN,CITY\n4600001,BG1AA,\u5317\u4EAC\n";
    for (const bool big : {false, true}) {
        for (const size_t chunk : {size_t(1), size_t(3), size_t(64)}) {
            auto image = NewImage();
            ImportBytes(*image, Utf16(tabs, big), utf8, chunk);
            EXPECT_EQ(Contacts(*image), Lines{"2620001,DL1AB,J\xC3\xB6rg \xF0\x9F\x98\x80,,,,,,"}) << big << chunk;
            const CsvImportResult r = ImportBytes(*image, Utf16(commas, big), utf8, chunk);
            EXPECT_EQ(Contacts(*image), Lines{"4600001,BG1AA,,,\xE5\x8C\x97\xE4\xBA\xAC,,,,"});
            EXPECT_EQ(r.report.nLines, 2);
        }
    }
    // A lone surrogate and an odd last byte do not decode: U+FFFD, no more.
    auto image = NewImage();
    ImportBytes(*image, Utf16(u"ID,NAME\n7,a\xD800" u"b\n", false) + "x", utf8);
    EXPECT_EQ(Contacts(*image), Lines{"7,,a\xEF\xBF\xBD" "b,,,,,,"});
}

TEST(CsvLines, EncodingsTheReadersCannotReadAreRefused) {
    for (const char* name : {"UTF-16", "UTF-16LE", "UTF-32"}) {
        CsvImportOptions options;
        options.strEncoding = name;
        auto image = NewImage();
        AddContact(*image, 5, {"kept"});
        const CsvImportResult r = ImportBytes(*image, "ID,NAME\n1,x\n", options);
        EXPECT_EQ(r.outcome, CsvImportResult::OptionFailed) << name;
        EXPECT_NE(r.strMessage.find(name), std::string::npos) << r.strMessage;
        EXPECT_EQ(Contacts(*image), Lines{"5,kept,,,,,,,"});
    }
    CsvImportOptions latin1;
    latin1.strEncoding = "ISO-8859-1";
    latin1.nCodePage = CP_UTF8_ID;
    auto image = NewImage();
    ASSERT_EQ(ImportBytes(*image, "ID,NAME\n1,J\xF6rg\n", latin1).outcome, CsvImportResult::Done);
    EXPECT_EQ(Contacts(*image), Lines{"1,,J\xC3\xB6rg,,,,,,"});
}

// Any image exported and imported again is the same image: values of any
// bytes, with commas, quotes, CR, LF and 0x1A in every place.
TEST(CsvRoundTrip, AnyImageComesBackWhole) {
    SetProgramCodePage(1252);  // single-byte: no cut moves inside a character
    std::mt19937 rng(16021);
    const std::string awkward = ",,\"\"\r\n\x1A \xFF";
    auto image = NewImage();
    auto back = NewImage();
    for (int round = 0; round < 200; ++round) {
        image->SetContactCount(0);
        const int count = 1 + static_cast<int>(rng() % 40);
        std::vector<int> ids;
        while (static_cast<int>(ids.size()) < count) {
            const int id = 1 + static_cast<int>(rng() % MAX_RADIO_ID);
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
        }
        std::sort(ids.begin(), ids.end());
        for (const int id : ids) {
            std::vector<std::string> fields;
            for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
                std::string value(rng() % (ContactFieldWidth(static_cast<ContactField>(f)) + 1), ' ');
                for (char& c : value)
                    c = rng() % 2 ? awkward[rng() % awkward.size()] : static_cast<char>(1 + rng() % 255);
                fields.push_back(value);
            }
            AddContact(*image, id, fields);
        }
        CRecordingSink file;
        CCsvTextSink text(file);
        ASSERT_TRUE(WriteContactsCsv(*image, text) && text.Flush());
        const CsvImportResult r = ImportBytes(*back, file.bytes, {}, 1 + rng() % 300);
        ASSERT_EQ(Contacts(*back), Contacts(*image)) << testing::PrintToString(file.bytes);
        ASSERT_EQ(r.report.nLines, CountLines(file.bytes, false));
        ASSERT_EQ(r.report.nUnclosed, 0);
    }
    SetProgramCodePage(0);
}

}  // namespace
}  // namespace pendrak::test
