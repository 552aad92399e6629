// What pendrak-cli refuses or tells instead of losing something in silence:
// quotes that never close, CR-only files, impossible or damaged image files,
// bytes an export cannot keep, and options that name nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "CliProcess.h"
#include "CliRadioSupport.h"
#include "contacts/ContactImageFile.h"
#include "platform/CodePage.h"

using namespace clitest;
using namespace pendrak;

namespace {

TEST(CliRefuse, UnclosedQuotesAndCrOnlyFilesFailStrict) {
    CTempDir dir;
    std::string radioId = "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY\n";
    radioId += "1001,AA1,\"Unclosed,Smith,Town,ST,Land\n";
    for (int i = 2; i <= 9; ++i) radioId += "100" + std::to_string(i) + ",C,F,L,T,S,X\n";
    WriteFile(dir.Path("user.csv"), radioId);
    WriteFile(dir.Path("mac.csv"), "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r1,a,\r2,b,\r");
    const std::pair<const char*, const char*> cases[] = {
        {"user.csv", "10 lines: 8 taken, 1 header, 0 empty, 0 repeated ID, 0 no valid ID, 0 not chosen, "
                     "0 over capacity, 1 unclosed quote"},
        {"mac.csv", "its lines end in CR alone"}};
    for (const auto& [file, report] : cases) {
        ProcessResult r = RunCli({"import", dir.Path(file), "--image", dir.Path("out.bin")});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(report), std::string::npos) << r.out;
        r = RunCli({"import", dir.Path(file), "--image", dir.Path("strict.bin"), "--strict"});
        EXPECT_EQ(r.exitCode, 1) << file << r.out;
        EXPECT_FALSE(Exists(dir.Path("strict.bin")));
    }
}

TEST(CliRefuse, ImpossibleCountsAndDamagedImages) {
    CTempDir dir;
    auto image = SyntheticImage(1000);
    std::string bytes = ImageBytes(*image);
    bytes[0] = '\xD1', bytes[1] = '\xFB', bytes[2] = '\x01';  // 130001
    WriteFile(dir.Path("count.bin"), bytes);
    WriteFile(dir.Path("a.csv"), "5,x,\n");
    const std::vector<std::vector<std::string>> loaders = {
        {"list", dir.Path("count.bin")},
        {"export", dir.Path("count.bin"), "-o", dir.Path("out.csv")},
        {"find", "x", dir.Path("count.bin")},
        {"write", "--radio", "sim:" + dir.Path("radio.bin"), "--image", dir.Path("count.bin")},
        {"import", dir.Path("a.csv"), "--merge", "--base", dir.Path("count.bin"), "--image", dir.Path("o.bin")},
    };
    for (const auto& args : loaders) {
        SCOPED_TRACE(args[0]);
        const ProcessResult r = RunCli(args, kFastLink);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_NE(r.err.find("not a contact image: count 130001"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(Exists(dir.Path("radio.bin")) || Exists(dir.Path("o.bin")) || Exists(dir.Path("out.csv")));

    image->SetContactRadioId(998, 0);  // contact 999 of 1000
    WriteFile(dir.Path("damaged.bin"), ImageBytes(*image));
    ProcessResult r = RunCli({"list", dir.Path("damaged.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("is damaged: contact 999 of 1000 has radio ID 0"), std::string::npos) << r.err;
    const std::string radio = "sim:" + dir.Path("radio.bin");
    r = RunCli({"write", "--radio", radio, "--image", dir.Path("damaged.bin"), "--no-backup"}, kFastLink);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(dir.Path("radio.bin")));
    r = RunCli({"write", "--radio", radio, "--image", dir.Path("damaged.bin"), "--no-backup", "--force"},
               kFastLink);
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(CliRefuse, SmallThings) {
    CTempDir dir;
    WriteFile(dir.Path("a.csv"), "5,x,\n");
    ProcessResult r = RunCli({"list", dir.Path("a.csv"), "--page", "0"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("pages start at 1"), std::string::npos) << r.err;
    r = RunCli({"backups", "--backup-dir", ""});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("names no folder"), std::string::npos) << r.err;

    ASSERT_EQ(RunCli({"import", dir.Path("a.csv"), "--image", dir.Path("b.bin")}).exitCode, 0);
    WriteFile(dir.Path("c.csv"), "7,y,\n");
    r = RunCli({"import", dir.Path("c.csv"), "--base", dir.Path("b.bin"), "--image", dir.Path("b.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("b.bin were replaced, not added to"), std::string::npos) << r.out;

    // Bytes that are no UTF-8 cannot be kept by an export to UTF-8: counted.
    auto image = SyntheticImage(3);
    image->SetContactFieldText(CONTACT_NAME, 1, "\xC3" "X\xFF");
    WriteFile(dir.Path("bad.bin"), ImageBytes(*image));
    r = RunCli({"export", dir.Path("bad.bin"), "-o", dir.Path("u.csv"), "--utf8", "--codepage", "UTF-8"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("2 bytes of the texts are no text of code page 65001"), std::string::npos) << r.err;
}

TEST(CliRefuse, TheDemoListIsValidUtf8) {
    CTempDir dir;
    const ProcessResult gen = RunProgram(PENDRAK_DEMO_CONTACTS, {"-o", dir.Path("demo.csv")});
    ASSERT_EQ(gen.exitCode, 0) << gen.err;
    const std::string text = ReadFile(dir.Path("demo.csv"));
    ASSERT_GT(text.size(), 1000000u);
    size_t bad = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t len = Utf8SequenceLength(text, i);
        bad += len == 0;
        i += len == 0 ? 1 : len;
    }
    EXPECT_EQ(bad, 0u);
}

}  // namespace
