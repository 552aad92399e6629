// pendrak-cli find as a whole process over 130,000 contacts, from an image
// file and from a CSV file. Baselines in the same run: the process doing
// nothing (--version) and list, which loads the same file and prints a page.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs the program with its output thrown away; its exit status, or -1.
int Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (rc != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// 130,000 demo contacts as CSV and as image, made once; the callsign of the
// last contact, found only on the last page.
struct Files {
    std::string dir, csv, bin, lastCall;
    Files() {
        char pattern[] = "/tmp/pendrak-clibench.XXXXXX";
        dir = mkdtemp(pattern);
        csv = dir + "/contacts.csv";
        bin = dir + "/contacts.bin";
        Run({PENDRAK_DEMO_CONTACTS, "--count", "130000", "-o", csv});
        Run({PENDRAK_CLI, "import", csv, "--image", bin});
        const std::string command = std::string(PENDRAK_CLI) + " list " + bin + " --page 650";
        if (FILE* out = popen(command.c_str(), "r")) {
            char line[512];
            std::string last;
            while (std::fgets(line, sizeof line, out)) last = line;
            pclose(out);
            char call[64] = "";
            if (std::sscanf(last.c_str(), "%*s %*s %63s", call) == 1) lastCall = call;
        }
    }
    ~Files() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const Files& TheFiles() {
    static const Files files;
    return files;
}

void RunEach(benchmark::State& state, const std::vector<std::string>& args) {
    for (auto _ : state) {
        const int status = Run(args);
        if (status < 0 || status > 1) {
            state.SkipWithError("pendrak-cli failed");
            break;
        }
    }
}

void BM_ProcessVersionBaseline(benchmark::State& state) {
    RunEach(state, {PENDRAK_CLI, "--version"});
}
BENCHMARK(BM_ProcessVersionBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arg 0 the image, 1 the CSV.
void BM_ListBaseline(benchmark::State& state) {
    const Files& f = TheFiles();
    RunEach(state, {PENDRAK_CLI, "list", state.range(0) ? f.csv : f.bin, "--page", "650"});
}
BENCHMARK(BM_ListBaseline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arg 0: the last contact's callsign; 1: a text found nowhere. Second arg: image, CSV.
void BM_Find(benchmark::State& state) {
    const Files& f = TheFiles();
    if (f.lastCall.empty()) {
        state.SkipWithError("no contacts were made");
        return;
    }
    RunEach(state, {PENDRAK_CLI, "find", state.range(0) ? "zzqqzz" : f.lastCall,
                    state.range(1) ? f.csv : f.bin});
    state.SetLabel(state.range(0) ? "no match" : f.lastCall);
}
BENCHMARK(BM_Find)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
