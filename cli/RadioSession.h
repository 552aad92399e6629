// Running a Read or Write job against the radio from the command line: the
// dialog's connection check, the worker on its own thread, progress and
// Ctrl-C between blocks.
#pragma once

#include <functional>
#include <string>

#include "cli/CliCommon.h"

namespace CLI {
class App;
}

namespace pendrak::cli {

struct RadioOptions {
    std::string strRadio = "usb";
};

void AddRadioOption(CLI::App& command, RadioOptions& options);

// Validates the address (usage error when unknown), makes it the one
// RadioOpen uses and applies PENDRAK_TIMEOUT_SCALE to the link time-outs.
void SelectRadio(const RadioOptions& options);

struct JobOptions {
    bool bVerify = false;  // a Write reads the radio back and compares
    // Runs once the connection check has passed, before any block moves; a
    // failure it throws ends the command with the link closed.
    std::function<void()> beforeTransfer;
    // A Write: the backup of the list it sends, once kept (empty: none), so
    // that a Write cut short can say what restores the radio.
    const std::string* pWriteBackup = nullptr;
};

// Connection check and job on theAppData's image. Returns normally only
// when the job succeeded; otherwise fails with the step that failed.
void RunRadioJob(int mode, const RadioOptions& radio, const CommonOptions& common,
                 const JobOptions& job = {});

// Why RadioOpen failed: the language's USB text with the reason for a USB
// radio; the reason alone (the emulator's file, the host) for the others.
std::string OpenFailureText();

// "06 4d 41 ..." for bytes.
std::string HexBytes(const unsigned char* bytes, int count);

}  // namespace pendrak::cli
