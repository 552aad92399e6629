#include "radio/RadioJob.h"

#include <algorithm>
#include <cstring>

#include "platform/System.h"
#include "radio/RadioLink.h"
#include "radio/RadioProtocol.h"

namespace pendrak {

namespace {

constexpr unsigned char kVersionItem = 4;
constexpr unsigned char kContactAreaItem = 15;
constexpr char kDataVersion[8] = {'D', '1', '.', '0', '0', '.', '0', '2'};
constexpr int kVersionDigitByte = 11;

bool Fail(IRadioMessages& messages, const char* key) {
    RadioClose();
    messages.RadioFailed(key);
    return false;
}

bool StopRequested(const RadioJob* job) { return job->bStopRequested.load(); }

int32_t CauseOfLastExchange() {
    switch (LastRadioFault()) {
    case RadioFault::NoAnswer: return JOB_CAUSE_NO_ANSWER;
    case RadioFault::ShortAnswer: return JOB_CAUSE_SHORT_ANSWER;
    case RadioFault::WrongAnswer: return JOB_CAUSE_WRONG_ANSWER;
    case RadioFault::Refused: return JOB_CAUSE_REFUSED;
    case RadioFault::None: break;
    }
    return JOB_CAUSE_NONE;
}

// Notes where the job failed; gives false, for the callers' return.
bool FailAt(RadioJob* job, int32_t step) {
    job->nFailStep.store(step);
    job->nFailCause.store(StopRequested(job) ? JOB_CAUSE_STOPPED : CauseOfLastExchange());
    return false;
}

void Post(RadioJob* job, int32_t state) { job->nState.store(state); }

void PostProgress(RadioJob* job, int done, int total, int32_t state) {
    const uint32_t percent = std::min<uint32_t>(uint32_t(done) * 100u / uint32_t(total), 100u);
    job->nBytesDone.store(done);
    job->nProgress.store(int32_t(percent));
    job->nState.store(state);
}

// Walks the image from offset 0 to total-1 in the digit's blocks: step
// (offset, length) moves one, then progress is posted in state. False at a
// stop request or at the first step that fails.
template <typename Step>
bool EachBlock(RadioJob* job, int total, int digit, int32_t state, Step step) {
    const int block = BlockSizeForDigit(digit);
    for (int x = 0; x < total; x += block) {
        if (StopRequested(job)) return FailAt(job, state == JOB_VERIFYING ? JOB_STEP_VERIFY : JOB_STEP_DATA);
        const int n = std::min(block, total - x);
        if (!step(x, n)) return FailAt(job, state == JOB_VERIFYING ? JOB_STEP_VERIFY : JOB_STEP_DATA);
        PostProgress(job, x + n, total, state);
    }
    return true;
}

// The contact image from offset 0 to L-1 comes from radio addresses
// base + offset, block by block.
bool ReadImage(RadioJob* job, uint32_t base, int digit) {
    CContactImage& image = *job->pImage;
    unsigned char header[CONTACT_HEADER_SIZE] = {};
    if (StopRequested(job) || RadioReadBlock(base, digit, CONTACT_HEADER_SIZE, header) != 1)
        return FailAt(job, JOB_STEP_HEADER);
    const int radioCount = header[0] | header[1] << 8 | header[2] << 16;
    const int count = std::min(radioCount, MAX_CONTACTS);
    image.SetContactCount(count);
    const int total = ContactImageUsedLength(count);
    job->nBytesTotal.store(total);
    return EachBlock(job, total, digit, JOB_READING, [&](int x, int n) {
        return RadioReadBlock(base + uint32_t(x), digit, n, image.Bytes() + x) == 1;
    });
}

bool WriteImage(RadioJob* job, uint32_t base, int digit) {
    const CContactImage& image = *job->pImage;
    const int total = ContactImageUsedLength(image.GetContactCount());
    job->nBytesTotal.store(total);
    const bool written = EachBlock(job, total, digit, JOB_WRITING, [&](int x, int n) {
        job->bRadioChanged.store(true);
        return RadioWriteBlock(base + uint32_t(x), image.Bytes() + x, digit, n) == 1;
    });
    job->bWriteComplete.store(written);
    return written;
}

// Reads back what WriteImage sent, block by block as a Read would, and
// stops at the first block that differs.
bool VerifyImage(RadioJob* job, uint32_t base, int digit) {
    const CContactImage& image = *job->pImage;
    const int total = ContactImageUsedLength(image.GetContactCount());
    unsigned char back[WIDE_BLOCK_SIZE];
    // The Write's 100% stays until the first block back replaces it.
    return EachBlock(job, total, digit, JOB_VERIFYING, [&](int x, int n) {
        if (RadioReadBlock(base + uint32_t(x), digit, n, back) != 1) return false;
        const auto diff = std::mismatch(back, back + n, image.Bytes() + x);
        if (diff.first == back + n) return true;
        job->nMismatchOffset.store(x + int(diff.first - back));
        return false;
    });
}

enum class JobOutcome { Done, Failed, VerifyFailed, Cancelled };

// The radio's own count, from its header block; then the caller's answer,
// while the link waits. False (the job ends) on a failure; *go says
// whether to write.
bool AskBeforeWriting(RadioJob* job, uint32_t base, int digit, bool* go) {
    unsigned char header[CONTACT_HEADER_SIZE] = {};
    if (RadioReadBlock(base, digit, CONTACT_HEADER_SIZE, header) != 1)
        return FailAt(job, JOB_STEP_HEADER);
    job->nRadioCount.store(header[0] | header[1] << 8 | header[2] << 16);
    job->nConfirmAnswer.store(0);
    Post(job, JOB_WRITE_CONFIRM);
    while (job->nConfirmAnswer.load() == 0 && !StopRequested(job)) SleepMs(10);
    *go = job->nConfirmAnswer.load() > 0 && !StopRequested(job);
    return true;
}

// Everything after the connection check; ends at the first failure.
JobOutcome RunJob(RadioJob* job, bool reading) {
    const JobOutcome failed = JobOutcome::Failed;
    unsigned char info[RADIO_INFO_MAX] = {};
    if (StopRequested(job) || RadioReadInfo(kContactAreaItem, info) != 1) {
        FailAt(job, JOB_STEP_CONTACT_AREA);
        return failed;
    }
    const uint32_t base = uint32_t(info[0]) | uint32_t(info[1]) << 8 | uint32_t(info[2]) << 16;
    RadioSendPreamble();
    if (RadioModelHandshake() != 1) {
        FailAt(job, JOB_STEP_HANDSHAKE);
        return failed;
    }
    unsigned char version[RADIO_INFO_MAX] = {};
    if (RadioReadInfo(kVersionItem, version) != 1) {
        FailAt(job, JOB_STEP_VERSION);
        if (reading) job->pImage->SetContactCount(0);
        return failed;
    }
    // A record too short to reach the digit leaves it 0: a negative value,
    // which selects the narrow format.
    const int digit = int(version[kVersionDigitByte]) - '0';
    if (!reading) {
        if (job->bConfirmWrite.load()) {
            bool go = false;
            if (!AskBeforeWriting(job, base, digit, &go)) return failed;
            if (!go) return JobOutcome::Cancelled;
        }
        if (!WriteImage(job, base, digit)) return failed;
        if (!job->bVerify.load()) return JobOutcome::Done;
        return VerifyImage(job, base, digit) ? JobOutcome::Done : JobOutcome::VerifyFailed;
    }
    if (!ReadImage(job, base, digit)) {
        job->pImage->SetContactCount(0);
        return failed;
    }
    return JobOutcome::Done;
}

}  // namespace

bool ConnectRadio(IRadioMessages& messages) {
    if (RadioOpen() != 1) return Fail(messages, "IDS_ERR_PORTCONN");
    unsigned char search[7] = {};
    if (RadioSearch(search) != 1) return Fail(messages, "IDS_ERR_CONNECT");
    if (RadioSysInfo() != 1) return Fail(messages, "IDS_ERR_GMode");
    unsigned char version[RADIO_INFO_MAX] = {};
    if (RadioReadInfo(kVersionItem, version) != 1) return Fail(messages, "IDS_ERR_ReadRDSVersion");
    if (std::memcmp(version, kDataVersion, sizeof kDataVersion) != 0)
        return Fail(messages, "IDS_ERR_RDSVersion");
    return true;
}

int RadioJobThread(RadioJob* job) {
    const bool reading = job->nMode.load() == JOB_MODE_READ;
    job->nBytesDone.store(0);
    job->nBytesTotal.store(0);
    job->nMismatchOffset.store(-1);
    job->nFailStep.store(JOB_STEP_NONE);
    job->nFailCause.store(JOB_CAUSE_NONE);
    job->bRadioChanged.store(false);
    job->bWriteComplete.store(false);
    job->nRadioCount.store(-1);
    JobOutcome outcome = job->pImage ? RunJob(job, reading) : JobOutcome::Failed;
    RadioClose();
    // Every block acknowledged, yet the link knows the data is not kept
    // (an emulated radio whose file could not be saved): not a success.
    if (outcome == JobOutcome::Done && !RadioLinkFault().empty()) {
        outcome = JobOutcome::Failed;
        job->nFailStep.store(JOB_STEP_DATA);
        job->nFailCause.store(JOB_CAUSE_LINK);
        if (reading) job->pImage->SetContactCount(0);
        else job->bWriteComplete.store(false);
    }
    // A block the link refused for its own reason (a full disk) is told by it.
    if (outcome == JobOutcome::Failed && !RadioLinkFault().empty())
        job->nFailCause.store(JOB_CAUSE_LINK);
    if (outcome == JobOutcome::Cancelled) {
        Post(job, JOB_WRITE_CANCELLED);
    } else if (outcome == JobOutcome::VerifyFailed) {
        Post(job, JOB_VERIFY_FAILED);
    } else if (reading) {
        Post(job, outcome == JobOutcome::Done ? JOB_READ_DONE : JOB_READ_FAILED);
    } else {
        Post(job, outcome == JobOutcome::Done ? JOB_WRITE_DONE : JOB_WRITE_FAILED);
    }
    return 0;
}

bool RadioLeftIncomplete(const RadioJob& job) {
    return job.nMode.load() == JOB_MODE_WRITE && job.bRadioChanged.load() &&
           !job.bWriteComplete.load();
}

bool IsJobEndState(int32_t state) {
    return state == JOB_READ_DONE || state == JOB_READ_FAILED || state == JOB_WRITE_DONE ||
           state == JOB_WRITE_FAILED || state == JOB_VERIFY_FAILED || state == JOB_WRITE_CANCELLED;
}

}  // namespace pendrak
