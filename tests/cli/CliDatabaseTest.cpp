// download and update through the real binary, against a server on
// loopback and the emulated radio.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "CliProcess.h"
#include "tests/platform/HttpTestServer.h"

namespace clitest {
namespace {

using httptest::Route;

const std::string kList =
    "RADIO_ID,CALLSIGN,STATE,COUNTRY\n2620001,DL1A,Bayern,Germany\n2620002,DL1B,Berlin,Germany\n"
    "3100001,W5A,Texas,United States\n3100002,W8B,Ohio,United States\n";

bool Has(const ProcessResult& r, const std::string& text) {
    return (r.out + r.err).find(text) != std::string::npos;
}

TEST(CliDatabase, DownloadSaysWhatCameAndKeepsTheList) {
    httptest::CHttpTestServer server;
    CTempDir dir;
    server.Set("/user.csv", Route(200, kList, "\"e1\""));
    Route page(200, "<html><title>Checking your browser</title></html>");
    page.strType = "text/html";
    server.Set("/page", page);
    server.Set("/gone", Route(404, "no"));
    const struct {
        const char* path;
        int exitCode;
        const char* text;
    } cases[] = {
        {"/user.csv", 0, "Downloaded 5 lines"},
        {"/user.csv", 0, "unchanged since"},
        {"/page", 1, "an HTML page titled \"Checking your browser\""},
        {"/gone", 1, "127.0.0.1: the server answered HTTP status 404"},
    };
    const std::string out = dir.Path("user.csv");
    for (const auto& c : cases) {
        const ProcessResult r = RunCli({"download", "--url", server.Url(c.path), "-o", out});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.path << r.err;
        EXPECT_TRUE(Has(r, c.text)) << c.path << ": " << r.out << r.err;
        EXPECT_EQ(ReadFile(out), kList) << c.path;
        EXPECT_EQ(ListDir(dir.Dir()).size(), 2u) << c.path;  // the list and user.csv.meta
    }
}

TEST(CliDatabase, UpdateWritesTheListWithOwnEntriesOntoTheRadio) {
    httptest::CHttpTestServer server;
    CTempDir dir;
    server.Set("/user.csv", Route(200, kList, "\"e1\""));
    WriteFile(dir.Path("own.csv"), "ID,Callsign\n2620002,MINE\n");
    const std::string radio = "sim:" + dir.Path("radio.bin");
    const std::vector<std::string> env = {"PENDRAK_TIMEOUT_SCALE=0.1",
                                          "XDG_CACHE_HOME=" + dir.Path("cache"),
                                          "LOCALAPPDATA=" + dir.Path("cache")};
    auto update = [&](std::vector<std::string> more) {
        std::vector<std::string> args = {"update",  "--radio",      radio,   "--url", server.Url("/user.csv"),
                                         "--own",   dir.Path("own.csv"), "--only", "United States/Texas",
                                         "--backup-dir", dir.Path("bin")};
        args.insert(args.end(), more.begin(), more.end());
        return RunCli(args, env);
    };
    ProcessResult r = update({});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r, "Own entries: 1 taken; 1 lines of the list replaced by them")) << r.out;
    EXPECT_TRUE(Has(r, "User database of ")) << r.out;
    r = RunCli({"read", "--radio", radio, "-o", dir.Path("back.csv"), "--no-backup"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string back = ReadFile(dir.Path("back.csv"));
    EXPECT_NE(back.find("2620002,MINE"), std::string::npos) << back;
    EXPECT_NE(back.find("3100001,W5A"), std::string::npos) << back;
    EXPECT_EQ(back.find("2620001"), std::string::npos) << back;
    EXPECT_EQ(back.find("3100002"), std::string::npos) << back;

    // Fresh: no request at all; then stale: a conditional one.
    r = update({});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(server.Requests().size(), 1u);
    r = update({"--max-age", "0"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(r, "unchanged since")) << r.out;
    EXPECT_EQ(server.Requests().size(), 2u);

    r = update({"--own", dir.Path("missing.csv")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "missing.csv")) << r.err;
    EXPECT_FALSE(Has(r, "written to the radio")) << r.out;
}

TEST(CliDatabase, CtrlCStopsAStalledDownloadAndLeavesNothing) {
    if (!CanSignal()) GTEST_SKIP() << "no console to send Ctrl-C to";
    httptest::CHttpTestServer server;
    CTempDir dir;
    Route stall(200, kList);
    stall.nSendOnly = 10;
    stall.nStallMs = 5000;
    server.Set("/stall", stall);
    CChild child(PENDRAK_CLI, {"download", "--url", server.Url("/stall"), "-o", dir.Path("user.csv")});
    for (int i = 0; i < 100 && server.Requests().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    child.Signal(SIGINT);
    EXPECT_EQ(child.Wait(1000), 1);
    EXPECT_NE(child.Err().find("download interrupted"), std::string::npos) << child.Err();
    EXPECT_TRUE(ListDir(dir.Dir()).empty());
}

}  // namespace
}  // namespace clitest
