// pendrak-cli as whole processes on the in-process radio emulator holding
// 130,000 contacts: info, and the demo's write and read (with their
// backups), the write also with its verifying read-back. Baseline in the
// same run: the process start alone (--version). With PENDRAK_BASELINE_CLI
// naming another build's pendrak-cli, its info, write and read run too.
// Also find over the same 130,000 contacts, from the image and from the CSV
// file, beside list of the last page, which loads the file just as find does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
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

// The callsign of the last contact in the list, found on the last page only.
std::string LastCallsign() {
    std::string last;
    const std::string command = std::string(PENDRAK_CLI) + " list " + At("w.bin") + " --page 650";
    if (FILE* out = Prepare() ? popen(command.c_str(), "r") : nullptr) {
        char line[512];
        while (std::fgets(line, sizeof line, out)) last = line;
        pclose(out);
    }
    char call[64] = "";
    return std::sscanf(last.c_str(), "%*s %*s %63s", call) == 1 ? call : "";
}

// exitCode: what the command must end with (find that finds nothing: 1).
void BM_Process(benchmark::State& state, std::string program, std::vector<std::string> args,
                int exitCode) {
    if (!Prepare()) {
        state.SkipWithError("could not prepare the radio");
        return;
    }
    for (auto _ : state)
        if (Run(program, args) != exitCode) state.SkipWithError("the command failed");
}

void Register(const char* name, const std::string& program, std::vector<std::string> args,
              int exitCode = 0) {
    benchmark::RegisterBenchmark(name, BM_Process, program, std::move(args), exitCode)
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
    const std::string lastCall = LastCallsign();
    for (const std::string file : {"w.bin", "c.csv"}) {
        const std::string path = At(file.c_str());
        Register(("list, last page of " + file + " (baseline)").c_str(), cli,
                 {"list", path, "--page", "650"});
        Register(("find the last callsign in " + file).c_str(), cli, {"find", lastCall, path});
        Register(("find nothing in " + file).c_str(), cli, {"find", "zzqqzz", path}, 1);
    }
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
