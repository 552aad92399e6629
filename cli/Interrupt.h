// Ctrl-C and SIGTERM (Ctrl-Break on Windows): the first one asks the running
// command to stop and lets it clean up; a second one ends the program at once.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "radio/RadioJob.h"

namespace pendrak::cli {

// Once, before the command runs, so that no moment is left unguarded.
void InstallInterruptHandler();
// The job that an interrupt stops (null: none).
void SetInterruptibleJob(RadioJob* job);
bool Interrupted();
// The flag an interrupt sets, for loops that watch it themselves.
std::atomic<bool>& InterruptFlag();

// Runs `work` on a thread of its own while this one calls `tick` (when given)
// about every 20 ms; what `work` throws is thrown here. After an interrupt
// the work has half a second to end by itself (a radio job ends between
// blocks). Work still stuck in a wait then (a radio that does not answer) is
// left behind: every pending output is removed, the line `abandon` gives is
// printed and the program ends at once with exit code 1.
void RunInterruptible(const std::function<void()>& work, const std::function<void()>& tick,
                      const std::function<std::string()>& abandon);

}  // namespace pendrak::cli
