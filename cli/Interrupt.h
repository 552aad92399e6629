// Ctrl-C and SIGTERM: the first one asks the running radio job to stop
// between blocks and lets the command clean up; a second one ends the
// program at once.
#pragma once

#include "radio/RadioJob.h"

namespace pendrak::cli {

void InstallInterruptHandler();
// The job that an interrupt stops (null: none).
void SetInterruptibleJob(RadioJob* job);
bool Interrupted();

}  // namespace pendrak::cli
