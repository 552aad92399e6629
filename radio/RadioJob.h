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
    // A Write that asks (bConfirmWrite) has read the radio's count into
    // nRadioCount and waits for nConfirmAnswer; no block has gone yet.
    JOB_WRITE_CONFIRM = 20,
    JOB_WRITE_CANCELLED = 21,  // the answer was no: nothing was written
};

enum RadioJobMode : int32_t { JOB_MODE_READ = 0, JOB_MODE_WRITE = 1 };

// Where a failed job stopped, after the connection check.
enum RadioJobStep : int32_t {
    JOB_STEP_NONE = 0,
    JOB_STEP_CONTACT_AREA,  // information item 15
    JOB_STEP_HANDSHAKE,     // the model handshake
    JOB_STEP_VERSION,       // the version record, for the block format
    JOB_STEP_HEADER,        // a Read's header block (the contact count)
    JOB_STEP_DATA,          // the contact data: nBytesDone of nBytesTotal moved
    JOB_STEP_VERIFY,        // a Write's read-back
};

// Why it stopped there.
enum RadioJobCause : int32_t {
    JOB_CAUSE_NONE = 0,
    JOB_CAUSE_NO_ANSWER,
    JOB_CAUSE_SHORT_ANSWER,
    JOB_CAUSE_WRONG_ANSWER,
    JOB_CAUSE_REFUSED,  // the radio answered a block with something else than ACK
    JOB_CAUSE_STOPPED,  // bStopRequested
    JOB_CAUSE_LINK,     // the link's own failure: RadioLinkFault()
};

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
    // After a failure: the step and its cause.
    std::atomic<int32_t> nFailStep{JOB_STEP_NONE};
    std::atomic<int32_t> nFailCause{JOB_CAUSE_NONE};
    // A Write: set before its first block goes out, and once the last was
    // acknowledged. Between the two the radio holds part of the new list.
    std::atomic<bool> bRadioChanged{false};
    std::atomic<bool> bWriteComplete{false};
    // A Write reads the radio's contact count first and waits for the
    // caller's answer: 1 to go on, -1 to write nothing.
    std::atomic<bool> bConfirmWrite{false};
    std::atomic<int32_t> nRadioCount{-1};
    std::atomic<int32_t> nConfirmAnswer{0};
};

// True when a Write was cut short after the radio took part of it.
bool RadioLeftIncomplete(const RadioJob& job);

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
