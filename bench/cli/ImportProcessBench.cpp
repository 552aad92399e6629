// The whole `pendrak-cli import` process on the RadioID-style list of
// 290,000 lines (about 17 MB) with a prefer list and conversion into GBK,
// beside the same process importing an empty file: the baseline that holds
// the program, the cleared image and its file. Time is the process's wall
// time; memory its peak resident size, and how far that is above the
// baseline's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ProcessRun.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDir() {
    static const fs::path dir = [] {
        const fs::path d =
            fs::temp_directory_path() / ("pendrak-import-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        std::FILE* empty = std::fopen((d / "empty.csv").c_str(), "wb");
        if (empty) std::fclose(empty);
        benchproc::RunProcess(PENDRAK_DEMO_RADIOID, {"-o", (d / "user.csv").string()});
        return d;
    }();
    return dir;
}

double g_baselinePeakMb = 0;

void Measure(benchmark::State& state, const std::vector<std::string>& args, bool baseline) {
    double cpu = 0, peak = 0;
    for (auto _ : state) {
        const benchproc::ProcessRun run = benchproc::RunProcess(PENDRAK_CLI, args);
        if (run.exitCode != 0) {
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
    Measure(state,
            {"import", (dir / "empty.csv").string(), "--image", (dir / "out.bin").string(),
             "--codepage", "GBK"},
            true);
}
BENCHMARK(BM_BaselineImportEmptyFile)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

void BM_ImportRadioIdPreferGbk(benchmark::State& state) {
    const fs::path& dir = WorkDir();
    Measure(state,
            {"import", (dir / "user.csv").string(), "--image", (dir / "out.bin").string(),
             "--prefer", "460,461", "--codepage", "GBK"},
            false);
}
BENCHMARK(BM_ImportRadioIdPreferGbk)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(WorkDir(), ec);
    return 0;
}
