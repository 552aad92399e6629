// The whole `pendrak-cli import` process on the RadioID-style list of
// 290,000 lines (about 17 MB) with a prefer list and conversion into GBK,
// beside the same process importing an empty file: the baseline that holds
// the program, the cleared image and its file. Time is the process's wall
// time; memory its peak resident size, and how far that is above the
// baseline's.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Run {
    bool ok = false;
    double wallMs = 0, cpuMs = 0, peakMb = 0;
};

// Runs the program with stdout and stderr to /dev/null.
Run RunProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

const fs::path& WorkDir() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("pendrak-import-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        std::FILE* empty = std::fopen((d / "empty.csv").c_str(), "wb");
        if (empty) std::fclose(empty);
        RunProcess({PENDRAK_DEMO_RADIOID, "-o", (d / "user.csv").string()});
        return d;
    }();
    return dir;
}

double g_baselinePeakMb = 0;

void Measure(benchmark::State& state, const std::vector<std::string>& args, bool baseline) {
    double cpu = 0, peak = 0;
    for (auto _ : state) {
        const Run run = RunProcess(args);
        if (!run.ok) {
            state.SkipWithError("pendrak-cli import failed");
            return;
        }
        state.SetIterationTime(run.wallMs / 1e3);
        cpu += run.cpuMs;
        peak = std::max(peak, run.peakMb);
    }
    if (baseline) g_baselinePeakMb = peak;
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
    state.counters["peak_rss_MB"] = peak;
    if (!baseline) state.counters["above_baseline_MB"] = peak - g_baselinePeakMb;
}

void BM_BaselineImportEmptyFile(benchmark::State& state) {
    const fs::path& dir = WorkDir();
    Measure(state, {PENDRAK_CLI, "import", (dir / "empty.csv").string(), "--image", (dir / "out.bin").string(),
                    "--codepage", "GBK"},
            true);
}
BENCHMARK(BM_BaselineImportEmptyFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ImportRadioIdPreferGbk(benchmark::State& state) {
    const fs::path& dir = WorkDir();
    Measure(state, {PENDRAK_CLI, "import", (dir / "user.csv").string(), "--image", (dir / "out.bin").string(),
                    "--prefer", "460,461", "--codepage", "GBK"},
            false);
}
BENCHMARK(BM_ImportRadioIdPreferGbk)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(WorkDir(), ec);
    return 0;
}
