// pendrak-cli as whole processes on the in-process radio emulator holding
// 130,000 contacts: info, and the demo's write and read (with their
// backups), the write also with its verifying read-back. Baseline in the
// same run: the process start alone (--version). With PENDRAK_BASELINE_CLI
// naming another build's pendrak-cli, its info, write and read run too.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ProcessRun.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Work() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("pendrak-clibench-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

std::string At(const char* name) {
    return (Work() / name).string();
}

// Exit status of program with args, its output thrown away.
int Run(const std::string& program, const std::vector<std::string>& args) {
    return benchproc::RunProcess(program, args).exitCode;
}

// The demo's list, imported into an image and written to the radio once.
bool Prepare() {
    static const bool ready = [] {
        return Run(PENDRAK_DEMO_CONTACTS, {"--count", "130000", "-o", At("c.csv")}) == 0 &&
               Run(PENDRAK_CLI, {"import", At("c.csv"), "--image", At("w.bin")}) == 0 &&
               Run(PENDRAK_CLI, {"write", "--radio", "sim:" + At("r.bin"), "--image", At("w.bin"),
                                 "-q", "--no-backup"}) == 0;
    }();
    return ready;
}

void BM_Process(benchmark::State& state, std::string program, std::vector<std::string> args) {
    if (!Prepare()) {
        state.SkipWithError("could not prepare the radio");
        return;
    }
    for (auto _ : state)
        if (Run(program, args) != 0) state.SkipWithError("the command failed");
}

void Register(const char* name, const std::string& program, std::vector<std::string> args) {
    benchmark::RegisterBenchmark(name, BM_Process, program, std::move(args))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(10);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cli = PENDRAK_CLI, radio = "sim:" + At("r.bin");
    const std::vector<std::string> backup = {"--backup-dir", At("Bin")};
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    Register("process start (baseline)", cli, {"--version"});
    Register("info", cli, {"info", "--radio", radio});
    Register("write 130000", cli,
             with({"write", "--radio", radio, "--image", At("w.bin"), "-q"}, backup));
    Register("read 130000", cli,
             with({"read", "--radio", radio, "--image", At("o.bin"), "-q"}, backup));
    Register("write 130000 --verify", cli,
             with({"write", "--radio", radio, "--image", At("w.bin"), "-q", "--verify"}, backup));
    if (const char* old = std::getenv("PENDRAK_BASELINE_CLI")) {
        Register("baseline build: info", old, {"info", "--radio", radio});
        Register("baseline build: write 130000", old,
                 {"write", "--radio", radio, "--image", At("w.bin"), "-q"});
        Register("baseline build: read 130000", old,
                 {"read", "--radio", radio, "--image", At("o.bin"), "-q"});
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Work(), ec);
    return 0;
}
