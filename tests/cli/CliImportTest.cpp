// Lists from the real world through pendrak-cli: the RadioID layout with a
// choice of what fits, the report, --strict, merges and the UTF-8 export.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "CliProcess.h"
#include "contacts/ContactImage.h"

using namespace clitest;
using namespace pendrak;

namespace {

std::unique_ptr<CContactImage> LoadImage(const std::string& path) {
    auto image = std::make_unique<CContactImage>();
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), static_cast<size_t>(CONTACT_IMAGE_SIZE)) << path;
    std::copy(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), CONTACT_IMAGE_SIZE),
              image->Bytes());
    return image;
}

std::set<int> Ids(const CContactImage& image) {
    std::set<int> ids;
    for (int n = 0; n < image.GetContactCount(); ++n) ids.insert(image.GetContactRadioId(n));
    return ids;
}

// The generator's file: 290,000 lines, sorted by ID, so that file order
// would take no Chinese contact at all.
class CliRadioIdTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir;
        const ProcessResult gen = RunProgram(PENDRAK_DEMO_RADIOID, {"-o", s_dir->Path("user.csv")});
        ASSERT_EQ(gen.exitCode, 0) << gen.err;
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static CTempDir* s_dir;
};
CTempDir* CliRadioIdTest::s_dir = nullptr;

TEST_F(CliRadioIdTest, PreferTakesEveryChineseContactAndTheReportAddsUp) {
    const std::string csv = s_dir->Path("user.csv");
    std::set<int> chinese;
    const std::string text = ReadFile(csv);
    size_t lines = 0;
    for (size_t p = 0, q; (q = text.find('\n', p)) != std::string::npos; p = q + 1, ++lines)
        if (text.compare(p, 3, "460") == 0 || text.compare(p, 3, "461") == 0)
            chinese.insert(std::stoi(text.substr(p, 7)));
    ASSERT_EQ(lines, 290000u);
    ASSERT_GT(chinese.size(), 13000u);

    const std::string bin = s_dir->Path("user.bin");
    const ProcessResult r =
        RunCli({"import", csv, "--image", bin, "--prefer", "460,461", "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(
        r.out.find("290000 lines: 130000 taken, 1 header, 0 empty, 0 repeated ID, 0 no valid ID, "
                   "0 not chosen, 159999 over capacity"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("columns RADIO_ID, CALLSIGN, FIRST_NAME, LAST_NAME, CITY, STATE, COUNTRY"),
              std::string::npos)
        << r.out;
    const auto image = LoadImage(bin);
    ASSERT_EQ(image->GetContactCount(), MAX_CONTACTS);
    const std::set<int> ids = Ids(*image);
    for (const int id : chinese) ASSERT_TRUE(ids.count(id)) << id;
}

// --strict fails on lines lost for another reason than the user's choice,
// and then writes nothing.
TEST(CliImport, StrictRefusesLostLines) {
    CTempDir dir;
    WriteFile(dir.Path("a.csv"), "ID,Callsign\n460,a\n460,b\n310,c\n");
    const std::string bin = dir.Path("a.bin");
    ProcessResult r = RunCli({"import", dir.Path("a.csv"), "--image", bin, "--strict"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("1 lines repeat the radio ID"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(bin));
    WriteFile(dir.Path("a.csv"), "ID,Callsign\n460,a\n310,c\n");
    r = RunCli({"import", dir.Path("a.csv"), "--image", bin, "--strict", "--exclude", "310"});
    EXPECT_EQ(r.exitCode, 0) << "what the user left out is no loss: " << r.err;
    EXPECT_NE(r.out.find("1 not chosen"), std::string::npos) << r.out;
}

TEST(CliImport, MergeSeveralFilesAndTheUtf8ExportReadsBack) {
    CTempDir dir;
    WriteFile(dir.Path("a.csv"),
              "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n"
              "1001,BA1AA,\xD5\xC5\xC8\xFD,,,,,,\r\n1002,K2,old,,,,,,\r\n");
    WriteFile(dir.Path("b.csv"),
              "\xEF\xBB\xBF"
              "ID;Callsign;Name;City\n1002;K2;\"New, Bob\";München\n1003;DL3;Jörg;Köln\n");
    const std::string base = dir.Path("base.bin"), merged = dir.Path("merged.bin");
    ProcessResult r = RunCli({"import", dir.Path("a.csv"), "--image", base, "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunCli({"import", dir.Path("b.csv"), "--image", merged, "--base", base, "--merge",
                "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Contacts already there: 1 kept, 1 replaced by the file, 0 left out"),
              std::string::npos)
        << r.out;
    const auto image = LoadImage(merged);
    ASSERT_EQ(image->GetContactCount(), 3);
    EXPECT_EQ(image->GetContactFieldText(CONTACT_NAME, 0), "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(image->GetContactFieldText(CONTACT_NAME, 1), "New, Bob");
    EXPECT_EQ(image->GetContactFieldText(CONTACT_CITY, 1), "M\xA8\xB9nchen");  // ü is in GBK
    EXPECT_EQ(image->GetContactFieldText(CONTACT_NAME, 2), "Jorg");            // ö is not
    EXPECT_EQ(image->GetContactFieldText(CONTACT_CITY, 2), "Koln");

    // Several files in one import are one list, the same as the merge here.
    const std::string both = dir.Path("both.bin");
    r = RunCli(
        {"import", dir.Path("b.csv"), dir.Path("a.csv"), "--image", both, "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Ids(*LoadImage(both)), (std::set<int>{1001, 1002, 1003}));

    const std::string utf8 = dir.Path("sheet.csv"), back = dir.Path("back.bin");
    r = RunCli({"export", merged, "-o", utf8, "--utf8", "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(utf8).substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(ReadFile(utf8).find("1001,BA1AA,张三,"), std::string::npos);
    r = RunCli({"import", utf8, "--image", back, "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(back) == ReadFile(merged))
        << "the UTF-8 export reads back to the same image";
}

TEST(CliImport, BadOptionsAreUsageErrors) {
    CTempDir dir;
    WriteFile(dir.Path("a.csv"), "1,a,\n");
    for (const std::vector<std::string>& extra : {std::vector<std::string>{"--prefer", "0460"},
                                                  {"--near", "x"},
                                                  {"--encoding", "klingon-9"},
                                                  {"--codepage", "klingon"}}) {
        std::vector<std::string> args = {"import", dir.Path("a.csv"), "--image", dir.Path("a.bin")};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProcessResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << extra[0] << ": " << r.err;
        EXPECT_NE(r.err.find(extra[1]), std::string::npos) << r.err;
        EXPECT_FALSE(Exists(dir.Path("a.bin")));
    }
}

// A list in the program's own layout saved as UTF-8, imported for a GBK radio.
TEST(CliImport, Utf8TextInTheOwnLayoutIsTold) {
    CTempDir dir;
    WriteFile(dir.Path("own.csv"), "7,K7,\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD,,,,,\n");  // Иван
    ProcessResult r = RunCli({"import", dir.Path("own.csv"), "--image", dir.Path("kept.bin"),
                              "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("texts are UTF-8"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--encoding UTF-8"), std::string::npos) << r.err;
}

}  // namespace
