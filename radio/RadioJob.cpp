#include "radio/RadioJob.h"

#include <algorithm>
#include <cstring>

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

void Post(RadioJob* job, int32_t state) { job->nState.store(state); }

void PostProgress(RadioJob* job, int done, int total, int32_t state) {
    const uint32_t percent = std::min<uint32_t>(uint32_t(done) * 100u / uint32_t(total), 100u);
    job->nBytesDone.store(done);
    job->nProgress.store(int32_t(percent));
    job->nState.store(state);
}

// The contact image from offset 0 to L-1 comes from radio addresses
// base + offset, block by block.
bool ReadImage(RadioJob* job, uint32_t base, int digit) {
    CContactImage& image = *job->pImage;
    unsigned char header[CONTACT_HEADER_SIZE] = {};
    if (StopRequested(job) || RadioReadBlock(base, digit, CONTACT_HEADER_SIZE, header) != 1) return false;
    const int radioCount = header[0] | header[1] << 8 | header[2] << 16;
    const int count = std::min(radioCount, MAX_CONTACTS);
    image.SetContactCount(count);
    const int total = ContactImageUsedLength(count);
    const int block = BlockSizeForDigit(digit);
    job->nBytesTotal.store(total);
    for (int x = 0; x < total; x += block) {
        if (StopRequested(job)) return false;
        const int n = std::min(block, total - x);
        if (RadioReadBlock(base + uint32_t(x), digit, n, image.Bytes() + x) != 1) return false;
        PostProgress(job, x + n, total, JOB_READING);
    }
    return true;
}

bool WriteImage(RadioJob* job, uint32_t base, int digit) {
    const CContactImage& image = *job->pImage;
    const int total = ContactImageUsedLength(image.GetContactCount());
    const int block = BlockSizeForDigit(digit);
    job->nBytesTotal.store(total);
    for (int x = 0; x < total; x += block) {
        if (StopRequested(job)) return false;
        const int n = std::min(block, total - x);
        if (RadioWriteBlock(base + uint32_t(x), image.Bytes() + x, digit, n) != 1) return false;
        PostProgress(job, x + n, total, JOB_WRITING);
    }
    return true;
}

// Everything after the connection check; false on the first failure.
bool RunJob(RadioJob* job, bool reading) {
    unsigned char info[RADIO_INFO_MAX] = {};
    if (StopRequested(job) || RadioReadInfo(kContactAreaItem, info) != 1) return false;
    const uint32_t base = uint32_t(info[0]) | uint32_t(info[1]) << 8 | uint32_t(info[2]) << 16;
    RadioSendPreamble();
    if (RadioModelHandshake() != 1) return false;
    unsigned char version[RADIO_INFO_MAX] = {};
    if (RadioReadInfo(kVersionItem, version) != 1) {
        if (reading) job->pImage->SetContactCount(0);
        return false;
    }
    // A record too short to reach the digit leaves it 0: a negative value,
    // which selects the narrow format.
    const int digit = int(version[kVersionDigitByte]) - '0';
    if (!reading) return WriteImage(job, base, digit);
    if (!ReadImage(job, base, digit)) {
        job->pImage->SetContactCount(0);
        return false;
    }
    return true;
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
    bool ok = job->pImage != nullptr && RunJob(job, reading);
    RadioClose();
    // Every block acknowledged, yet the link knows the data is not kept
    // (an emulated radio whose file could not be saved): not a success.
    if (ok && !RadioLinkFault().empty()) {
        ok = false;
        if (reading) job->pImage->SetContactCount(0);
    }
    if (reading) {
        Post(job, ok ? JOB_READ_DONE : JOB_READ_FAILED);
    } else {
        Post(job, ok ? JOB_WRITE_DONE : JOB_WRITE_FAILED);
    }
    return 0;
}

}  // namespace pendrak
