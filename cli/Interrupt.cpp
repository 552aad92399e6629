#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

namespace pendrak::cli {

namespace {

std::atomic<bool> g_bInterrupted{false};
std::atomic<RadioJob*> g_pJob{nullptr};

extern "C" void OnInterrupt(int sig) {
    g_bInterrupted.store(true);
    if (RadioJob* job = g_pJob.load()) job->bStopRequested.store(true);
    std::signal(sig, SIG_DFL);
}

}  // namespace

void InstallInterruptHandler() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

void SetInterruptibleJob(RadioJob* job) {
    g_pJob.store(job);
    if (job && g_bInterrupted.load()) job->bStopRequested.store(true);
}

bool Interrupted() { return g_bInterrupted.load(); }

std::atomic<bool>& InterruptFlag() { return g_bInterrupted; }

}  // namespace pendrak::cli
