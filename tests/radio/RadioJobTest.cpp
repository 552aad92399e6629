// Read and Write jobs against the emulator: block walk, progress, and what
// each failure leaves in the image and in the radio.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "RadioTestSupport.h"
#include "radio/RadioJob.h"
#include "radio/RadioProtocol.h"
#include "radio/sim/SimLink.h"

namespace pendrak {
namespace {

using test::Bytes;

// Recognisable bytes over the used length of `count` contacts, count in
// header bytes 0-2.
void FillRegion(unsigned char* p, int count, unsigned seed) {
    const int used = ContactImageUsedLength(count);
    for (int i = 0; i < used; ++i) p[i] = static_cast<unsigned char>(i * 31 + seed + (i >> 9));
    if (used == 0) return;
    p[0] = static_cast<unsigned char>(count);
    p[1] = static_cast<unsigned char>(count >> 8);
    p[2] = static_cast<unsigned char>(count >> 16);
}

struct Sample { int32_t progress; int32_t state; };

// Passes packets to the emulator; notes the job's progress whenever a block
// command goes out, and can ask the job to stop after a number of them.
class CSamplingLink : public IRadioLink {
public:
    CSamplingLink(std::unique_ptr<IRadioLink> inner, RadioJob& job, std::vector<Sample>& samples,
                  int stopAfterBlocks)
        : m_inner(std::move(inner)), m_job(job), m_samples(samples), m_stopAfter(stopAfterBlocks) {}
    int Write(const unsigned char* data, int size, uint32_t t) override {
        if (size >= 5 && (data[0] == 'R' || data[0] == 'W')) {
            m_samples.push_back({m_job.nProgress.load(), m_job.nState.load()});
            if (++m_blocks == m_stopAfter) m_job.bStopRequested = true;
        }
        return m_inner->Write(data, size, t);
    }
    int ReadOnce(unsigned char* b, int n, uint32_t t) override { return m_inner->ReadOnce(b, n, t); }
    std::string Close() override { return m_inner->Close(); }

private:
    std::unique_ptr<IRadioLink> m_inner;
    RadioJob& m_job;
    std::vector<Sample>& m_samples;
    int m_blocks = 0;
    int m_stopAfter;
};

class JobTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_radioTimeouts = test::ShortTimeouts();
        image = std::make_unique<CContactImage>();
    }
    void TearDown() override {
        RadioClose();
        SetRadioAddress("usb");
        SetSimOptions(EmulatorOptions());
    }
    std::shared_ptr<CRadioEmulator> MakeRadio(char digit, int contacts, EmulatorFaults faults = {}) {
        EmulatorOptions o;
        o.blockFormatDigit = digit;
        o.faults = std::move(faults);
        o.recordCommands = true;
        auto r = std::make_shared<CRadioEmulator>(o);
        FillRegion(r->ContactRegion(), contacts, 7);
        return r;
    }
    // The worker alone, on a link to `radio` (the connection check is
    // tested through sim: below).
    int32_t RunWorker(int32_t mode, const std::shared_ptr<CRadioEmulator>& radio, int stopAfterBlocks = 0) {
        job.nMode = mode;
        job.nState = JOB_IDLE;
        job.nProgress = 0;
        job.bStopRequested = false;
        job.pImage = image.get();
        samples.clear();
        g_hRadioDevice = std::make_unique<CSamplingLink>(CreateEmulatorLink(radio), job, samples, stopAfterBlocks);
        EXPECT_EQ(RadioJobThread(&job), 0);
        EXPECT_EQ(g_hRadioDevice, nullptr);  // closed before the end state
        return job.nState;
    }
    static std::vector<size_t> BlockLengths(const CRadioEmulator& radio) {
        std::vector<size_t> lengths;
        const int h = BlockHeaderLength(radio.DigitValue());
        for (const Bytes& c : radio.ReceivedCommands()) {
            if (c[0] == 'R') lengths.push_back(c[4] | (h == 6 ? c[5] << 8 : 0));
            if (c[0] == 'W') lengths.push_back(c.size() - size_t(h));
        }
        return lengths;
    }

    RadioJob job;
    std::unique_ptr<CContactImage> image;
    std::vector<Sample> samples;
};

TEST_F(JobTest, ThirtySevenContactsNarrowBlocksAndProgress) {
    auto radio = MakeRadio('1', 37);
    ASSERT_EQ(RunWorker(JOB_MODE_READ, radio), JOB_READ_DONE);
    std::vector<size_t> lengths = BlockLengths(*radio);
    ASSERT_EQ(lengths.size(), 71u);  // the 16-byte header, then 70 blocks
    EXPECT_EQ(lengths[0], 16u);
    EXPECT_EQ(std::count(lengths.begin() + 1, lengths.end(), 59u), 69);
    EXPECT_EQ(lengths.back(), 25u);
    // Sample k+1 is taken as block k+1 goes out: the progress after block k.
    ASSERT_EQ(samples.size(), 71u);
    EXPECT_EQ(samples[1].state, JOB_IDLE);
    for (size_t k = 1; k < 70; ++k) {
        EXPECT_EQ(samples[k + 1].progress, int32_t(59 * k * 100 / 4096)) << k;
        EXPECT_EQ(samples[k + 1].state, JOB_READING);
    }
    EXPECT_EQ(samples[2].progress, 1);
    EXPECT_EQ(job.nProgress, 100);
    EXPECT_EQ(job.nBytesDone, 4096);
    EXPECT_EQ(job.nBytesTotal, 4096);
    EXPECT_EQ(std::memcmp(image->Bytes(), radio->ContactRegion(), 4096), 0);
    EXPECT_EQ(image->GetContactCount(), 37);
}

TEST_F(JobTest, BlockSizeFollowsDigitForReadAndWrite) {
    struct Case { char digit; int versionLength; size_t blocks; size_t last; };
    const Case cases[] = {
        {'2', 16, 9, 48}, {'9', 16, 9, 48}, {char(0xFF), 16, 9, 48},
        {'1', 16, 70, 25}, {'0', 16, 70, 25}, {'/', 16, 70, 25},
        {'2', 11, 70, 25},  // too short to carry the digit: narrow
    };
    for (const Case& c : cases) {
        EmulatorFaults f;
        f.versionRecordLength = c.versionLength;
        FillRegion(image->Bytes(), 37, 99);
        auto radio = MakeRadio(c.digit, 0, f);
        ASSERT_EQ(RunWorker(JOB_MODE_WRITE, radio), JOB_WRITE_DONE) << c.digit;
        std::vector<size_t> lengths = BlockLengths(*radio);
        EXPECT_EQ(lengths.size(), c.blocks) << int(c.digit);
        EXPECT_EQ(lengths.back(), c.last) << int(c.digit);
        EXPECT_EQ(job.nProgress, 100);
        EXPECT_EQ(std::memcmp(image->Bytes(), radio->ContactRegion(), 4096), 0) << int(c.digit);
    }
}

TEST_F(JobTest, ThirtySixContactsMoveTheLastRecordWhole) {
    auto radio = MakeRadio('2', 36);
    ASSERT_EQ(RunWorker(JOB_MODE_READ, radio), JOB_READ_DONE);
    std::vector<size_t> lengths = BlockLengths(*radio);
    size_t moved = 0;
    for (size_t i = 1; i < lengths.size(); ++i) moved += lengths[i];
    EXPECT_EQ(moved, 3904u);
    EXPECT_EQ(std::memcmp(image->Bytes(), radio->ContactRegion(), 3904), 0);
    EXPECT_EQ(image->GetContactCount(), 36);
}

TEST_F(JobTest, EmptyRadioAndEmptyImage) {
    FillRegion(image->Bytes(), 5, 1);
    auto radio = MakeRadio('2', 0);
    EXPECT_EQ(RunWorker(JOB_MODE_READ, radio), JOB_READ_DONE);
    EXPECT_EQ(BlockLengths(*radio), std::vector<size_t>{16});
    EXPECT_EQ(image->GetContactCount(), 0);

    auto full = MakeRadio('2', 5);
    EXPECT_EQ(RunWorker(JOB_MODE_WRITE, full), JOB_WRITE_DONE);
    EXPECT_TRUE(BlockLengths(*full).empty());
    EXPECT_EQ(full->ContactRegion()[0], 5);  // the radio keeps its own count
}

// The radio's own header comes back with the first block: an erased count
// (FF FF FF) moves the largest image yet shows, exports and writes nothing.
TEST_F(JobTest, CountAboveMaximumMovesMaximumButKeepsRadioHeader) {
    auto radio = MakeRadio('2', 37);
    radio->ContactRegion()[0] = 0xFF;  // 0x0000FF | ... -> 16,777,215 contacts claimed
    radio->ContactRegion()[1] = 0xFF;
    radio->ContactRegion()[2] = 0xFF;
    ASSERT_EQ(RunWorker(JOB_MODE_READ, radio), JOB_READ_DONE);
    EXPECT_EQ(job.nBytesTotal, ContactImageUsedLength(MAX_CONTACTS));
    EXPECT_EQ(image->Bytes()[0], 0xFF);
    EXPECT_EQ(image->GetContactCount(), 0);
}

enum Effect { UNCHANGED, COUNT_ZERO, DONE };

struct WorkerFault {
    const char* name;
    int32_t mode;
    EmulatorFaults faults;
    int32_t state;
    Effect effect;
    int bytesMoved;  // Read: blocks kept in the image; Write: bytes the radio took
};

EmulatorFaults Silent(int exchange) { EmulatorFaults f; f.silentFromExchange = exchange; return f; }
EmulatorFaults SilentBlock(int block) { EmulatorFaults f; f.silentFromBlock = block; return f; }
EmulatorFaults Nak(int exchange) { EmulatorFaults f; f.nakAt = {exchange}; return f; }
EmulatorFaults Short(int exchange) { EmulatorFaults f; f.shortReplyAt = {exchange}; return f; }
EmulatorFaults Oversize(int item) { EmulatorFaults f; f.oversizeInfoItem = item; return f; }
EmulatorFaults WrongAddress(int block) { EmulatorFaults f; f.wrongAddressFromBlock = block; return f; }

// Worker exchanges: 1 item 15, 2 ACK, 3 preamble, 4 model, 5 STX, 6 ACK,
// 7 item 4, 8 ACK, then per block its command (9, 11, ...) and, for reads,
// its closing ACK (10, 12, ...).
const WorkerFault kWorkerFaults[] = {
    {"read: item 15 silent", JOB_MODE_READ, Silent(1), JOB_READ_FAILED, UNCHANGED, 0},
    {"read: item 15 n > 64", JOB_MODE_READ, Oversize(15), JOB_READ_FAILED, UNCHANGED, 0},
    {"read: item 15 ACK refused", JOB_MODE_READ, Nak(2), JOB_READ_FAILED, UNCHANGED, 0},
    {"read: model refused", JOB_MODE_READ, Nak(4), JOB_READ_FAILED, UNCHANGED, 0},
    {"read: handshake ACK silent", JOB_MODE_READ, Silent(6), JOB_READ_FAILED, UNCHANGED, 0},
    {"read: STX reply short is fine", JOB_MODE_READ, Short(5), JOB_READ_DONE, DONE, 0},
    {"read: version silent", JOB_MODE_READ, Silent(7), JOB_READ_FAILED, COUNT_ZERO, 0},
    {"read: version short", JOB_MODE_READ, Short(7), JOB_READ_FAILED, COUNT_ZERO, 0},
    {"read: header silent", JOB_MODE_READ, SilentBlock(1), JOB_READ_FAILED, COUNT_ZERO, 0},
    {"read: header wrong address", JOB_MODE_READ, WrongAddress(1), JOB_READ_FAILED, COUNT_ZERO, 0},
    {"read: block 2 silent", JOB_MODE_READ, SilentBlock(3), JOB_READ_FAILED, COUNT_ZERO, 506},
    {"read: block 2 short", JOB_MODE_READ, Short(13), JOB_READ_FAILED, COUNT_ZERO, 506},
    {"read: block 2 wrong address", JOB_MODE_READ, WrongAddress(3), JOB_READ_FAILED, COUNT_ZERO, 506},
    {"read: block 1 ACK refused", JOB_MODE_READ, Nak(12), JOB_READ_FAILED, COUNT_ZERO, 506},
    {"write: item 15 silent", JOB_MODE_WRITE, Silent(1), JOB_WRITE_FAILED, UNCHANGED, 0},
    {"write: model refused", JOB_MODE_WRITE, Nak(4), JOB_WRITE_FAILED, UNCHANGED, 0},
    {"write: version silent", JOB_MODE_WRITE, Silent(7), JOB_WRITE_FAILED, UNCHANGED, 0},
    {"write: block 1 silent", JOB_MODE_WRITE, SilentBlock(1), JOB_WRITE_FAILED, UNCHANGED, 0},
    {"write: block 2 refused", JOB_MODE_WRITE, Nak(10), JOB_WRITE_FAILED, UNCHANGED, 506},
    {"write: block 3 silent", JOB_MODE_WRITE, SilentBlock(3), JOB_WRITE_FAILED, UNCHANGED, 1012},
    {"write: all well", JOB_MODE_WRITE, EmulatorFaults(), JOB_WRITE_DONE, DONE, 5500},
};

TEST_F(JobTest, WorkerFaultMatrix) {
    const int radioUsed = ContactImageUsedLength(40);  // 4420
    for (const WorkerFault& c : kWorkerFaults) {
        SCOPED_TRACE(c.name);
        FillRegion(image->Bytes(), 50, 3);
        image->Bytes()[CONTACT_IMAGE_SIZE - 1] = 0x77;
        const Bytes before(image->Bytes(), image->Bytes() + CONTACT_IMAGE_SIZE);
        auto radio = MakeRadio('2', 40, c.faults);
        const Bytes radioBefore(radio->ContactRegion(), radio->ContactRegion() + CONTACT_IMAGE_SIZE);

        EXPECT_EQ(RunWorker(c.mode, radio), c.state);
        const unsigned char* img = image->Bytes();
        if (c.mode == JOB_MODE_WRITE) {
            EXPECT_EQ(std::memcmp(img, before.data(), before.size()), 0);
            EXPECT_EQ(std::memcmp(radio->ContactRegion(), img, size_t(c.bytesMoved)), 0);
            EXPECT_EQ(std::memcmp(radio->ContactRegion() + c.bytesMoved, radioBefore.data() + c.bytesMoved,
                                  radioBefore.size() - size_t(c.bytesMoved)), 0);
        } else if (c.effect == UNCHANGED) {
            EXPECT_EQ(std::memcmp(img, before.data(), before.size()), 0);
        } else if (c.effect == COUNT_ZERO) {
            EXPECT_EQ(image->GetContactCount(), 0);
            EXPECT_EQ(std::memcmp(img, "\0\0\0", 3), 0);
            const int kept = c.bytesMoved;
            if (kept > 0) {
                EXPECT_EQ(std::memcmp(img + 3, radio->ContactRegion() + 3, size_t(kept - 3)), 0);
            }
            const int from = std::max(kept, 3);
            EXPECT_EQ(std::memcmp(img + from, before.data() + from, before.size() - size_t(from)), 0);
        } else {
            EXPECT_EQ(std::memcmp(img, radio->ContactRegion(), size_t(radioUsed)), 0);
            EXPECT_EQ(image->GetContactCount(), 40);
        }
    }
}

EmulatorFaults Corrupt(int block) { EmulatorFaults f; f.corruptBlock = block; return f; }

// A Write with its read-back: blocks 1 to 9 (wide) or 1 to 70 (narrow) are
// the writes, the reads follow.
TEST_F(JobTest, VerifyReadsBackAndNamesTheFirstDifference) {
    const struct {
        const char* name;
        char digit;
        int contacts;
        EmulatorFaults faults;
        int32_t state;
        int mismatch;
    } cases[] = {
        {"clean", '2', 40, {}, JOB_WRITE_DONE, -1},
        {"clean, narrow", '1', 37, {}, JOB_WRITE_DONE, -1},
        {"third block changed", '2', 40, Corrupt(3), JOB_VERIFY_FAILED, 3 * 506 - 1},
        {"last block changed", '2', 40, Corrupt(9), JOB_VERIFY_FAILED, 4420 - 1},
        {"sector tail changed", '1', 37, Corrupt(70), JOB_VERIFY_FAILED, 4095},
        {"a read changed nothing", '2', 40, Corrupt(10), JOB_WRITE_DONE, -1},
        {"silent on reading back", '2', 40, SilentBlock(12), JOB_VERIFY_FAILED, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FillRegion(image->Bytes(), c.contacts, 9);
        auto radio = MakeRadio(c.digit, 0, c.faults);
        job.bVerify = true;
        EXPECT_EQ(RunWorker(JOB_MODE_WRITE, radio), c.state);
        EXPECT_EQ(job.nMismatchOffset.load(), c.mismatch);
        const int used = ContactImageUsedLength(c.contacts);
        if (c.mismatch >= 0) {
            EXPECT_NE(radio->ContactRegion()[c.mismatch], image->Bytes()[c.mismatch]);
            EXPECT_EQ(std::memcmp(radio->ContactRegion(), image->Bytes(), size_t(c.mismatch)), 0);
        } else if (c.state == JOB_WRITE_DONE) {
            EXPECT_EQ(std::memcmp(radio->ContactRegion(), image->Bytes(), size_t(used)), 0);
            // The same blocks read back as were written, each with its own progress.
            const std::vector<size_t> lengths = BlockLengths(*radio);
            ASSERT_EQ(lengths.size() % 2, 0u);
            const size_t half = lengths.size() / 2;
            EXPECT_TRUE(std::equal(lengths.begin(), lengths.begin() + long(half), lengths.begin() + long(half)));
            EXPECT_EQ(samples[half].state, JOB_WRITING);
            EXPECT_EQ(samples[half].progress, 100);
            EXPECT_EQ(samples[half + 1].state, JOB_VERIFYING);
            EXPECT_EQ(samples[half + 1].progress, int32_t(lengths[0] * 100 / size_t(used)));
        }
    }
    // Nothing written, nothing to read back: the radio keeps its own list.
    image->SetContactCount(0);
    auto radio = MakeRadio('2', 5);
    EXPECT_EQ(RunWorker(JOB_MODE_WRITE, radio), JOB_WRITE_DONE);
    EXPECT_TRUE(BlockLengths(*radio).empty());
}

TEST_F(JobTest, StopRequestEndsJobBetweenBlocks) {
    FillRegion(image->Bytes(), 50, 3);
    auto radio = MakeRadio('2', 40);
    EXPECT_EQ(RunWorker(JOB_MODE_READ, radio, 3), JOB_READ_FAILED);
    EXPECT_EQ(BlockLengths(*radio).size(), 3u);  // header and two blocks, then nothing
    EXPECT_EQ(image->GetContactCount(), 0);

    FillRegion(image->Bytes(), 50, 3);
    radio = MakeRadio('2', 40);
    const Bytes radioBefore(radio->ContactRegion(), radio->ContactRegion() + 6000);
    EXPECT_EQ(RunWorker(JOB_MODE_WRITE, radio, 2), JOB_WRITE_FAILED);
    EXPECT_EQ(BlockLengths(*radio).size(), 2u);
    EXPECT_EQ(std::memcmp(radio->ContactRegion() + 1012, radioBefore.data() + 1012, 6000 - 1012), 0);
}

TEST_F(JobTest, StopFromAnotherThreadWhileRunning) {
    // As a closing dialog does: poll the record, ask to stop, join.
    auto radio = MakeRadio('1', MAX_CONTACTS);
    job.nMode = JOB_MODE_READ;
    job.pImage = image.get();
    g_hRadioDevice = CreateEmulatorLink(radio);
    std::thread worker(RadioJobThread, &job);
    while (job.nState.load() == JOB_IDLE) std::this_thread::yield();
    job.bStopRequested = true;
    worker.join();
    EXPECT_EQ(job.nState.load(), JOB_READ_FAILED);
    EXPECT_LT(job.nBytesDone.load(), job.nBytesTotal.load());
    EXPECT_EQ(g_hRadioDevice, nullptr);
    EXPECT_EQ(image->GetContactCount(), 0);
}

// The connection check through a "sim:" radio.
class RecordingMessages : public IRadioMessages {
public:
    void RadioFailed(const char* key) override { keys.emplace_back(key); }
    std::vector<std::string> keys;
};

TEST_F(JobTest, ConnectionCheckFailures) {
    namespace fs = std::filesystem;
    const fs::path dir = test::UniqueTempDir("connect");
    struct Case { const char* name; EmulatorFaults faults; const char* key; int exchanges; };
    EmulatorFaults threeNaks; threeNaks.nakAt = {1, 2, 3};
    EmulatorFaults twoNaks; twoNaks.nakAt = {1, 2};
    EmulatorFaults wrongVersion; wrongVersion.versionText = "D1.00.03";
    EmulatorFaults lowerCase; lowerCase.versionText = "d1.00.02";
    EmulatorFaults shortRecord; shortRecord.versionRecordLength = 8;
    const Case cases[] = {
        {"search refused three times", threeNaks, "IDS_ERR_CONNECT", 3},
        {"search silent", Silent(1), "IDS_ERR_CONNECT", 3},
        {"third search accepted", twoNaks, nullptr, 6},
        {"sysinfo refused", Nak(2), "IDS_ERR_GMode", 2},
        {"sysinfo silent", Silent(2), "IDS_ERR_GMode", 2},
        {"version silent", Silent(3), "IDS_ERR_ReadRDSVersion", 3},
        {"version n > 64", Oversize(4), "IDS_ERR_ReadRDSVersion", 3},
        {"version ACK refused", Nak(4), "IDS_ERR_ReadRDSVersion", 4},
        {"other version", wrongVersion, "IDS_ERR_RDSVersion", 4},
        {"version in lower case", lowerCase, "IDS_ERR_RDSVersion", 4},
        {"eight-byte record", shortRecord, nullptr, 4},
    };
    SetRadioAddress("sim:" + (dir / "radio.bin").string());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EmulatorOptions o;
        o.faults = c.faults;
        SetSimOptions(o);
        RecordingMessages messages;
        const bool ok = ConnectRadio(messages);
        EXPECT_EQ(ok, c.key == nullptr);
        if (c.key) {
            EXPECT_EQ(messages.keys, std::vector<std::string>{c.key});
            EXPECT_EQ(g_hRadioDevice, nullptr);
        } else {
            EXPECT_TRUE(messages.keys.empty());
            EXPECT_NE(g_hRadioDevice, nullptr);
            RadioClose();
        }
        ASSERT_NE(LastSimEmulator(), nullptr);
        EXPECT_EQ(LastSimEmulator()->ExchangeCount(), c.exchanges);
    }
    SetRadioAddress("sim:" + (dir / "no" / "such" / "radio.bin").string());
    RecordingMessages messages;
    EXPECT_FALSE(ConnectRadio(messages));
    EXPECT_EQ(messages.keys, std::vector<std::string>{"IDS_ERR_PORTCONN"});
    fs::remove_all(dir);
}

}  // namespace
}  // namespace pendrak
