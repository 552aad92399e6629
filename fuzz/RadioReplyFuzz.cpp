// The host side of the radio protocol against a radio that answers
// anything: the in-process emulator's true replies, reshaped by the input,
// through the connection check and a Read, then the connection check and a
// Write (with its read-back when the input asks). Nothing may crash, every job must end (a job that
// sends packets without end traps), and neither job may touch an image byte outside the used length
// it worked on.
//
// Input layout: byte 0 is the radio: bits 0-1 its block format digit ('0',
// '1', '2' or '9'), bits 2-7 the contacts it holds (0-63). Byte 1: bits 0-5
// the contacts in the image the Write sends (0-63), bit 6 the Write reads
// back what it sent (verify). Then one instruction byte
// per packet the host sends, and after it the bytes that instruction takes;
// once the input ends the radio answers truly.
//   bits 0-2  0 true reply; 1 silence; 2 cut to (next byte) bytes; 3 byte
//             (next) set to (next); 4 true reply and (next % 64) input bytes
//             after it; 5 (next) input bytes instead; 6 one input byte
//             before the true reply; 7 a true reply twice
//   bit 3     the radio's memory refuses the block this packet writes
//   bits 4-7  reads hand out at most this many bytes at a time (0: all)
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "radio/RadioJob.h"
#include "radio/RadioLink.h"
#include "radio/RadioProtocol.h"
#include "radio/sim/RadioEmulator.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define PENDRAK_FUZZ_POISON 1
#endif
#endif

namespace {

using namespace pendrak;

constexpr unsigned char kCanary = 0xA5;
// A block budget keeps each run short; the job is asked to stop after it,
// as a closing window does. Far more packets than that means a loop.
constexpr int kBlockBudget = 300;
constexpr int kPacketLimit = 1000;
// No job within the budget moves a byte past this offset: beyond it the
// image is poisoned, so any touch there is caught where it happens, and
// only the bytes before it need comparing after each job.
constexpr size_t kReach = size_t(kBlockBudget + 2) * WIDE_BLOCK_SIZE;
constexpr char kDigits[4] = {'0', '1', '2', '9'};

using fuzz::Check;

struct CInput {
    const uint8_t* p;
    const uint8_t* end;
    bool Empty() const { return p >= end; }
    uint8_t Next() { return p < end ? *p++ : 0; }
};

// Keeps what the radio stores; refuses when told, and notes every range
// touched so the memory can be put back for the next run.
class CFuzzStore : public IMemoryStore {
public:
    bool Store(uint32_t address, const unsigned char*, size_t size) override {
        m_dirty.emplace_back(address, size);
        if (!m_bRefuse) return true;
        m_failure = "refused";
        return false;
    }
    bool Flush() override { return true; }
    std::string TakeFailure() override { return std::exchange(m_failure, std::string()); }

    bool m_bRefuse = false;
    std::vector<std::pair<uint32_t, size_t>> m_dirty;

private:
    std::string m_failure;
};

struct CWorld {
    std::unique_ptr<CRadioEmulator> radios[4];  // one per block format
    std::vector<unsigned char> pristine;        // their memory before any run
    std::shared_ptr<CFuzzStore> store = std::make_shared<CFuzzStore>();
    std::unique_ptr<CContactImage> image = std::make_unique<CContactImage>();
    CRadioEmulator* radio = nullptr;
    CInput input{nullptr, nullptr};
    RadioJob* job = nullptr;
};

CWorld& World();

class CFuzzLink : public IRadioLink {
public:
    int Write(const unsigned char* data, int size, uint32_t) override {
        CWorld& w = World();
        Check(++m_packets <= kPacketLimit);
        if (size >= 5 && (data[0] == 'R' || data[0] == 'W') && ++m_blocks > kBlockBudget && w.job)
            w.job->bStopRequested = true;
        const uint8_t op = w.input.Next();
        w.store->m_bRefuse = (op & 0x08) != 0;
        std::vector<unsigned char> reply;
        w.radio->Receive(data, size_t(size), reply);
        w.store->m_bRefuse = false;
        Reshape(op & 7, reply, w.input);
        m_chunk = op >> 4;
        m_pending.insert(m_pending.end(), reply.begin(), reply.end());
        return size;
    }
    int ReadOnce(unsigned char* buffer, int maxSize, uint32_t) override {
        size_t n = std::min(m_pending.size(), size_t(std::max(maxSize, 0)));
        if (m_chunk > 0) n = std::min(n, m_chunk);
        std::copy_n(m_pending.begin(), n, buffer);
        m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(n));
        return int(n);
    }
    std::string Close() override { return World().store->TakeFailure(); }

private:
    static void Reshape(int action, std::vector<unsigned char>& reply, CInput& in) {
        switch (action) {
            case 1:
                reply.clear();
                break;
            case 2:
                reply.resize(std::min<size_t>(reply.size(), in.Next()));
                break;
            case 3: {
                const uint8_t at = in.Next(), value = in.Next();
                if (!reply.empty()) reply[at % reply.size()] = value;
                break;
            }
            case 4:
            case 5: {
                if (action == 5) reply.clear();
                const int n = action == 4 ? in.Next() % 64 : in.Next();
                for (int i = 0; i < n && !in.Empty(); ++i) reply.push_back(in.Next());
                break;
            }
            case 6:
                reply.insert(reply.begin(), in.Next());
                break;
            case 7:
                reply.insert(reply.end(), reply.begin(), reply.end());
                break;
            default:
                break;
        }
    }

    std::deque<unsigned char> m_pending;
    size_t m_chunk = 0;
    int m_packets = 0;
    int m_blocks = 0;
};

class CQuietMessages : public IRadioMessages {
public:
    void RadioFailed(const char*) override {}
};

CWorld& World() {
    static CWorld* world = [] {
        auto* w = new CWorld;
        for (int i = 0; i < 4; ++i) {
            EmulatorOptions o;
            o.blockFormatDigit = kDigits[i];
            w->radios[i] = std::make_unique<CRadioEmulator>(o);
            w->radios[i]->SetStore(w->store);
        }
        // Recognisable contact bytes; the count is set per run.
        unsigned char* region = w->radios[0]->ContactRegion();
        for (int i = 0; i < ContactImageUsedLength(63); ++i)
            region[i] = static_cast<unsigned char>(i * 7 + (i >> 8));
        w->pristine.assign(w->radios[0]->Memory(),
                           w->radios[0]->Memory() + w->radios[0]->MemorySize());
        for (int i = 1; i < 4; ++i)
            std::copy(w->pristine.begin(), w->pristine.end(), w->radios[i]->Memory());
        std::fill_n(w->image->Bytes(), CONTACT_IMAGE_SIZE, kCanary);
#ifdef PENDRAK_FUZZ_POISON
        ASAN_POISON_MEMORY_REGION(w->image->Bytes() + kReach, CONTACT_IMAGE_SIZE - kReach);
#endif

        // Silence costs a millisecond, not seconds.
        g_radioTimeouts = RadioTimeouts{1, 1, 1, 0, 1};
        SetRadioLinkOpener([](std::string&) { return std::make_unique<CFuzzLink>(); });
        return w;
    }();
    return *world;
}

// Bytes from offset `from` of the image still hold the canary.
bool CanaryFrom(const unsigned char* image, size_t from) {
#ifdef PENDRAK_FUZZ_POISON
    const size_t end = kReach;
#else
    const size_t end = CONTACT_IMAGE_SIZE;
#endif
    if (from >= end) return true;
    const unsigned char* p = image + from;
    return p[0] == kCanary && std::memcmp(p, p + 1, end - from - 1) == 0;
}

void SetCount(unsigned char* header, int count) {
    header[0] = static_cast<unsigned char>(count);
    header[1] = header[2] = 0;
}

// The connection check, then the job; the image bytes it declared it would
// work on (0 when it never got that far).
size_t RunJob(CWorld& w, int32_t mode, bool verify = false) {
    CQuietMessages messages;
    RadioJob job;
    job.nMode = mode;
    job.bVerify = verify;
    job.pImage = w.image.get();
    w.job = &job;
    size_t total = 0;
    if (ConnectRadio(messages)) {
        RadioJobThread(&job);
        const int32_t state = job.nState.load();
        Check(IsJobEndState(state) && (verify || state != JOB_VERIFY_FAILED));
        total = size_t(job.nBytesTotal.load());
        // A difference found reading back lies within what was written.
        if (state == JOB_VERIFY_FAILED && job.nMismatchOffset.load() >= 0)
            Check(size_t(job.nMismatchOffset.load()) < total);
    }
    Check(g_hRadioDevice == nullptr);  // closed on every way out
    w.job = nullptr;
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    CWorld& w = World();
    w.radio = w.radios[data[0] & 3].get();
    w.radio->ResetSession();
    SetCount(w.radio->ContactRegion(), data[0] >> 2);
    w.input = CInput{data + 2, data + size};

    // A Read may write its used length, and the count (bytes 0-2) when it
    // fails; nothing beyond.
    unsigned char* img = w.image->Bytes();
    const size_t read = std::max<size_t>(RunJob(w, JOB_MODE_READ), 3);
    Check(CanaryFrom(img, read));
    std::fill_n(img, std::min(read, kReach), kCanary);

    // A Write reads the image and writes none of it.
    const int writeCount = data[1] % 64;
    const size_t written = size_t(ContactImageUsedLength(writeCount));
    for (size_t i = 0; i < written; ++i) img[i] = static_cast<unsigned char>(i * 13 + 1);
    if (written > 0) SetCount(img, writeCount);
    const std::vector<unsigned char> sent(img, img + written);
    RunJob(w, JOB_MODE_WRITE, (data[1] & 0x40) != 0);
    Check(written == 0 || std::memcmp(img, sent.data(), written) == 0);
    Check(CanaryFrom(img, written));

    // Back to the start for the next input.
    std::fill_n(img, written, kCanary);
    for (const auto& [address, n] : w.store->m_dirty) {
        const size_t end = std::min<size_t>(address + n, w.pristine.size());
        if (address < end)
            std::copy(w.pristine.begin() + address, w.pristine.begin() + std::ptrdiff_t(end),
                      w.radio->Memory() + address);
    }
    w.store->m_dirty.clear();
    std::copy_n(w.pristine.begin() + 0x200000, 3, w.radio->ContactRegion());
    return 0;
}
