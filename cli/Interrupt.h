// Ctrl-C and SIGTERM: the first one asks the running radio job to stop
// between blocks and lets the command clean up; a second one ends the
// program at once.
#pragma once

#include <atomic>

#include "radio/RadioJob.h"

namespace pendrak::cli {

void InstallInterruptHandler();
// The job that an interrupt stops (null: none).
void SetInterruptibleJob(RadioJob* job);
bool Interrupted();
// The flag an interrupt sets, for loops that watch it themselves.
std::atomic<bool>& InterruptFlag();

}  // namespace pendrak::cli
