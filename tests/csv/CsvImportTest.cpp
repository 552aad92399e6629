#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "CsvTestSupport.h"
#include "platform/CodePage.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pendrak::test {
namespace {

CsvImportResult Import(CContactImage& image, const std::string& bytes, size_t chunk = 1 << 20) {
    CMemorySource source(bytes);
    return ImportContactsCsv(image, source, chunk);
}

struct LineCase {
    const char* what;
    std::string file;
    Lines expected;
};

TEST(CsvImport, LineRules) {
    const std::string header = "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n";
    const LineCase cases[] = {
        {"export format", header + "460,XX0TST,Tester,,,,,,\r\n", {"460,XX0TST,Tester,,,,,,"}},
        {"no trailing comma keeps Remarks", "1,a,b,c,d,e,f,g\n", {"1,a,b,c,d,e,f,g,"}},
        {"ID and comma alone", "123,\n", {"123,,,,,,,,"}},
        {"ID without comma", "123\n", {"123,,,,,,,,"}},
        {"value not ended by a comma", "1,a\n", {"1,a,,,,,,,"}},
        {"last line without LF", "1,a,\n2,b,", {"1,a,,,,,,,", "2,b,,,,,,,"}},
        {"last line without LF or comma", "1,a,\n2,b", {"1,a,,,,,,,", "2,b,,,,,,,"}},
        {"CR-only line ends", "1,a,\r2,b,\r", {"1,a,\r2,b,\r,,,,"}},
        {"lone CR is a data byte", "1,a\rb,\r\n", {"1,a\rb,,,,,,,"}},
        {"CR CR LF", "1,a,\r\r\n", {"1,a,\r,,,,,,"}},
        {"0x1A ends the data",
         "1,a,\n\x1A"
         "2,b,\n",
         {"1,a,,,,,,,"}},
        {"0x1A cuts a line", "1,a,\x1A\n", {"1,a,,,,,,,"}},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "1,a,\n2,b,\n",
         {"1,a,,,,,,,", "2,b,,,,,,,"}},
        {"byte-order mark and a header",
         "\xEF\xBB\xBF"
         "Call,Name\n1,a,\n",
         {"1,a,,,,,,,"}},
        {"first bytes", " 1,a,\n\"1\",a,\n+1,a,\n01,a,\n\xC1,a,\n,1,a,\n9,a,\n", {"9,a,,,,,,,"}},
        {"empty lines", "\n\n\r\n5,e,\n\n", {"5,e,,,,,,,"}},
        {"cut values",
         "1,ABCDEFGHIJ,0123456789abcdefXYZW,\n",
         {"1,ABCDEFGH,0123456789abcdef,,,,,,"}},
        {"ninth and later values", "1,a,b,c,d,e,f,g,h,i,\n", {"1,a,b,c,d,e,f,g,"}},
        {"quoted values", "1,\"a;b\",\"\",x\"y\"\",\"q\"\"\",\"cut \"here,\n", {"1,a;b,,x\"y\"\",q\",cut here,,,"}},
        {"spaces kept", "1, a ,\n", {"1, a ,,,,,,,"}},
        {"123abc", "123abc,x,\n", {"123,x,,,,,,,"}},
        {"largest ID", "16777215,x,\n", {"16777215,x,,,,,,,"}},
        {"ID too large, no fallback", "16777216,2X0AB,Name,\n", {}},
        {"ID too large to represent", "99999999999999999999999,a,\n", {}},
        {"leading digits too large", "16777216abc,a,\n", {}},
        {"first line of an ID wins",
         "5,first,\n5,second,x,\n6,\n5,third,\n",
         {"5,first,,,,,,,", "6,,,,,,,,"}},
        {"duplicate after digits and text", "5abc,x,\n5,y,\n", {"5,x,,,,,,,"}},
        {"sorted by ID", "3,c,\n1,a,\n2,b,\n", {"1,a,,,,,,,", "2,b,,,,,,,", "3,c,,,,,,,"}},
        {"empty file", "", {}},
        {"header only", header, {}},
    };
    auto image = NewImage();
    for (const auto& c : cases) {
        AddContact(*image, 99, {"old"});  // an import replaces, never appends
        const CsvImportResult result = Import(*image, c.file);
        EXPECT_EQ(result.outcome, CsvImportResult::Done) << c.what;
        EXPECT_EQ(result.count, static_cast<int>(c.expected.size())) << c.what;
        EXPECT_EQ(Contacts(*image), c.expected) << c.what;
    }
}

TEST(CsvImport, ParseStoresInFileOrderAndKeepsTheRest) {
    auto image = NewImage();
    for (int i = 0; i < 5; ++i) AddContact(*image, 100 + i, {"old"});
    image->Bytes()[5] = 0x5A;  // a header byte past the count
    const std::string data = "3,c,\n1,a,\n";
    EXPECT_EQ(ParseContactsCsv(*image, data.data(), data.size()), 2);
    EXPECT_EQ(image->GetContactCount(), 5);  // neither count nor sort
    EXPECT_EQ(image->GetContactRadioId(0), 3);
    EXPECT_EQ(image->GetContactRadioId(1), 1);
    EXPECT_EQ(image->RadioIdTable()[1], 1);
    EXPECT_EQ(image->GetContactRadioId(2), 102);
    EXPECT_EQ(image->Bytes()[ContactRecordOffset(0)], 3);  // tag byte kept
    EXPECT_EQ(image->Bytes()[5], 0x5A);
    // 0x1A ends the data, not the line before it.
    const std::string cut = "7,g,\n8,h\x1A" "9,i,\n";
    EXPECT_EQ(ParseContactsCsv(*image, cut.data(), cut.size()), 2);
    EXPECT_EQ(image->GetContactRadioId(1), 8);
}

// The own layout's values are cut where a character of the program's code
// page ends, never inside one.
TEST(CsvImport, CutsAtACharacterBoundary) {
    const struct {
        int codePage;
        std::string value;
        std::string kept;
    } cases[] = {
        {936, "\xB9\xFA\xB9\xFA\xB9\xFA\xB9\xFA\xB9\xFA", "\xB9\xFA\xB9\xFA\xB9\xFA\xB9\xFA"},
        {936, "A\xB9\xFA\xB9\xFA\xB9\xFA\xB9\xFA", "A\xB9\xFA\xB9\xFA\xB9\xFA"},
        {936, "ABCDEFG\xB9\xFA", "ABCDEFG"},
        {65001, "ABCDEFG\xC3\xA9", "ABCDEFG"},
        {65001, "ABCDEF\xE4\xB8\xAD", "ABCDEF"},
        {65001, "ABCDE\xE4\xB8\xAD", "ABCDE\xE4\xB8\xAD"},
        {65001, "AB\xE4\xB8\xAD\xE4\xB8\xAD", "AB\xE4\xB8\xAD\xE4\xB8\xAD"},
        {1252, "ABCDEFG\xE9\xE9", "ABCDEFG\xE9"},
    };
    auto image = NewImage();
    for (const auto& c : cases) {
        SetProgramCodePage(c.codePage);
        const CsvImportResult result = Import(*image, "1," + c.value + ",\n");
        EXPECT_EQ(Contacts(*image), Lines{"1," + c.kept + ",,,,,,,"})
            << c.codePage << " " << c.value;
        EXPECT_EQ(result.report.nValuesCut, c.value.size() > 8 ? 1 : 0) << c.value;
    }
    SetProgramCodePage(0);
}

// More contacts than the radio holds: the first in file order are taken, and
// the rest is read to count its lines.
TEST(CsvImport, OverCapacityTakesFileOrderAndCountsTheRest) {
    std::string file = CSV_HEADER;
    for (int id = 1; id <= MAX_CONTACTS + 5; ++id) file += std::to_string(id) + ",c,\r\n";
    file += "7,repeated,\r\n";
    auto image = NewImage();
    CMemorySource source(file);
    const CsvImportResult result = ImportContactsCsv(*image, source, 4096);
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_EQ(result.count, MAX_CONTACTS);
    EXPECT_EQ(image->GetContactRadioId(MAX_CONTACTS - 1), MAX_CONTACTS);
    const CsvImportReport& r = result.report;
    EXPECT_EQ(r.nLines, MAX_CONTACTS + 7);
    EXPECT_EQ(r.nTaken, MAX_CONTACTS);
    EXPECT_EQ(r.nHeader, 1);
    EXPECT_EQ(r.nOverCapacity, 5);
    EXPECT_EQ(r.nRepeated, 1);
    EXPECT_EQ(r.Lost(), 6);

    std::string data = file;
    EXPECT_EQ(ParseContactsCsv(*image, data.data(), data.size()), MAX_CONTACTS);
}

TEST(CsvImport, EveryChunkBoundaryGivesTheSameResult) {
    const std::string file = std::string(CSV_HEADER) +
                             "12,AB,Name,\r\n7,\rx,y\r\r\n"
                             "5abc,LONGCALLSIGN,a,b,c,d,e,f,g,h,\r\n12,dup,\r\n\r\n"
                             "16777216,9,\n3,q,\r\r\n4,CR@end,\r";
    auto whole = NewImage();
    const CsvImportResult expected = Import(*whole, file);
    ASSERT_EQ(expected.count, 5);
    const Lines contacts = Contacts(*whole);
    EXPECT_EQ(contacts[2], "5,LONGCALL,a,b,c,d,e,f,");
    EXPECT_EQ(contacts[3], "7,\rx,y\r,,,,,,");
    EXPECT_EQ(contacts[1], "4,CR@end,\r,,,,,,");
    const std::string withEof = file + "\n\x1A" "8,late,\n";

    auto image = NewImage();  // each import replaces what the last one left
    for (size_t chunk = 1; chunk <= file.size(); ++chunk) {
        EXPECT_EQ(Import(*image, file, chunk).count, expected.count) << "chunk " << chunk;
        EXPECT_EQ(Contacts(*image), contacts) << "chunk " << chunk;
    }
    // With its line end, the last line's CR is no longer a data byte.
    Lines ended = contacts;
    ended[1] = "4,CR@end,,,,,,,";
    for (size_t cut = 1; cut < withEof.size(); ++cut) {
        CMemorySource source(withEof);
        source.cuts = {cut};
        const CsvImportResult result = ImportContactsCsv(*image, source);
        EXPECT_EQ(result.count, expected.count) << "cut " << cut;
        EXPECT_EQ(Contacts(*image), ended) << "cut " << cut;
        EXPECT_EQ(result.report.nLines, 9) << "cut " << cut;
    }
}

// The image as the user sees it: the count and the used part.
std::string UsedBytes(const CContactImage& image) {
    const int used = std::max(ContactImageUsedLength(image.GetContactCount()), CONTACT_HEADER_SIZE);
    return {reinterpret_cast<const char*>(image.Bytes()), static_cast<size_t>(used)};
}

std::unique_ptr<CContactImage> OldList() {
    auto image = NewImage();
    for (int i = 0; i < 50; ++i) AddContact(*image, 1000 - i, {"old", std::to_string(i)});
    image->SortContactsByRadioId();
    image->Bytes()[7] = 0x42;
    return image;
}

std::string NewListFile() {
    std::string file;
    for (int id = 1; id <= 120; ++id) file += std::to_string(id) + ",new,\n";
    return file;
}

TEST(CsvImport, ReadFailureChangesNothing) {
    auto image = OldList();
    const std::string before = UsedBytes(*image);
    const std::vector<int32_t> idsBefore(image->RadioIdTable(), image->RadioIdTable() + 200);

    const std::string file = NewListFile();
    for (size_t failAt : {size_t{0}, size_t{9}, file.size() / 2, file.size()}) {
        CMemorySource source(file);
        source.failAt = failAt;
        source.failCause = FileErrorCause::hardIO;
        const CsvImportResult result = ImportContactsCsv(*image, source, 64);
        EXPECT_EQ(result.outcome, CsvImportResult::ReadFailed) << failAt;
        EXPECT_EQ(result.cause, FileErrorCause::hardIO) << failAt;
        EXPECT_EQ(image->GetContactCount(), 50) << failAt;
        EXPECT_TRUE(UsedBytes(*image) == before) << failAt;
        EXPECT_TRUE(std::equal(idsBefore.begin(), idsBefore.end(), image->RadioIdTable())) << failAt;
    }
}

// A file that fails only on its second reading (it broke after it was read
// through once), or a source that can be read only once: no success, and
// the old list stays as it was.
TEST(CsvImport, ReadFailureWhileStoringIsNoSuccess) {
    const std::string file = NewListFile();
    struct Case {
        bool rewindable;
        int failPass;
        size_t failAt;
    } const cases[] = {
        {true, 2, 0},           {true, 2, 9},  {true, 2, file.size() / 2},
        {true, 2, file.size()}, {false, 0, 0}, {false, 0, file.size() / 2},
    };
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.rewindable) + "/" + std::to_string(c.failAt);
        auto image = OldList();
        const std::string before = UsedBytes(*image);
        CMemorySource source(file);
        source.rewindable = c.rewindable;
        source.failPass = c.failPass;
        source.failAt = c.failAt;
        source.failCause = FileErrorCause::lockViolation;
        const CsvImportResult result = ImportContactsCsv(*image, source, 64);
        EXPECT_EQ(result.outcome, CsvImportResult::ReadFailed) << what;
        EXPECT_EQ(result.cause, FileErrorCause::lockViolation) << what;
        EXPECT_EQ(image->GetContactCount(), 50) << what;
        EXPECT_TRUE(UsedBytes(*image) == before) << what;
    }

    // Unfailing, a source read once imports as one read twice does.
    auto image = OldList();
    CMemorySource once(file);
    once.rewindable = false;
    EXPECT_EQ(ImportContactsCsv(*image, once, 64).count, 120);
    EXPECT_EQ(image->GetContactRadioId(119), 120);
}

TEST(CsvImportFile, UnopenableOrUnreadablePathKeepsTheImage) {
    CTempDir dir;
    auto image = NewImage();
    AddContact(*image, 1, {"keep"});
    const std::string before = UsedBytes(*image);

    CsvImportResult result = ImportContactsCsvFile(*image, (dir.Path() / "missing.csv").string());
    EXPECT_EQ(result.outcome, CsvImportResult::OpenFailed);
    EXPECT_EQ(result.cause, FileErrorCause::fileNotFound);
    EXPECT_TRUE(UsedBytes(*image) == before);

    result = ImportContactsCsvFile(*image, dir.Path().string());
    EXPECT_EQ(result.outcome, CsvImportResult::OpenFailed);
    EXPECT_EQ(result.cause, FileErrorCause::isDirectory);
    EXPECT_TRUE(UsedBytes(*image) == before);
}

#ifndef _WIN32
// A pipe cannot be rewound: it is read once, and imports all the same.
TEST(CsvImportFile, PipeImportsInOnePass) {
    CTempDir dir;
    const auto path = (dir.Path() / "pipe.csv").string();
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] { WriteFileBytes(path, NewListFile()); });
    auto image = OldList();
    const CsvImportResult result = ImportContactsCsvFile(*image, path, 100);
    writer.join();
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_EQ(result.count, 120);
    EXPECT_EQ(image->GetContactCount(), 120);
}

// Sources that never end or never send: the stop flag ends the import,
// which then changes nothing.
TEST(CsvImportFile, StopEndsAnImportThatWaitsOrNeverEnds) {
    CTempDir dir;
    const auto fifo = (dir.Path() / "fifo.csv").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::string path;
        bool silentWriter;
    };
    for (const Case& c : {Case{"FIFO without a writer", fifo, false},
                          Case{"FIFO whose writer sends nothing", fifo, true},
                          Case{"endless device", "/dev/zero", false}}) {
        SCOPED_TRACE(c.what);
        auto image = OldList();
        const std::string before = UsedBytes(*image);
        std::atomic<bool> stop{false};
        int writer = -1;  // kept open until the import is over: its close would end the data
        std::thread other([&] {
            // Opening for writing waits until the import has the FIFO open.
            if (c.silentWriter) writer = open(c.path.c_str(), O_WRONLY);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            stop = true;
        });
        CsvImportOptions options;
        options.pStop = &stop;
        const CsvImportResult result = ImportContactsCsvFiles(*image, {c.path}, options);
        other.join();
        if (writer >= 0) close(writer);
        EXPECT_EQ(result.outcome, CsvImportResult::ReadFailed);
        EXPECT_TRUE(UsedBytes(*image) == before);
    }
}
#endif

TEST(CsvImportFile, EmptyFileEmptiesTheList) {
    CTempDir dir;
    WriteFileBytes(dir.Path() / "empty.csv", "");
    auto image = NewImage();
    AddContact(*image, 1, {"gone"});
    const CsvImportResult result = ImportContactsCsvFile(*image, (dir.Path() / "empty.csv").string());
    EXPECT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(image->GetContactCount(), 0);
}

TEST(CsvRoundTrip, ExportThenImportGivesTheSameContactsInIdOrder) {
    CTempDir dir;
    auto image = NewImage();
    AddContact(*image, 16777215, {"ABCDEFGH", "0123456789abcdef", "\xB9\xFA\xBC\xD2", "c", "s", "k", "r"});
    AddContact(*image, 460, {"XX0TST", "Tester"});
    AddContact(*image, 1, {"", "", "", "", "", "", "only remarks"});
    AddContact(*image, 3000, {"\"q\"", " sp ", "x\ry"});
    const auto path = (dir.Path() / "round.csv").string();
    ASSERT_EQ(ExportContactsCsvFile(*image, path).outcome, CsvExportResult::Done);

    auto back = NewImage();
    AddContact(*back, 5, {"stale"});
    const CsvImportResult result = ImportContactsCsvFile(*back, path, 7);
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_EQ(result.count, 4);
    image->SortContactsByRadioId();
    EXPECT_EQ(Contacts(*back), Contacts(*image));
}

}  // namespace
}  // namespace pendrak::test
