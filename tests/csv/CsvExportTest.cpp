#include <gtest/gtest.h>

#include <ctime>
#include <regex>

#include "CsvTestSupport.h"

#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pendrak::test {
namespace {


TEST(CsvExport, HeaderAndLinesAsTextWithCrLf) {
    auto image = NewImage();
    AddContact(*image, 460, {"XX0TST", "Tester"});
    AddContact(*image, 7, {"A", "B", "C", "D", "E", "F", "G"});
    CRecordingSink raw;
    CCsvTextSink text(raw);
    ASSERT_TRUE(WriteContactsCsv(*image, text));
    ASSERT_TRUE(text.Flush());
    EXPECT_EQ(raw.bytes,
              "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n"
              "460,XX0TST,Tester,,,,,,\r\n"
              "7,A,B,C,D,E,F,G,\r\n");
}

TEST(CsvExport, EmptyOrInvalidCountWritesTheHeaderAlone) {
    auto image = NewImage();
    AddContact(*image, 1, {"X"});
    for (const auto& count : {std::string("\0\0\0", 3), std::string("\xFF\xFF\xFF")}) {
        std::memcpy(image->Bytes(), count.data(), 3);
        CRecordingSink sink;
        ASSERT_TRUE(WriteContactsCsv(*image, sink));
        EXPECT_EQ(sink.bytes, CSV_HEADER);
    }
}

TEST(CsvExport, FieldsAreWrittenAsTheRecordDecodesThem) {
    auto image = NewImage();
    AddContact(*image, 0, {"ABCDEFGH", "0123456789abcdef", "x", "a,b", "1\n2", "\xB9\xFA", ""});
    unsigned char* rec = image->Bytes() + ContactRecordOffset(0);
    rec[1] = rec[2] = rec[3] = 0xFF;                       // radio ID 16777215
    rec[ContactFieldOffset(CONTACT_NICKNAME)] = 0xFF;      // 0xFF first: empty
    rec[ContactFieldOffset(CONTACT_REMARKS)] = 'R';
    rec[ContactFieldOffset(CONTACT_REMARKS) + 1] = 0xFF;   // 0xFF later: a text byte
    // A comma or a line break puts the value in quotes; the others are as they were.
    EXPECT_EQ(FormatContactCsvLine(*image, 0),
              "16777215,ABCDEFGH,0123456789abcdef,,\"a,b\",\"1\n2\",\xB9\xFA,R\xFF,\n");

    CRecordingSink raw;
    CCsvTextSink text(raw);
    ASSERT_TRUE(WriteContactsCsv(*image, text) && text.Flush());
    EXPECT_NE(raw.bytes.find(",\"a,b\",\"1\r\n2\","), std::string::npos);
}

TEST(CsvExport, StopsAtTheFirstFailedWrite) {
    auto image = NewImage();
    for (int i = 1; i <= 5; ++i) AddContact(*image, i, {"C"});
    for (int failFrom = 0; failFrom <= 5; ++failFrom) {
        CRecordingSink sink;
        sink.failFrom = failFrom;
        EXPECT_FALSE(WriteContactsCsv(*image, sink)) << failFrom;
        EXPECT_EQ(sink.writes, failFrom + 1) << failFrom;
    }
}

TEST(CsvExport, TextSinkReportsAFailedTargetAndStaysFailed) {
    CRecordingSink raw;
    raw.failFrom = 0;
    CCsvTextSink text(raw);
    EXPECT_TRUE(text.Write("buffered\n"));
    EXPECT_FALSE(text.Flush());
    EXPECT_FALSE(text.Write("more\n"));
    EXPECT_FALSE(text.Flush());
    EXPECT_EQ(raw.writes, 1);
}

TEST(CsvFileName, OnlyBareNamesEndingInLowerCaseCsv) {
    const std::pair<const char*, bool> cases[] = {
        {"contacts.csv", true}, {"a.csv", true},     {"contacts.CSV", false},
        {"contacts", false},    {".csv", false},     {"contacts.csv.txt", false},
        {"", false},            {"x.csv ", false},   {"\xB5\xC4.csv", true},
    };
    for (const auto& [name, ok] : cases) EXPECT_EQ(IsCsvFileName(name), ok) << name;
}

TEST(CsvFileName, ProposedName) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 8;
    t.tm_hour = 21;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(MakeDefaultCsvName("DMR", &t), "DMR-20260108210503.csv");
    EXPECT_EQ(MakeDefaultCsvName("", &t), "-20260108210503.csv");
    EXPECT_EQ(MakeDefaultCsvName("DMR", nullptr), "DMR-.csv");
    EXPECT_TRUE(std::regex_match(MakeDefaultCsvName("\xC1\xAA"), std::regex("\xC1\xAA-[0-9]{14}\\.csv")));
}

TEST(CsvFileErrors, TextsNameTheFullPath) {
    const std::string path = "/tmp/x %1/a.csv";
    EXPECT_EQ(FileErrorText(FileErrorCause::fileNotFound, path), "没有找到 /tmp/x %1/a.csv。");
    EXPECT_EQ(FileErrorText(FileErrorCause::badPath, path), "/tmp/x %1/a.csv 包含错误的路径。");
    EXPECT_EQ(FileErrorText(FileErrorCause::none, path), "未发生错误。");
    EXPECT_EQ(DiskFullText(path), "访问 /tmp/x %1/a.csv 时磁盘已满。");
}

TEST(CsvExportFile, WritesTheWholeFileReplacingAnOldOne) {
    CTempDir dir;
    const auto path = dir.Path() / "out.csv";
    WriteFileBytes(path, std::string(5000, 'x'));
    auto image = NewImage();
    AddContact(*image, 2, {"B"});
    AddContact(*image, 1, {"A", "N"});
    const CsvExportResult result = ExportContactsCsvFile(*image, path.string());
    EXPECT_EQ(result.outcome, CsvExportResult::Done);
    EXPECT_EQ(ReadFileBytes(path), std::string("Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n"
                                               "2,B,,,,,,,\r\n1,A,N,,,,,,\r\n"));
}

TEST(CsvExportFile, FailedOpenCreatesNothing) {
    CTempDir dir;
    auto image = NewImage();
    const auto missing = dir.Path() / "no-such-folder" / "out.csv";
    CsvExportResult result = ExportContactsCsvFile(*image, missing.string());
    EXPECT_EQ(result.outcome, CsvExportResult::OpenFailed);
    EXPECT_EQ(result.cause, FileErrorCause::badPath);
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));

    std::filesystem::create_directory(dir.Path() / "folder.csv");
    result = ExportContactsCsvFile(*image, (dir.Path() / "folder.csv").string());
    EXPECT_EQ(result.outcome, CsvExportResult::OpenFailed);
    EXPECT_EQ(result.cause, FileErrorCause::isDirectory);
}

#ifdef __linux__
// In a mount namespace of this process's own (a user namespace too when not
// root), so nothing outside sees the mount.
bool MountReadOnlyTmpfs(const std::string& dir) {
    if (unshare(CLONE_NEWNS) != 0) {
        const std::string uid = std::to_string(getuid()), gid = std::to_string(getgid());
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        WriteFileBytes("/proc/self/setgroups", "deny");
        WriteFileBytes("/proc/self/uid_map", "0 " + uid + " 1");
        WriteFileBytes("/proc/self/gid_map", "0 " + gid + " 1");
    }
    return mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", dir.c_str(), "tmpfs", MS_RDONLY, "size=64k") == 0;
}

TEST(CsvExportFile, ReadOnlyFileSystemIsNamedAsSuch) {
    CTempDir dir;
    constexpr int CANNOT_MOUNT = 99;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!MountReadOnlyTmpfs(dir.Path().string())) _exit(CANNOT_MOUNT);
        auto image = NewImage();
        const CsvExportResult result =
            ExportContactsCsvFile(*image, (dir.Path() / "out.csv").string());
        _exit(result.outcome == CsvExportResult::OpenFailed ? static_cast<int>(result.cause) : 98);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == CANNOT_MOUNT)
        GTEST_SKIP() << "mounting a file system is not allowed here";
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(FileErrorCause::readOnly));
    EXPECT_NE(FileErrorText(FileErrorCause::readOnly, "/m/out.csv").find("/m/out.csv"),
              std::string::npos);
}
#endif

TEST(CsvExportFile, FailedWriteIsNeverDone) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    auto image = NewImage();
    AddContact(*image, 1, {"A"});
    const CsvExportResult result = ExportContactsCsvFile(*image, "/dev/full");
    EXPECT_EQ(result.outcome, CsvExportResult::WriteFailed);
    EXPECT_EQ(result.cause, FileErrorCause::diskFull);
}

}  // namespace
}  // namespace pendrak::test

namespace pendrak::test {
namespace {

// The export for spreadsheets: quotes only where a value needs them, and an
// import of it gives back the same contacts in the radio's code page.
TEST(CsvExportUtf8, QuotedWhereNeededAndReadsBack) {
    auto image = NewImage();
    AddContact(*image, 4600001,
               {"BA1AA", "\xCD\xF5\xD0\xA1\xC3\xF7", "", "\xB1\xB1\xBE\xA9", "", "China", ""});
    AddContact(
        *image, 3100001,
        {"K1AB", "Robert \"Bob\"", " sp ", "Washington, DC", "line\nend", "", "\xA7\xAA\xA7\xD3"});
    CRecordingSink raw;
    ASSERT_TRUE(WriteContactsCsvUtf8(*image, raw, 936));
    EXPECT_EQ(
        raw.bytes,
        "\xEF\xBB\xBFRadio ID,Callsign,Name,Nickname,City,State,Country,Remarks\r\n"
        "4600001,BA1AA,王小明,,北京,,China,\r\n"
        "3100001,K1AB,\"Robert \"\"Bob\"\"\",\" sp \",\"Washington, DC\",\"line\nend\",,Ив\r\n");

    auto back = NewImage();
    AddContact(*back, 5, {"stale"});
    CsvImportOptions options;
    options.nCodePage = 936;
    const CsvImportResult result = ImportBytes(*back, raw.bytes, options, 7);
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    image->SortContactsByRadioId();
    EXPECT_EQ(Contacts(*back), Contacts(*image));
    EXPECT_EQ(result.report.nLines, 4);  // the quoted line end makes one more
    EXPECT_EQ(result.report.nHeader, 1);
    EXPECT_EQ(result.report.nTransliterated + result.report.nReplaced + result.report.nValuesCut,
              0);
}

TEST(CsvExportUtf8File, RoundTripOfAFullField) {
    CTempDir dir;
    auto image = NewImage();
    // Every field full to its width, in two-byte characters.
    AddContact(*image, 16777215,
               {"\xB9\xFA\xB9\xFA\xB9\xFA\xB9\xFA", std::string(16, 'x'),
                "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4"});
    const auto path = (dir.Path() / "utf8.csv").string();
    ASSERT_EQ(ExportContactsCsvUtf8File(*image, path, 936).outcome, CsvExportResult::Done);
    auto back = NewImage();
    CsvImportOptions options;
    options.nCodePage = 936;
    const CsvImportResult result = ImportContactsCsvFiles(*back, {path}, options);
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_EQ(Contacts(*back), Contacts(*image));
    EXPECT_EQ(result.report.nValuesCut, 0);
}

}  // namespace
}  // namespace pendrak::test
