#include "cli/Interrupt.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>

#include "cli/CliCommon.h"
#include "cli/PendingOutput.h"
#include "platform/System.h"

namespace pendrak::cli {

namespace {

std::atomic<bool> g_bInterrupted{false};
std::atomic<RadioJob*> g_pJob{nullptr};

constexpr auto ABANDON_AFTER = std::chrono::milliseconds(500);
constexpr uint32_t WATCH_MS = 20;

extern "C" void OnInterrupt(int sig) {
    g_bInterrupted.store(true);
    if (RadioJob* job = g_pJob.load()) job->bStopRequested.store(true);
    std::signal(sig, SIG_DFL);
}

}  // namespace

void InstallInterruptHandler() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#ifdef SIGBREAK
    std::signal(SIGBREAK, OnInterrupt);  // Ctrl-Break in a Windows console
#endif
}

void SetInterruptibleJob(RadioJob* job) {
    g_pJob.store(job);
    if (job && g_bInterrupted.load()) job->bStopRequested.store(true);
}

bool Interrupted() { return g_bInterrupted.load(); }

std::atomic<bool>& InterruptFlag() { return g_bInterrupted; }

void RunInterruptible(const std::function<void()>& work, const std::function<void()>& tick,
                      const std::function<std::string()>& abandon) {
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
    });
    using Clock = std::chrono::steady_clock;
    Clock::time_point interruptedAt{};
    while (!done.load()) {
        if (tick) tick();
        if (Interrupted()) {
            const Clock::time_point now = Clock::now();
            if (interruptedAt == Clock::time_point{}) interruptedAt = now;
            if (now - interruptedAt >= ABANDON_AFTER) {
                // The worker still holds the link and the image: no destructor may run.
                DiscardPendingOutputs();
                PrintError(abandon());
                std::fflush(nullptr);
                std::_Exit(EXIT_FAILED);
            }
        }
        SleepMs(WATCH_MS);
    }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace pendrak::cli
