// Outputs: refused when they are one file with an input or with each other,
// written whole under any valid name and through symbolic links, named
// causes when they cannot be, and none left by an interrupted import.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>

#include "CliProcess.h"
#include "contacts/ContactImage.h"
#include "csv/ContactCsv.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace clitest;
using namespace pendrak;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::string Shown(const std::vector<std::string>& args) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    return shown;
}

TEST(CliSameFile, OneFileNamedTwiceIsRefusedBeforeAnythingIsTouched) {
    CTempDir dir;
    const std::string csv = dir.Path("a.csv"), image = dir.Path("image.csv");
    const std::string csvBytes = "1001,A,,,,,,,\r\n", imageBytes(CONTACT_IMAGE_SIZE, '\0');
    WriteFile(csv, csvBytes);
    WriteFile(image, imageBytes);  // an image file, whatever its name
    const std::string sim = "sim:" + dir.Path("radio.bin");
    std::vector<std::vector<std::string>> cases = {
        {"import", csv, "--image", csv},
        {"import", csv, "--image", dir.Dir() + "/./a.csv"},
        {"export", image, "-o", image},
        {"write", "--radio", "sim:" + csv, csv},
        {"write", "--radio", "sim:" + image, "--image", image},
        // Outputs that do not exist yet, and the radio's memory that does not either.
        {"read", "--radio", sim, "-o", dir.Path("x.csv"), "--image", dir.Path("x.csv")},
        {"read", "--radio", sim, "-o", dir.Path("x.csv"), "--image", dir.Dir() + "/sub/../x.csv"},
        {"read", "--radio", "sim:" + dir.Path("m.csv"), "-o", dir.Path("m.csv")},
    };
#ifdef _WIN32
    cases.push_back({"import", csv, "--image", dir.Path("A.CSV")});
#else
    fs::create_directory(dir.Path("sub"));
    fs::create_hard_link(csv, dir.Path("hard.bin"));
    fs::create_symlink("a.csv", dir.Path("link.bin"));
    fs::create_symlink("t.csv", dir.Path("dangling.csv"));
    cases.push_back({"import", csv, "--image", dir.Path("hard.bin")});
    cases.push_back({"import", csv, "--image", dir.Path("link.bin")});
    cases.push_back(
        {"read", "--radio", sim, "-o", dir.Path("dangling.csv"), "--image", dir.Path("t.csv")});
#endif
    const std::vector<std::string> before = Sorted(ListDir(dir.Dir()));
    for (const auto& args : cases) {
        const ProcessResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << Shown(args) << "\n" << r.err;
        EXPECT_NE(r.err.find("same file"), std::string::npos) << Shown(args) << "\n" << r.err;
    }
    EXPECT_TRUE(ReadFile(csv) == csvBytes);
    EXPECT_TRUE(ReadFile(image) == imageBytes);
    EXPECT_EQ(Sorted(ListDir(dir.Dir())), before) << "a refused command created a file";
}

// The base is read whole before anything is written, so it may be updated in place.
TEST(CliSameFile, BaseMayBeTheImageItUpdates) {
    CTempDir dir;
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    for (int n = 0; n < 50; ++n) image->SetContactRadioId(n, 7000 + n);
    image->SetContactCount(50);
    const std::string base = dir.Path("radio.bin"), csv = dir.Path("c.csv");
    WriteFile(base, std::string(reinterpret_cast<const char*>(image->Bytes()), CONTACT_IMAGE_SIZE));
    WriteFile(csv, "1002,B,,,,,,,\r\n1001,A,,,,,,,\r\n");
    ASSERT_EQ(ImportContactsCsvFile(*image, csv).count, 2);

    const ProcessResult r = RunCli({"import", csv, "--image", base, "--base", base});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(base) ==
                std::string(reinterpret_cast<const char*>(image->Bytes()), CONTACT_IMAGE_SIZE));
}

class CliOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        m_image = m_dir.Path("contacts.bin");
        const std::string csv = m_dir.Path("contacts.csv");
        ASSERT_EQ(RunProgram(PENDRAK_DEMO_CONTACTS, {"--count", "300", "-o", csv}).exitCode, 0);
        ASSERT_EQ(RunCli({"import", csv, "--image", m_image}).exitCode, 0);
        ASSERT_EQ(RunCli({"export", m_image, "-o", m_dir.Path("expected.csv")}).exitCode, 0);
        m_expected = ReadFile(m_dir.Path("expected.csv"));
    }
    CTempDir m_dir;
    std::string m_image, m_expected;
};

TEST_F(CliOutputs, ALongValidNameWorks) {
#ifdef _WIN32
    GTEST_SKIP() << "the whole path of a Windows program is held to 260 characters";
#endif
    const std::string stem(246, 'n');
    ProcessResult r = RunCli({"export", m_image, "-o", m_dir.Path(stem + ".csv")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(m_dir.Path(stem + ".csv")) == m_expected);
    r = RunCli({"import", m_dir.Path(stem + ".csv"), "--image", m_dir.Path(stem + ".bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(m_dir.Path(stem + ".bin")) == ReadFile(m_image));
    EXPECT_EQ(ListDir(m_dir.Dir()).size(), 5u) << "a temporary file was left";
}

#ifndef _WIN32
TEST_F(CliOutputs, SymbolicLinkIsWrittenThroughToItsTarget) {
    fs::create_directory(m_dir.Path("real"));
    WriteFile(m_dir.Path("real/old.csv"), "old contents\r\n");
    struct Case {
        const char* what;
        std::string link, target;
    };
    fs::create_symlink("real/old.csv", m_dir.Path("existing.csv"));
    fs::create_symlink("real/new.csv", m_dir.Path("dangling.csv"));
    fs::create_symlink("existing.csv", m_dir.Path("chain.csv"));
    for (const Case& c : {Case{"to a file", "existing.csv", "real/old.csv"},
                          Case{"to a name not yet there", "dangling.csv", "real/new.csv"},
                          Case{"to a link", "chain.csv", "real/old.csv"}}) {
        SCOPED_TRACE(c.what);
        fs::remove(m_dir.Path(c.target));
        const ProcessResult r = RunCli({"export", m_image, "-o", m_dir.Path(c.link)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(fs::is_symlink(m_dir.Path(c.link)));
        EXPECT_TRUE(ReadFile(m_dir.Path(c.target)) == m_expected);
    }
    EXPECT_EQ(ListDir(m_dir.Path("real")).size(), 2u) << "a temporary file was left";
}
#endif

TEST_F(CliOutputs, FileErrorsNameTheirCause) {
    fs::create_directory(m_dir.Path("folder.csv"));
    struct Case {
        std::vector<std::string> args;
        std::string cause;
    };
    const Case cases[] = {
        {{"import", m_dir.Path("folder.csv"), "--image", m_dir.Path("out.bin")}, "is a folder"},
        {{"list", m_dir.Path("folder.csv")}, "is a folder"},
        {{"export", m_image, "-o", m_dir.Path("folder.csv")}, "is a folder"},
        {{"export", m_dir.Path("folder.csv"), "-o", m_dir.Path("out.csv")}, "is a folder"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 1) << Shown(c.args);
        EXPECT_NE(r.err.find(c.cause), std::string::npos) << Shown(c.args) << "\n" << r.err;
        EXPECT_EQ(r.err.find("access denied"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(Exists(m_dir.Path("out.bin")));
    EXPECT_FALSE(Exists(m_dir.Path("out.csv")));
}

#ifdef __linux__
// In a mount namespace of its own, where a read-only tmpfs can be mounted.
TEST_F(CliOutputs, ReadOnlyFileSystemIsNamed) {
    if (!Exists("/usr/bin/unshare")) GTEST_SKIP() << "no unshare(1)";
    fs::create_directory(m_dir.Path("ro"));
    const std::string script =
        "mount -t tmpfs -o ro,size=64k tmpfs \"$1\" || exit 99; shift; exec \"$@\"";
    for (const auto& out :
         {std::vector<std::string>{"export", m_image, "-o", m_dir.Path("ro/x.csv")},
          std::vector<std::string>{"import", m_dir.Path("expected.csv"), "--image",
                                   m_dir.Path("ro/x.bin")}}) {
        std::vector<std::string> args = {"-rm",      "sh", "-c", script, "sh", m_dir.Path("ro"),
                                         PENDRAK_CLI};
        args.insert(args.end(), out.begin(), out.end());
        const ProcessResult r = RunProgram("/usr/bin/unshare", args);
        if (r.exitCode == 99 || r.err.find("unshare failed") != std::string::npos)
            GTEST_SKIP() << "mounting a file system is not allowed here: " << r.err;
        EXPECT_EQ(r.exitCode, 1) << Shown(out);
        EXPECT_NE(r.err.find("read-only file system"), std::string::npos) << r.err;
    }
}
#endif

#ifndef _WIN32
// True once the process has the file open.
bool HasOpen(long pid, const std::string& path, int timeoutMs) {
    struct stat file {};
    if (stat(path.c_str(), &file) != 0) return false;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
            struct stat open {};
            if (stat(fd.path().c_str(), &open) == 0 && open.st_dev == file.st_dev &&
                open.st_ino == file.st_ino)
                return true;
        }
        usleep(10000);
    } while (Clock::now() < end);
    return false;
}

TEST(CliInterrupt, ImportFromASourceThatNeverEndsStopsAndWritesNothing) {
    CTempDir dir;
    const std::string fifo = dir.Path("fifo.csv");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string source;
        int sig;
    };
    for (const Case& c : {Case{fifo, SIGINT}, Case{"/dev/zero", SIGTERM}}) {
        SCOPED_TRACE(c.source);
        CChild import(PENDRAK_CLI, {"import", c.source, "--image", dir.Path("out.bin")});
        ASSERT_TRUE(HasOpen(import.Id(), c.source, 10000)) << import.Err();
        import.Signal(c.sig);
        EXPECT_EQ(import.Wait(10000), 1);
        EXPECT_NE(import.Err().find("interrupted"), std::string::npos) << import.Err();
        EXPECT_EQ(ListDir(dir.Dir()), std::vector<std::string>{"fifo.csv"});
    }
}
#endif

}  // namespace
