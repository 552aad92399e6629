#include "cli/RadioSession.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/Interrupt.h"
#include "cli/Progress.h"
#include "contacts/ContactImageFile.h"
#include "csv/ImportReport.h"
#include "platform/System.h"
#include "radio/RadioJob.h"
#include "radio/RadioLink.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

// The connection check's failure, kept to be reported as one line.
class CRadioFailure : public IRadioMessages {
public:
    void RadioFailed(const char* key) override { m_strKey = key ? key : ""; }
    std::string m_strKey;
};

const char* ConnectStep(const std::string& key) {
    if (key == "IDS_ERR_PORTCONN") return "opening the link";
    if (key == "IDS_ERR_CONNECT") return "search (PSEARCH)";
    if (key == "IDS_ERR_GMode") return "system information (SYSINFO)";
    if (key == "IDS_ERR_ReadRDSVersion") return "reading the version record";
    if (key == "IDS_ERR_RDSVersion") return "checking the version record";
    return "connection check";
}

// A path as a shell takes it back, quoted only when it must be.
std::string ShellWord(const std::string& word) {
#ifdef _WIN32
    const char* plain = "0123456789_./:-\\";
#else
    const char* plain = "0123456789_./:-";
#endif
    if (!word.empty() &&
        word.find_first_not_of(std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") +
                               plain) == std::string::npos)
        return word;
#ifdef _WIN32
    return "\"" + word + "\"";
#else
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

// For a Write cut short after the radio took part of it: what it now holds,
// and the command that puts the whole list in.
std::string IncompleteNote(const RadioJob& job, const RadioOptions& radio,
                           const JobOptions& options) {
    if (!RadioLeftIncomplete(job)) return {};
    std::string note = "; the radio now holds an incomplete list (" +
                       std::to_string(job.nBytesDone.load()) + " of " +
                       std::to_string(job.nBytesTotal.load()) + " bytes written)";
    if (options.pWriteBackup && !options.pWriteBackup->empty())
        return note + "; `pendrak-cli write --radio " + ShellWord(radio.strRadio) + " --image " +
               ShellWord(*options.pWriteBackup) + "` restores it";
    return note + " and no backup of it was kept: write the list again";
}

uint32_t Scaled(uint32_t ms, double scale) {
    const double v = ms * scale;
    return v < 1.0 ? 1u : static_cast<uint32_t>(v);
}

// The dialog's verify message, filled in: the contact as the list numbers
// it, or the image byte when the difference lies outside the records.
std::string VerifyText(int offset) {
    const ImageOffsetPlace place = LocateImageOffset(offset);
    if (place.kind != ImageOffsetPlace::Record)
        return FillText(LangText("IDS_ERR_VERIFYAT"), {std::to_string(offset)});
    return FillText(LangText("IDS_ERR_VERIFY"),
                    {std::to_string(place.nRecord + 1),
                     std::to_string(theAppData.m_contacts.GetContactRadioId(place.nRecord))});
}

}  // namespace

void AddRadioOption(CLI::App& command, RadioOptions& options) {
    command.add_option("--radio", options.strRadio, "usb (default), sim:PATH or tcp:HOST:PORT")
        ->capture_default_str()
        ->transform([](std::string address) {
            // Messages name the radio by its address: its path with the platform's separators.
            if (address.rfind("sim:", 0) == 0) address = "sim:" + NativePath(address.substr(4));
            return address;
        });
}

void SelectRadio(const RadioOptions& options) {
    if (!IsValidRadioAddress(options.strRadio))
        UsageFail("unknown radio address '" + options.strRadio + "' (use usb, sim:PATH or tcp:HOST:PORT)");
    SetRadioAddress(options.strRadio);

    // Tests shorten the link's waits; a factor such as 0.1 keeps their proportions.
    if (const char* env = std::getenv("PENDRAK_TIMEOUT_SCALE")) {
        const double scale = std::atof(env);
        if (scale > 0.0) {
            g_radioTimeouts.writeMs = Scaled(g_radioTimeouts.writeMs, scale);
            g_radioTimeouts.readMs = Scaled(g_radioTimeouts.readMs, scale);
            g_radioTimeouts.exactWindowMs = Scaled(g_radioTimeouts.exactWindowMs, scale);
            g_radioTimeouts.drainWindowMs = Scaled(g_radioTimeouts.drainWindowMs, scale);
            g_radioTimeouts.drainReadMs = Scaled(g_radioTimeouts.drainReadMs, scale);
        }
    }
}

void RunRadioJob(int mode, const RadioOptions& radio, const CommonOptions& common,
                 const JobOptions& options) {
    const bool reading = mode == JOB_MODE_READ;
    // Only a Write may make a fresh emulated radio; a Read must find one.
    SetRadioMayCreate(!reading);
    const char* failedKey = reading ? "IDS_ERR_READ" : "IDS_ERR_WRITE";

    RadioJob job;
    job.nMode = mode;
    job.nState = JOB_IDLE;
    job.pImage = &theAppData.m_contacts;
    job.bVerify = options.bVerify && !reading;
    // The signal handler must not see the job once it is gone, whatever way out.
    struct CJobScope {
        explicit CJobScope(RadioJob* job) {
            theAppData.m_bRadioBusy = 1;
            SetInterruptibleJob(job);
        }
        ~CJobScope() {
            SetInterruptibleJob(nullptr);
            theAppData.m_bRadioBusy = 0;
        }
    } scope(&job);

    CProgressDisplay progress(reading ? "Reading" : "Writing", common.bQuiet);
    std::optional<CProgressDisplay> verifying;  // the read-back's own display
    auto current = [&]() -> CProgressDisplay& { return verifying ? *verifying : progress; };
    auto startVerifying = [&] {
        progress.Update(100, job.nBytesTotal.load(), job.nBytesTotal.load());
        progress.Finish();
        verifying.emplace("Verifying", common.bQuiet);
    };

    // The connection check runs on the worker too: its waits for an answer
    // are as long as the job's, and Ctrl-C must not wait for them.
    CRadioFailure failure;
    bool connected = false;
    RunInterruptible(
        [&] {
            connected = ConnectRadio(failure);
            if (!connected) return;
            if (options.beforeTransfer) {
                try {
                    options.beforeTransfer();
                } catch (...) {
                    RadioClose();
                    throw;
                }
            }
            RadioJobThread(&job);  // ends at once when a stop came first
        },
        [&] {
            const int32_t state = job.nState.load();
            if (state == JOB_VERIFYING && !verifying) startVerifying();
            if (state == JOB_READING || state == JOB_WRITING || state == JOB_VERIFYING)
                current().Update(job.nProgress.load(), job.nBytesDone.load(),
                                 job.nBytesTotal.load());
        },
        [&] {
            current().Finish();
            return "radio " + radio.strRadio + ", interrupted: " + LangText(failedKey) +
                   IncompleteNote(job, radio, options);
        });

    if (!connected) {
        std::string line = "radio " + radio.strRadio + ", ";
        if (Interrupted()) Fail(line + "interrupted: " + LangText(failedKey));
        const std::string text = failure.m_strKey == "IDS_ERR_PORTCONN"
                                     ? OpenFailureText()
                                     : LangText(failure.m_strKey.c_str());
        Fail(line + ConnectStep(failure.m_strKey) + ": " + text);
    }
    const int32_t state = job.nState.load();
    const int32_t total = job.nBytesTotal.load();
    if (state == JOB_READ_DONE || state == JOB_WRITE_DONE) {
        // A job that moved no block has no progress to complete; a fast one
        // may have ended between two looks.
        if (total > 0) {
            if (job.bVerify && !verifying) startVerifying();
            current().Update(100, total, total);
        }
        current().Finish();
        if (Interrupted()) Fail(std::string(reading ? "read" : "write") + " interrupted");
        return;
    }
    current().Finish();
    std::string line = "radio " + radio.strRadio + ", ";
    if (Interrupted()) {
        line += "interrupted";
    } else if (state == JOB_VERIFY_FAILED) {
        const int32_t offset = job.nMismatchOffset.load();
        if (offset >= 0)
            Fail(line + "verify: " + DescribeImageOffset(theAppData.m_contacts, offset) +
                 " differs from what was written (image byte " + std::to_string(offset) + "): " +
                 VerifyText(offset));
        Fail(line + "reading back what was written: " + LangText("IDS_ERR_VERIFYREAD"));
    } else if (total > 0) {
        line += "contact data after " + std::to_string(job.nBytesDone.load()) + " of " +
                std::to_string(total) + " bytes";
    } else {
        line += reading ? "before the contact data (contact area, handshake, version record or header block)"
                        : "before the contact data (contact area, handshake or version record)";
    }
    line += ": " + LangText(failedKey);
    if (!RadioLinkFault().empty()) line += " (" + RadioLinkFault() + ")";
    Fail(line + IncompleteNote(job, radio, options));
}

std::string OpenFailureText() {
    const std::string& why = RadioOpenFailure();
    if (!RadioAddressIsUsb() && !why.empty()) return why;
    const std::string text = LangText("IDS_ERR_PORTCONN");
    return why.empty() ? text : text + " (" + why + ")";
}

std::string HexBytes(const unsigned char* bytes, int count) {
    std::string text;
    char hex[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, i ? " %02x" : "%02x", bytes[i]);
        text += hex;
    }
    return text;
}

}  // namespace pendrak::cli
