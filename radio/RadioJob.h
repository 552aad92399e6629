// Read and Write jobs: the connection check on the caller's thread, then a
// worker that moves the image block by block and posts its state.
#pragma once

#include <atomic>
#include <cstdint>

#include "contacts/ContactImage.h"

namespace pendrak {

enum RadioJobState : int32_t {
    JOB_IDLE = 0,
    JOB_READ_FAILED = 12,
    JOB_READING = 13,
    JOB_WRITE_FAILED = 14,
    JOB_WRITING = 15,
    JOB_READ_DONE = 16,
    JOB_WRITE_DONE = 17,   // also after a read-back that matched
    JOB_VERIFYING = 18,    // a Write's read-back is under way
    JOB_VERIFY_FAILED = 19,
};

enum RadioJobMode : int32_t { JOB_MODE_READ = 0, JOB_MODE_WRITE = 1 };

struct RadioJob {
    std::atomic<int32_t> nMode{JOB_MODE_READ};
    std::atomic<int32_t> nState{JOB_IDLE};
    std::atomic<int32_t> nProgress{0};
    // Asked between blocks; a stopped job ends as failed, link closed.
    std::atomic<bool> bStopRequested{false};
    CContactImage* pImage = nullptr;
    // Filled by the worker for callers that report more (bytes moved of all).
    std::atomic<int32_t> nBytesDone{0};
    std::atomic<int32_t> nBytesTotal{0};
    // A Write then reads the radio back over the used length and compares.
    std::atomic<bool> bVerify{false};
    // After JOB_VERIFY_FAILED: the first image offset the radio holds
    // differently, or -1 when the read-back itself failed.
    std::atomic<int32_t> nMismatchOffset{-1};
};

// True for the end states a worker posts.
bool IsJobEndState(int32_t state);

// Where the connection check reports a failure: key is the IDS_ key.
class IRadioMessages {
public:
    virtual ~IRadioMessages() = default;
    virtual void RadioFailed(const char* key) = 0;
};

// Open, PSEARCH, SYSINFO, version record "D1.00.02". True with the link open;
// false after reporting the failure's key, the link closed.
bool ConnectRadio(IRadioMessages& messages);

// The worker: always returns 0; posts its end state after closing the link.
int RadioJobThread(RadioJob* job);

}  // namespace pendrak
