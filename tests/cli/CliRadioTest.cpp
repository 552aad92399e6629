// read, write and info against the emulator: in-process (sim:) and served by
// "pendrak-cli emulate" over TCP, faults, and Ctrl-C during a transfer.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <regex>

#ifdef __linux__
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

#include "CliProcess.h"
#include "CliRadioSupport.h"
#include "contacts/ContactImage.h"
#include "csv/ContactCsv.h"
#include "platform/System.h"

using namespace clitest;
using namespace pendrak;

namespace {

// Each wait for the radio's answer lasts 100 s.
const std::vector<std::string> kSlowLink = {"PENDRAK_TIMEOUT_SCALE=50"};

TEST(CliRadio, WriteThenReadGivesBackWhatTheCoreImported) {
    CTempDir dir;
    const std::string csv = dir.Path("contacts.csv");
    ASSERT_EQ(RunProgram(PENDRAK_DEMO_CONTACTS, {"--count", "800", "-o", csv}).exitCode, 0);
    auto core = std::make_unique<CContactImage>();
    core->ClearContactImage();
    ASSERT_EQ(ImportContactsCsvFile(*core, csv).count, 800);
    const std::string coreCsv = dir.Path("core.csv");
    ASSERT_EQ(ExportContactsCsvFile(*core, coreCsv).outcome, CsvExportResult::Done);

    CEmulator wide(dir.Path("wide.bin"));
    CEmulator narrow(dir.Path("narrow.bin"), {"--block-format", "1"});
    ASSERT_FALSE(wide.Address().empty()) << wide.Child().Err();
    ASSERT_FALSE(narrow.Address().empty()) << narrow.Child().Err();
    struct Case {
        std::string radio, blockFormat;
    };
    for (const Case& c : {Case{"sim:" + dir.Path("sim.bin"), "2 (506"}, Case{wide.Address(), "2 (506"},
                          Case{narrow.Address(), "1 (59"}}) {
        SCOPED_TRACE(c.radio);
        ProcessResult r = RunCli({"write", "--radio", c.radio, csv}, kFastLink);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Imported 800 contacts"), std::string::npos) << r.out;

        r = RunCli({"info", "--radio", c.radio}, kFastLink);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("contacts:       800\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("block format:   " + c.blockFormat), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\"D1.00.02"), std::string::npos) << r.out;

        const std::string back = dir.Path("back.csv"), backBin = dir.Path("back.bin");
        r = RunCli({"read", "--radio", c.radio, "-o", back, "--image", backBin}, kFastLink);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(ReadFile(back) == ReadFile(coreCsv)) << "read CSV differs from the core's export";
        EXPECT_TRUE(ReadFile(backBin) == ImageBytes(*core)) << "read image differs from the core's import";
    }
}

TEST(CliRadio, ReadSortsAsTheDialogDoes) {
    CTempDir dir;
    auto image = SyntheticImage(300);
    // Reversed on the radio: what comes back is in ascending radio ID.
    for (int n = 0; n < 150; ++n) image->SwapContactRecords(n, 299 - n);
    WriteRadioMemory(dir.Path("radio.bin"), *image);
    auto sorted = SyntheticImage(300);
    sorted->SortContactsByRadioId();

    const std::string out = dir.Path("out.bin");
    const ProcessResult r = RunCli({"read", "--radio", "sim:" + dir.Path("radio.bin"), "--image", out}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(out) == ImageBytes(*sorted));
}

TEST(CliRadio, FailuresNameTheStepAndWriteNothing) {
    CTempDir dir;
    WriteRadioMemory(dir.Path("radio.bin"), *SyntheticImage(500));
    struct Case {
        std::vector<std::string> faults;
        std::string message;
    };
    const Case cases[] = {
        {{"--silent-from-block", "4"}, "contact data after"},
        {{"--silent-from-block", "1"}, "before the contact data"},
        {{"--version-text", "D1.00.03"}, "version record"},
        {{"--silent-from-exchange", "1"}, "PSEARCH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults[0]);
        CEmulator emulator(dir.Path("radio.bin"), c.faults);
        ASSERT_FALSE(emulator.Address().empty());
        const ProcessResult r =
            RunCli({"read", "--radio", emulator.Address(), "-o", dir.Path("out.csv"), "--image", dir.Path("out.bin")},
                   kFastLink);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(emulator.Address()), std::string::npos) << r.err;
        EXPECT_EQ(OutputFiles(dir.Dir()), 0) << "a failed Read wrote a file";
    }
    // Nobody listens on the port of an emulator that has ended.
    std::string gone;
    {
        CEmulator emulator(dir.Path("radio.bin"));
        gone = emulator.Address();
        emulator.Child().Signal(SIGTERM);
        if (CanSignal()) {
            EXPECT_EQ(emulator.Child().Wait(10000), 0);
        }
    }
    const ProcessResult r = RunCli({"read", "--radio", gone, "-o", dir.Path("out.csv")}, kFastLink);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("opening the link"), std::string::npos) << r.err;
}

TEST(CliRadio, CtrlCStopsTheTransferAndLeavesNoFile) {
    if (!CanSignal()) GTEST_SKIP() << "no console to send Ctrl-Break through";
    CTempDir dir;
    WriteRadioMemory(dir.Path("radio.bin"), *SyntheticImage(MAX_CONTACTS));
    // The radio falls silent a third of the way in, so the Read cannot end
    // before the signal however fast the machine; the default time-outs keep
    // it waiting there long enough for the signal to arrive.
    CEmulator emulator(dir.Path("radio.bin"), {"--silent-from-block", "10000"});
    ASSERT_FALSE(emulator.Address().empty());

    CChild read(PENDRAK_CLI,
                {"read", "--radio", emulator.Address(), "-o", dir.Path("out.csv"), "--image", dir.Path("out.bin")},
                {});
    ASSERT_TRUE(read.WaitForErr("Reading: ", 60000)) << read.Err();  // the first progress line
    read.Signal(SIGINT);
    EXPECT_EQ(read.Wait(30000), 1);
    EXPECT_NE(read.Err().find("interrupted"), std::string::npos) << read.Err();
    EXPECT_EQ(read.Err().find("Reading: 100%"), std::string::npos) << "the job ran to its end";
    EXPECT_EQ(OutputFiles(dir.Dir()), 0) << "an interrupted Read left a file";

    // The emulator saw the link close early: far fewer exchanges than a whole Read.
    ASSERT_TRUE(emulator.Child().WaitForErr("connection closed after", 10000)) << emulator.Child().Err();
    std::smatch m;
    const std::string err = emulator.Child().Err();
    ASSERT_TRUE(std::regex_search(err, m, std::regex("closed after (\\d+) exchanges")));
    EXPECT_LT(std::stoi(m[1].str()), 40000);
}

// A radio that never answers the connection check keeps it waiting 100 s an
// exchange with the slow link; Ctrl-C during that wait ends the command.
TEST(CliRadio, CtrlCDuringTheConnectionCheckEndsTheCommand) {
    if (!CanSignal()) GTEST_SKIP() << "no console to send Ctrl-Break through";
    CTempDir dir;
    WriteRadioMemory(dir.Path("radio.bin"), *SyntheticImage(10));
    for (const std::string command : {"read", "info"}) {
        SCOPED_TRACE(command);
        CEmulator emulator(dir.Path("radio.bin"), {"--silent-from-exchange", "1"});
        ASSERT_FALSE(emulator.Address().empty());
        std::vector<std::string> args = {command, "--radio", emulator.Address()};
        if (command == "read") args.insert(args.end(), {"-o", dir.Path("out.csv")});
        CChild child(PENDRAK_CLI, args, kSlowLink);
        ASSERT_TRUE(emulator.Child().WaitForErr("connection opened", 20000)) << child.Err();
        child.Signal(SIGINT);
        EXPECT_EQ(child.Wait(20000), 1) << child.Err();
        EXPECT_NE(child.Err().find("interrupted"), std::string::npos) << child.Err();
        EXPECT_EQ(OutputFiles(dir.Dir()), 0);
    }
}

TEST(CliRadio, KilledReadLeavesNothingVisible) {
    CTempDir dir;
    WriteRadioMemory(dir.Path("radio.bin"), *SyntheticImage(MAX_CONTACTS));
    CEmulator emulator(dir.Path("radio.bin"), {"--silent-from-block", "10000"});
    ASSERT_FALSE(emulator.Address().empty());
    CChild read(PENDRAK_CLI,
                {"read", "--radio", emulator.Address(), "-o", dir.Path("out.csv"), "--image",
                 dir.Path("out.bin")},
                {});
    ASSERT_TRUE(read.WaitForErr("Reading: ", 60000)) << read.Err();
    read.Kill();
    read.Wait(10000);
    bool unnamed = false;  // the outputs were written without a name
#if defined(__linux__) && defined(O_TMPFILE)
    const int probe = open(dir.Dir().c_str(), O_TMPFILE | O_WRONLY, 0600);
    unnamed = probe >= 0;
    if (probe >= 0) close(probe);
#endif
    for (const std::string& name : ListDir(dir.Dir())) {
        if (name == "radio.bin") continue;
        EXPECT_TRUE(IsHidden(dir.Dir(), name) && !unnamed) << name << " left by a killed Read";
    }
}

// The count a radio memory file holds in its contact region's header.
int CountInMemoryFile(const std::string& path) {
    const std::string memory = ReadFile(path);
    if (memory.size() != RADIO_MEMORY_SIZE) return -1;
    const auto* p = reinterpret_cast<const unsigned char*>(memory.data() + CONTACT_AREA);
    return p[0] | p[1] << 8 | p[2] << 16;
}

TEST(CliRadio, AnEmulatedRadioTakesOneLinkAndKeepsWhatItAcknowledged) {
    CTempDir dir;
    const std::string csv = dir.Path("contacts.csv"), memory = dir.Path("radio.bin");
    ASSERT_EQ(RunProgram(PENDRAK_DEMO_CONTACTS, {"--count", "300", "-o", csv}).exitCode, 0);
    CEmulator emulator(memory);
    ASSERT_FALSE(emulator.Address().empty()) << emulator.Child().Err();

    // The emulator holds the file: a sim: link to it is refused, naming it.
    ProcessResult r = RunCli({"write", "--radio", "sim:" + memory, csv}, kFastLink);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("in use"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(NativePath(memory)), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("USB"), std::string::npos) << r.err;
    EXPECT_EQ(CountInMemoryFile(memory), 0);

    // A second emulator on the same port says why, and makes no memory file.
    const std::string port = emulator.Address().substr(emulator.Address().rfind(':') + 1);
    r = RunCli({"emulate", "--listen", "127.0.0.1:" + port, "--memory", dir.Path("other.bin")});
    EXPECT_EQ(r.exitCode, 1);
    const std::string prefix = "cannot listen on 127.0.0.1:" + port + ": ";
    const size_t at = r.err.find(prefix);
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_GT(r.err.size(), at + prefix.size() + 2) << "no reason given: " << r.err;
    EXPECT_FALSE(Exists(dir.Path("other.bin")));

    // What the client saw acknowledged is in the file before the link closes.
    r = RunCli({"write", "--radio", emulator.Address(), csv}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountInMemoryFile(memory), 300);
}

#ifdef __linux__
TEST(CliRadio, AFullFileSystemFailsTheWrite) {
    CTempDir dir;
    const std::string small = dir.Path("small");
    std::filesystem::create_directories(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=20m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    struct CUnmount {
        std::string dir;
        ~CUnmount() { umount2(dir.c_str(), MNT_DETACH); }
    } unmount{small};
    const std::string csv = dir.Path("contacts.csv");
    ASSERT_EQ(RunProgram(PENDRAK_DEMO_CONTACTS, {"--count", "300", "-o", csv}).exitCode, 0);
    // A radio whose file has nothing allocated yet, on a file system then filled.
    const std::string memory = small + "/radio.bin", fill = small + "/fill";
    WriteFile(memory, "");
    std::filesystem::resize_file(memory, RADIO_MEMORY_SIZE);
    WriteFile(fill, std::string(20 << 20, 'x'));

    ProcessResult r = RunCli({"write", "--radio", "sim:" + memory, csv}, kFastLink);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.err.find("contact data after 0 of"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No space left"), std::string::npos) << r.err;

    {
        CEmulator emulator(memory);
        ASSERT_FALSE(emulator.Address().empty()) << emulator.Child().Err();
        r = RunCli({"write", "--radio", emulator.Address(), csv}, kFastLink);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_TRUE(emulator.Child().WaitForErr("No space left", 10000)) << emulator.Child().Err();
    }
    EXPECT_EQ(CountInMemoryFile(memory), 0);

    std::filesystem::remove(fill);
    r = RunCli({"write", "--radio", "sim:" + memory, csv}, kFastLink);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountInMemoryFile(memory), 300);
}
#endif

}  // namespace

// Ctrl-C during a Write leaves the radio incomplete: the message says so and
// names the command, with the backup, that puts the whole list in.
TEST(CliRadio, CtrlCDuringAWriteNamesTheCommandThatCompletesTheRadio) {
    if (!CanSignal()) GTEST_SKIP() << "no console to send Ctrl-Break through";
    CTempDir dir;
    const std::string image = dir.Path("big.bin");
    WriteFile(image, ImageBytes(*SyntheticImage(MAX_CONTACTS)));
    // Silent a third of the way in: the signal comes while it waits there.
    CEmulator emulator(dir.Path("radio.bin"), {"--silent-from-block", "10000"});
    ASSERT_FALSE(emulator.Address().empty());
    CChild write(PENDRAK_CLI,
                 {"write", "--radio", emulator.Address(), "--image", image, "--backup-dir",
                  dir.Path("backups")},
                 {});
    ASSERT_TRUE(write.WaitForErr("Writing: ", 60000)) << write.Err();
    write.Signal(SIGINT);
    EXPECT_EQ(write.Wait(30000), 1);
    const std::string err = write.Err();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        err, m,
        std::regex("interrupted: .*; the radio now holds an incomplete list \\((\\d+) of (\\d+) "
                   "bytes written\\); `pendrak-cli write --radio (\\S+) --image (\\S+)` restores it")))
        << err;
    EXPECT_GT(std::stoll(m[1].str()), 0);
    EXPECT_EQ(m[2].str(), std::to_string(ContactImageUsedLength(MAX_CONTACTS)));
    EXPECT_EQ(m[3].str(), emulator.Address());
    EXPECT_TRUE(Exists(m[4].str())) << m[4].str();
}

// Only a Write makes an emulated radio; a Read or a look finds none.
TEST(CliRadio, AMissingEmulatorFileIsNoRadioToRead) {
    CTempDir dir;
    const std::string memory = dir.Path("absent.bin");
    for (const std::string command : {"read", "info"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args = {command, "--radio", "sim:" + memory};
        if (command == "read") args.insert(args.end(), {"-o", dir.Path("out.csv")});
        const ProcessResult r = RunCli(args, kFastLink);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
        EXPECT_FALSE(Exists(memory));
    }
}
