// What only Windows does: the system's code page and locale, the program's
// own path through GetModuleFileNameA, and the USB link with no radio.
// CliChineseSystem runs with LC_ALL=zh_CN.UTF-8 (its own ctest entry), which
// gives a wine process code page 936 and locale 0804.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "contacts/ContactImage.h"

using namespace clitest;
namespace fs = std::filesystem;

namespace {

void NeedChineseSystem() {
    if (GetACP() == 936) return;
    if (std::getenv("PENDRAK_EXPECT_CHINESE")) FAIL() << "code page " << GetACP() << ", not 936";
    GTEST_SKIP() << "needs a Simplified Chinese system (code page 936)";
}

TEST(CliChineseSystem, ProgramNameWithABackslashTrailByteFindsItsData) {
    NeedChineseSystem();
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFailure()) return;
    EXPECT_EQ(GetSystemDefaultLCID(), 0x0804u);
    // 乗 is 81 5C in GBK: cut at that 5C, the folder would lose its Data.
    CTempDir dir;
    const std::string program = dir.Path("\x81\x5C.exe");
    ASSERT_TRUE(CopyFileA(PENDRAK_CLI, program.c_str(), TRUE)) << GetLastError();
    fs::copy(fs::path(PENDRAK_CLI).parent_path() / "Data", dir.Path("Data"), fs::copy_options::recursive);
    WriteFile(dir.Path("c.csv"), "1001,BA1AA,\xD5\xC5\xC8\xFD,,,,,,\r\n");

    ProcessResult r = RunProgram(program, {"import", dir.Path("c.csv"), "--image", dir.Path("out.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Can not find the file setting!"), std::string::npos) << r.err;

    // The language follows the system: the same text as asking for lang_cn.
    const std::string good = dir.Path("out.bin");
    r = RunProgram(program, {"export", good, "-o", dir.Path("x.txt")});
    const ProcessResult cn = RunCli({"export", good, "-o", dir.Path("x.txt"), "--lang", "lang_cn"});
    const ProcessResult en = RunCli({"export", good, "-o", dir.Path("x.txt"), "--lang", "lang_en"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, cn.err);
    EXPECT_NE(r.err, en.err);

    // Contact texts are shown in the system's code page: GBK bytes decode.
    r = RunProgram(program, {"list", dir.Path("c.csv")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("张三"), std::string::npos) << r.out;

    // find takes its text in the system's code page, as typed: 张 in GBK.
    r = RunProgram(program, {"find", "\xD5\xC5", dir.Path("c.csv")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("张三"), std::string::npos) << r.out;
}

TEST(CliWindows, WesternSystemShowsEnglishAndItsOwnCodePage) {
    if (GetACP() == 936) GTEST_SKIP() << "a Chinese system";
    CTempDir dir;
    WriteFile(dir.Path("c.csv"), "1001,BA1AA,\xD5\xC5\xC8\xFD,,,,,,\r\n");
    WriteFile(dir.Path("good.bin"), std::string(pendrak::CONTACT_IMAGE_SIZE, '\0'));
    const ProcessResult r = RunCli({"list", dir.Path("c.csv")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("张三"), std::string::npos) << r.out;
    const ProcessResult plain = RunCli({"export", dir.Path("good.bin"), "-o", dir.Path("x.txt")});
    const ProcessResult cn = RunCli({"export", dir.Path("good.bin"), "-o", dir.Path("x.txt"), "--lang", "lang_cn"});
    EXPECT_NE(plain.err, cn.err);
}

// CTempDir's paths join with '/': every message shows backslashes instead.
TEST(CliWindows, MessagesShowPathsWithBackslashes) {
    CTempDir dir;
    const std::string small = dir.Path("small.bin");
    WriteFile(small, "x");
    const struct {
        std::vector<std::string> args;
        std::string name;
    } cases[] = {
        {{"export", dir.Path("missing.bin"), "-o", dir.Path("x.csv")}, "\\missing.bin"},
        {{"list", small}, "\\small.bin"},
        {{"find", "x", dir.Path("missing.csv")}, "\\missing.csv"},
        {{"import", dir.Path("c.csv"), "--image", dir.Path("x.bin")}, "\\c.csv"},
        {{"info", "--radio", "sim:" + dir.Path("no/such/radio.bin")}, "\\no\\such\\radio.bin"},
        {{"list", small, "--lang", "lang_xx"}, "\\Data\\lang_xx.lng"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = RunCli(c.args);
        EXPECT_NE(r.exitCode, 0) << c.name;
        EXPECT_NE(r.err.find(c.name), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('/'), std::string::npos) << r.err;
    }
}

// The program carries icon 128 and a version resource naming itself.
TEST(CliWindows, ProgramResources) {
    HMODULE module = LoadLibraryExA(PENDRAK_CLI, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(128), MAKEINTRESOURCEA(14)), nullptr);  // RT_GROUP_ICON
    FreeLibrary(module);

    DWORD ignored = 0;
    std::string info(GetFileVersionInfoSizeA(PENDRAK_CLI, &ignored), '\0');
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(PENDRAK_CLI, 0, static_cast<DWORD>(info.size()), info.data()));
    for (const auto& [key, expected] : {std::pair<const char*, std::string>{"FileVersion", PENDRAK_VERSION},
                                        {"OriginalFilename", "pendrak-cli.exe"}}) {
        char* value = nullptr;
        UINT length = 0;
        const std::string path = std::string("\\StringFileInfo\\080403a8\\") + key;
        ASSERT_TRUE(VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) << key;
        EXPECT_EQ(std::string(value), expected) << key;
    }
}

// No radio on this machine (none under wine): the SetupAPI search ends
// cleanly, at once, with the reason.
TEST(CliWindows, UsbWithoutARadioFailsCleanly) {
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = RunCli({"info", "--radio", "usb"});
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("no radio found on USB"), std::string::npos) << r.err;
    EXPECT_LT(seconds, 20);
}

}  // namespace
