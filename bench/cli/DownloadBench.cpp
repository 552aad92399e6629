// The user database over loopback. Speed: HttpGet and the whole download
// into a file, each beside a plain socket read of the same bytes. Memory:
// the peak of `pendrak-cli download` for lists of two sizes beside a tiny
// one. Time: `update` of the 290,000-line list onto a sim: radio beside the
// Write of the same contacts alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ProcessRun.h"
#include "csv/UserDatabase.h"
#include "platform/HttpClient.h"
#include "tests/platform/HttpTestServer.h"

namespace {

namespace fs = std::filesystem;

std::string MakeList(size_t bytes) {
    std::string text = "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY\n";
    for (int id = 1000000; text.size() < bytes; ++id)
        text += std::to_string(id) + ",DL" + std::to_string(id % 9973) +
                ",Firstname,Lastname,Some City,Some State,Germany\n";
    return text;
}

struct CBench {
    httptest::CHttpTestServer server;
    fs::path dir = fs::temp_directory_path() / "pendrak-download-bench";
    CBench() {
        fs::create_directories(dir);
        server.Set("/17mb", httptest::Route(200, MakeList(17u << 20)));
        server.Set("/51mb", httptest::Route(200, MakeList(51u << 20)));
        server.Set("/tiny", httptest::Route(200, MakeList(100)));
    }
    ~CBench() { fs::remove_all(dir); }
};

CBench& Bench() {
    static CBench bench;
    return bench;
}

// A child's run with its own peak memory: wait4's figure would hold the
// bench's (the server's lists) from before exec, so VmHWM of the child's
// new memory is read until it ends.
benchproc::ProcessRun RunMeasured(const std::vector<std::string>& args) {
    std::vector<std::string> all = {PENDRAK_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    benchproc::ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int started = posix_spawn(&pid, PENDRAK_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return run;
    int status = 0;
    rusage usage{};
    const std::string proc = "/proc/" + std::to_string(pid) + "/status";
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        std::ifstream in(proc);
        for (std::string line; std::getline(in, line);)
            if (line.rfind("VmHWM:", 0) == 0) run.peakMb = std::atof(line.c_str() + 6) / 1024;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    run.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CCount : public pendrak::IHttpBodySink {
public:
    bool OnBody(const char*, size_t size) override {
        m_nBytes += static_cast<int64_t>(size);
        return true;
    }
    int64_t m_nBytes = 0;
};

void BM_LoopbackSocketRead(benchmark::State& state) {  // the baseline
    int64_t bytes = 0;
    for (auto _ : state) {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(Bench().server.Port()));
        connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        const std::string request = "GET /17mb HTTP/1.1\r\nHost: x\r\n\r\n";
        send(s, request.data(), request.size(), 0);
        static char buffer[1 << 16];
        for (ssize_t got; (got = recv(s, buffer, sizeof buffer, 0)) > 0;) bytes += got;
        close(s);
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_LoopbackSocketRead)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_HttpGet(benchmark::State& state) {
    int64_t bytes = 0;
    for (auto _ : state) {
        pendrak::HttpRequest request;
        request.strUrl = Bench().server.Url("/17mb");
        CCount sink;
        if (!pendrak::HttpGet(request, sink).Ok()) state.SkipWithError("download failed");
        bytes += sink.m_nBytes;
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_HttpGet)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_DownloadDatabaseToFile(benchmark::State& state) {
    int64_t bytes = 0;
    for (auto _ : state) {
        pendrak::DatabaseDownloadRequest request;
        request.http.strUrl = Bench().server.Url("/17mb");
        request.strPath = (Bench().dir / "user.csv").string();
        const auto r = pendrak::DownloadDatabase(request, 0);
        if (r.outcome != pendrak::DatabaseDownloadResult::Downloaded) state.SkipWithError(r.strMessage.c_str());
        bytes += r.info.nBytes;
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_DownloadDatabaseToFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Peak resident memory of the whole program; `tiny` is its baseline.
void BM_DownloadProcessPeakMemory(benchmark::State& state, const char* path) {
    benchproc::ProcessRun run;
    for (auto _ : state) {
        const std::string out = (Bench().dir / "mem.csv").string();
        fs::remove(out);
        fs::remove(out + ".meta");
        run = RunMeasured({"download", "-q", "--url", Bench().server.Url(path), "-o", out});
        if (run.exitCode != 0) state.SkipWithError("download failed");
        state.SetIterationTime(run.wallMs / 1e3);
    }
    state.counters["peak_MB"] = run.peakMb;
    state.counters["child_cpu_ms"] = run.cpuMs;
}
BENCHMARK_CAPTURE(BM_DownloadProcessPeakMemory, tiny_baseline, "/tiny")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DownloadProcessPeakMemory, 17MB, "/17mb")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DownloadProcessPeakMemory, 51MB, "/51mb")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The generated RadioID-style list served; its image made once for the Write alone.
struct CRadioIdList {
    std::string list = (Bench().dir / "radioid.csv").string();
    std::string image = (Bench().dir / "radioid.bin").string();
    CRadioIdList() {
        benchproc::RunProcess(PENDRAK_DEMO_RADIOID, {"-o", list});
        std::ifstream in(list, std::ios::binary);
        Bench().server.Set("/radioid", httptest::Route(200, {std::istreambuf_iterator<char>(in), {}}));
        benchproc::RunProcess(PENDRAK_CLI, {"import", list, "--image", image});
        setenv("XDG_CACHE_HOME", (Bench().dir / "cache").c_str(), 1);
    }
};

void BM_UpdateOrWriteOntoSim(benchmark::State& state, bool update) {
    static CRadioIdList files;
    const std::string radio = "sim:" + (Bench().dir / "radio.bin").string();
    double cpuMs = 0;
    for (auto _ : state) {
        // --max-age 0 and no validators: the whole list comes every time.
        fs::remove(Bench().dir / "cache" / "pendrak" / "user.csv.meta");
        const benchproc::ProcessRun run =
            update ? RunMeasured({"update", "-q", "--radio", radio, "--max-age", "0", "--url",
                                  Bench().server.Url("/radioid"), "--no-backup"})
                   : RunMeasured({"write", "-q", "--radio", radio, "--image", files.image, "--no-backup"});
        if (run.exitCode != 0) state.SkipWithError("pendrak-cli failed");
        state.SetIterationTime(run.wallMs / 1e3);
        cpuMs += run.cpuMs;
    }
    // On a busy machine the wall time waits for the processor too.
    state.counters["child_cpu_ms"] = cpuMs / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_UpdateOrWriteOntoSim, write_alone_baseline, false)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_UpdateOrWriteOntoSim, update_290000_lines, true)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
