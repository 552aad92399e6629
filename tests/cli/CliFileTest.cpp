// The offline commands (import, export, list) against the core's own
// results, and how every command treats bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "CliProcess.h"
#include "contacts/ContactImage.h"
#include "csv/ContactCsv.h"

using namespace clitest;
using namespace pendrak;

namespace {

std::unique_ptr<CContactImage> ClearedImage() {
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    return image;
}

std::string ImageBytes(const CContactImage& image) {
    return std::string(reinterpret_cast<const char*>(image.Bytes()), CONTACT_IMAGE_SIZE);
}

class CliFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_csv = m_dir.Path("contacts.csv");
        const ProcessResult gen = RunProgram(PENDRAK_DEMO_CONTACTS, {"--count", "1000", "--seed", "7", "-o", m_csv});
        ASSERT_EQ(gen.exitCode, 0) << gen.err;
    }
    CTempDir m_dir;
    std::string m_csv;
};

TEST_F(CliFileTest, ImportAndExportGiveTheCoreBytes) {
    auto core = ClearedImage();
    ASSERT_EQ(ImportContactsCsvFile(*core, m_csv).count, 1000);

    const std::string bin = m_dir.Path("a.bin");
    ProcessResult r = RunCli({"import", m_csv, "--image", bin});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1000"), std::string::npos) << r.out;
    EXPECT_TRUE(ReadFile(bin) == ImageBytes(*core)) << "import differs from the core's Import";

    const std::string csv = m_dir.Path("a.csv"), coreCsv = m_dir.Path("core.csv");
    r = RunCli({"export", bin, "-o", csv});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(ExportContactsCsvFile(*core, coreCsv).outcome, CsvExportResult::Done);
    EXPECT_TRUE(ReadFile(csv) == ReadFile(coreCsv)) << "export differs from the core's Export";
    // Nothing but the outputs: no temporary files left beside them.
    EXPECT_EQ(ListDir(m_dir.Dir()).size(), 4u);
}

TEST_F(CliFileTest, ImportOntoABaseKeepsWhatImportKeeps) {
    // A base image with header bytes beyond the count and old records past
    // the new count: Import replaces the contacts only.
    auto base = ClearedImage();
    for (int n = 0; n < 1500; ++n) base->SetContactRadioId(n, 5000000 + n);
    base->SetContactCount(1500);
    base->Bytes()[5] = 0x5A;
    const std::string baseFile = m_dir.Path("base.bin");
    WriteFile(baseFile, ImageBytes(*base));
    ASSERT_EQ(ImportContactsCsvFile(*base, m_csv).count, 1000);

    const std::string out = m_dir.Path("out.bin");
    const ProcessResult r = RunCli({"import", m_csv, "--image", out, "--base", baseFile});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(out) == ImageBytes(*base));
}

TEST_F(CliFileTest, ListShowsOnePageAsTheDialogDoes) {
    auto core = ClearedImage();
    ImportContactsCsvFile(*core, m_csv);
    const std::string bin = m_dir.Path("a.bin");
    WriteFile(bin, ImageBytes(*core));

    struct Case {
        std::string page;
        int firstIndex, rows;
    };
    // 1000 contacts are 5 pages; a page beyond the last shows the last.
    for (const Case& c : {Case{"1", 0, 200}, Case{"3", 400, 200}, Case{"5", 800, 200}, Case{"99", 800, 200}}) {
        for (const std::string& file : {bin, m_csv}) {
            const ProcessResult r = RunCli({"list", file, "--page", c.page, "--codepage", "UTF-8"});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            std::vector<std::string> lines;
            for (size_t p = 0, q; (q = r.out.find('\n', p)) != std::string::npos; p = q + 1)
                lines.push_back(r.out.substr(p, q - p));
            ASSERT_EQ(lines.size(), static_cast<size_t>(2 + c.rows)) << file << " page " << c.page;
            EXPECT_EQ(lines[0], "Page " + std::to_string(c.firstIndex / 200 + 1) + "/5, 1000 contacts");
            for (int i : {0, c.rows - 1}) {
                const int n = c.firstIndex + i;
                std::string expected = std::to_string(n + 1);
                const std::string& line = lines[static_cast<size_t>(2 + i)];
                EXPECT_EQ(line.rfind(expected + " ", 0), 0u) << line;
                EXPECT_NE(line.find(" " + std::to_string(core->GetContactRadioId(n)) + " "), std::string::npos);
                for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
                    const std::string text(core->GetContactFieldText(static_cast<ContactField>(f), n));
                    EXPECT_NE(line.find(text), std::string::npos) << "field " << f << " of " << line;
                }
            }
        }
    }
}

TEST(CliList, DecodesWithTheCodePageAndNeverPrintsControlBytes) {
    CTempDir dir;
    const std::string csv = dir.Path("gbk.csv");
    // 张三 in GBK, and a name with an escape byte that must not reach the terminal.
    WriteFile(csv, "1001,BA1AA,\xD5\xC5\xC8\xFD,,,,,,\r\n1002,BA1AB,x\x1b[2Jy,,,,,,\r\n");
    ProcessResult r = RunCli({"list", csv, "--codepage", "GBK"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("张三"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    r = RunCli({"list", csv, "--codepage", "UTF-8"});
    EXPECT_NE(r.out.find("\xEF\xBF\xBD"), std::string::npos) << "undecodable bytes show as U+FFFD";
}

TEST(CliUsage, BadInputGivesOneClearLineAndTheRightExitCode) {
    CTempDir dir;
    const std::string good = dir.Path("good.bin"), small = dir.Path("small.bin"), csv = dir.Path("c.csv");
    WriteFile(good, std::string(CONTACT_IMAGE_SIZE, '\0'));
    WriteFile(small, std::string(CONTACT_IMAGE_SIZE - 1, '\0'));
    WriteFile(csv, "1,A,,,,,,,\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;  // part of the stderr line
    };
    const Case cases[] = {
        {{"export", dir.Path("missing.bin"), "-o", dir.Path("x.csv")}, 1, "missing.bin"},
        {{"export", small, "-o", dir.Path("x.csv")}, 1, "14393344"},
        {{"list", small}, 1, "14393344"},
        {{"export", good, "-o", dir.Path("x.txt")}, 2, ".csv"},
        {{"import", dir.Path("missing.csv"), "--image", dir.Path("x.bin")}, 1, "missing.csv"},
        {{"import", csv, "--image", dir.Path("x.bin"), "--base", small}, 1, "14393344"},
        {{"import", csv, "--image", dir.Path("no/such/folder/x.bin")}, 1, "x.bin"},
        {{"write", "--radio", "sim:" + dir.Path("r.bin"), "--image", small}, 1, "14393344"},
        {{"read", "--radio", "serial:/dev/ttyS0", "-o", dir.Path("x.csv")}, 2, "serial:/dev/ttyS0"},
        {{"read", "--radio", "tcp:127.0.0.1:99999", "-o", dir.Path("x.csv")}, 2, "radio address"},
        {{"info", "--radio", "tcp:127.0.0.1"}, 2, "radio address"},
        {{"read", "--radio", "sim:" + dir.Path("r.bin")}, 2, "-o"},
        // Found out before the radio is touched (r.bin stays absent).
        {{"read", "--radio", "sim:" + dir.Path("r.bin"), "-o", dir.Path("no/such/folder/x.csv")}, 1, "x.csv"},
        {{"read", "--radio", "sim:" + dir.Path("r.bin"), "-o", dir.Path("x.txt")}, 2, ".csv"},
        {{"write", "--radio", "sim:" + dir.Path("r.bin"), csv, "--image", good}, 2, "either"},
        {{"write", "--radio", "sim:" + dir.Path("r.bin")}, 2, "either"},
        {{"list", csv, "--page", "0"}, 2, "page"},
        {{"list", csv, "--codepage", "EBCDIC-42"}, 2, "EBCDIC-42"},
        {{"list", csv, "--lang", "lang_xx"}, 2, "lang_xx"},
        {{"find", "x"}, 2, "file"},
        {{"find", "", csv}, 2, "empty"},
        {{"find", "x", small}, 1, "14393344"},
        {{"emulate", "--listen", "192.0.2.1:0", "--memory", dir.Path("m.bin")}, 2, "loopback"},
        {{"emulate", "--listen", "127.0.0.1:70000", "--memory", dir.Path("m.bin")}, 2, "70000"},
        {{"frobnicate"}, 2, "frobnicate"},
        {{"export", good, "-o", dir.Path("x.csv"), "--no-such-option"}, 2, "--no-such-option"},
        {{}, 2, "subcommand"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        const ProcessResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << shown << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << "\n" << r.err;
    }
    // Nothing was created by the failures.
    for (const char* name : {"x.csv", "x.txt", "x.bin", "m.bin", "r.bin"})
        EXPECT_FALSE(Exists(dir.Path(name))) << name;
}

TEST(CliUsage, HelpForEveryCommand) {
    for (const char* command : {"read", "write", "import", "export", "list", "find", "info", "emulate", "backups"}) {
        const ProcessResult r = RunCli({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_NE(r.out.find(command), std::string::npos) << r.out;
    }
    const ProcessResult r = RunCli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* command : {"read", "write", "import", "export", "list", "find", "info", "emulate", "backups"})
        EXPECT_NE(r.out.find(command), std::string::npos) << command;
}

// Every shipped language file, each with its own words for the same fault.
TEST(CliLanguage, EveryShippedFileIsTaken) {
    CTempDir dir;
    const std::string good = dir.Path("good.bin");
    WriteFile(good, std::string(CONTACT_IMAGE_SIZE, '\0'));
    const std::filesystem::path data = std::filesystem::path(PENDRAK_CLI).parent_path() / "Data";
    std::set<std::string> said;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        if (entry.path().extension() != ".lng") continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string line, expected;
        while (std::getline(in, line))
            if (line.rfind("IDS_FileNameError=", 0) == 0) expected = line.substr(18);
        const std::string name = entry.path().stem().string();
        const ProcessResult r = RunCli({"export", good, "-o", dir.Path("x.txt"), "--lang", name});
        EXPECT_EQ(r.exitCode, 2) << name;
        EXPECT_NE(r.err.find(expected), std::string::npos) << name << ": " << r.err;
        said.insert(r.err);
    }
    EXPECT_GE(files, 13);
    EXPECT_EQ(said.size(), static_cast<size_t>(files));
    // A name that is not there: the ones that are, so a typo is easy to mend.
    const ProcessResult typo = RunCli({"list", good, "--lang", "lang_dee"});
    EXPECT_EQ(typo.exitCode, 2);
    EXPECT_NE(typo.err.find("lang_de,"), std::string::npos) << typo.err;
}

TEST(CliLanguage, MessagesComeFromTheChosenLanguageFile) {
    CTempDir dir;
    const std::string good = dir.Path("good.bin");
    WriteFile(good, std::string(CONTACT_IMAGE_SIZE, '\0'));
    const ProcessResult en = RunCli({"export", good, "-o", dir.Path("x.txt"), "--lang", "lang_en"});
    const ProcessResult cn = RunCli({"export", good, "-o", dir.Path("x.txt"), "--lang", "lang_cn"});
    EXPECT_EQ(en.exitCode, 2);
    EXPECT_EQ(cn.exitCode, 2);
    EXPECT_NE(en.err, cn.err);
    EXPECT_NE(en.err.find(".csv"), std::string::npos);
    EXPECT_NE(cn.err.find(".csv"), std::string::npos);
}

}  // namespace

namespace {

TEST(CliStartUp, WithoutSettingsTheImageIsStillTheClearedOne) {
    // A copy of the program with no Data/ beside it (and none under ../share).
    CTempDir dir;
    std::filesystem::create_directories(dir.Path("bin"));
    const std::string cli = dir.Path("bin/" + std::filesystem::path(PENDRAK_CLI).filename().string());
    std::filesystem::copy_file(PENDRAK_CLI, cli);
    std::filesystem::permissions(cli, std::filesystem::perms::owner_all);
    const std::string csv = dir.Path("c.csv");
    WriteFile(csv, "1002,BB,,,,,,,\r\n1001,AA,Name,,,,,,\r\n");

    const ProcessResult r = RunProgram(cli, {"import", csv, "--image", dir.Path("out.bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Can not find the file setting!"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    auto core = ClearedImage();
    ImportContactsCsvFile(*core, csv);
    EXPECT_TRUE(ReadFile(dir.Path("out.bin")) == ImageBytes(*core)) << "not the cleared image with tag bytes 3";
}

}  // namespace
