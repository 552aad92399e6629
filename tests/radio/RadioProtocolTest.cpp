// Exchanges byte for byte against a scripted radio.
#include <gtest/gtest.h>

#include <cstring>

#include "RadioTestSupport.h"
#include "radio/RadioProtocol.h"

namespace pendrak {
namespace {

using test::Bytes;

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_radioTimeouts = test::ShortTimeouts();
        log = std::make_shared<test::ScriptedLinkLog>();
    }
    void TearDown() override { RadioClose(); }
    void Use(test::CScriptedLink::Script script) {
        g_hRadioDevice = std::make_unique<test::CScriptedLink>(std::move(script), log);
    }
    size_t AcksSent() const {
        size_t n = 0;
        for (const Bytes& p : log->written) n += (p == Bytes{RADIO_ACK});
        return n;
    }
    std::shared_ptr<test::ScriptedLinkLog> log;
};

// A radio that answers block reads correctly (0xAB data) and every single
// byte with ACK; `tweak` may alter the block reply.
test::CScriptedLink::Script BlockRadio(int h, std::function<void(Bytes&)> tweak = {}) {
    return [h, tweak](const Bytes& p) -> Bytes {
        if (p.size() == 1) return {RADIO_ACK};
        if (p[0] == 'R') {
            int length = p[4] | (h == 6 ? p[5] << 8 : 0);
            Bytes r(p.begin(), p.begin() + h);
            r.resize(size_t(h + length), 0xAB);
            if (tweak) tweak(r);
            return r;
        }
        if (p[0] == 'W') return {RADIO_ACK};
        return {};
    };
}

TEST_F(ProtocolTest, NarrowBlockReadSendsFiveByteHeaderAndAcks) {
    Use(BlockRadio(5));
    unsigned char out[16] = {};
    EXPECT_EQ(RadioReadBlock(0x12345, 1, 16, out), 1);
    ASSERT_EQ(log->written.size(), 2u);
    EXPECT_EQ(log->written[0], (Bytes{0x52, 0x45, 0x23, 0x01, 0x10}));
    EXPECT_EQ(log->written[1], Bytes{RADIO_ACK});
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(out[15], 0xAB);
}

TEST_F(ProtocolTest, WideBlockWriteIsOnePacketOfHeaderAndData) {
    Use(BlockRadio(6));
    Bytes data(506);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
    EXPECT_EQ(RadioWriteBlock(0x12345, data.data(), 2, 506), 1);
    ASSERT_EQ(log->written.size(), 1u);  // no closing ACK after a write
    const Bytes& packet = log->written[0];
    ASSERT_EQ(packet.size(), 512u);
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 6), (Bytes{0x57, 0x45, 0x23, 0x01, 0xFA, 0x01}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), packet.begin() + 6));
}

TEST_F(ProtocolTest, BlockFormatFollowsDigitValue) {
    struct Case { int digit; size_t header; };
    for (Case c : {Case{-48, 5}, Case{0, 5}, Case{1, 5}, Case{2, 6}, Case{9, 6}, Case{200, 6}}) {
        log->written.clear();
        Use(BlockRadio(int(c.header)));
        unsigned char out[59];
        EXPECT_EQ(RadioReadBlock(0x000100, c.digit, 59, out), 1) << c.digit;
        EXPECT_EQ(log->written.at(0).size(), c.header) << c.digit;
    }
}

TEST_F(ProtocolTest, BlockReadRefusals) {
    struct Case { const char* name; std::function<void(Bytes&)> tweak; int result; size_t acks; };
    const Case cases[] = {
        {"byte 0 and length field ignored", [](Bytes& r) { r[0] = 0x00; r[4] = 0x99; r[5] = 0x77; }, 1, 1},
        {"address low byte differs", [](Bytes& r) { r[1] ^= 1; }, -1, 0},
        {"address high byte differs", [](Bytes& r) { r[3] ^= 0x80; }, -1, 0},
        {"one byte short", [](Bytes& r) { r.pop_back(); }, -1, 0},
        {"header only", [](Bytes& r) { r.resize(6); }, -1, 0},
    };
    for (const Case& c : cases) {
        log->written.clear();
        Use(BlockRadio(6, c.tweak));
        unsigned char out[100];
        EXPECT_EQ(RadioReadBlock(0xABCDEF, 2, 100, out), c.result) << c.name;
        EXPECT_EQ(AcksSent(), c.acks) << c.name;
    }
}

TEST_F(ProtocolTest, OnlyLowTwentyFourAddressBitsAreSent) {
    Use(BlockRadio(6));
    unsigned char out[4];
    EXPECT_EQ(RadioReadBlock(0xFF123456, 2, 4, out), 1);
    EXPECT_EQ(log->written[0], (Bytes{'R', 0x56, 0x34, 0x12, 4, 0}));
}

TEST_F(ProtocolTest, BlockLengthBeyondExchangeBufferIsRefusedUnsent) {
    Use(BlockRadio(6));
    std::vector<unsigned char> big(70000);
    EXPECT_EQ(RadioReadBlock(0, 2, 65535, big.data()), -1);
    EXPECT_EQ(RadioWriteBlock(0, big.data(), 2, 17403), -1);
    EXPECT_TRUE(log->written.empty());
}

TEST_F(ProtocolTest, InformationReplies) {
    struct Case { const char* name; Bytes reply; bool ackAnswered; int result; int length; size_t acks; };
    Bytes data64(64, 0x31), data65(65, 0x31);
    Bytes full64 = {'V', 0, 64}; full64.insert(full64.end(), data64.begin(), data64.end());
    Bytes over65 = {'V', 0, 65}; over65.insert(over65.end(), data65.begin(), data65.end());
    const Case cases[] = {
        {"n = 0", {'V', 9, 0}, true, 1, 0, 1},
        {"n = 64", full64, true, 1, 64, 1},
        {"n = 65 refused before data, no ACK", over65, true, -1, -1, 0},
        {"wrong letter", {'W', 0, 1, 0x41}, true, -1, -1, 0},
        {"data short", {'V', 0, 4, 1, 2, 3}, true, -1, -1, 0},
        {"closing ACK unanswered", {'V', 0, 2, 7, 8}, false, -1, -1, 1},
    };
    for (const Case& c : cases) {
        log->written.clear();
        Use([&c](const Bytes& p) -> Bytes {
            if (p.size() == 1) return c.ackAnswered ? Bytes{RADIO_ACK} : Bytes{};
            return c.reply;
        });
        unsigned char out[RADIO_INFO_MAX] = {};
        int length = -1;
        EXPECT_EQ(RadioReadInfo(15, out, &length), c.result) << c.name;
        EXPECT_EQ(log->written.at(0), (Bytes{0x56, 0, 0, 0, 0x0F})) << c.name;
        EXPECT_EQ(AcksSent(), c.acks) << c.name;
        if (c.result == 1) {
            EXPECT_EQ(length, c.length) << c.name;
        }
    }
}

TEST_F(ProtocolTest, SearchTriesExactlyThreeTimes) {
    struct Case { int acceptOnAttempt; int result; size_t searches; };
    for (Case c : {Case{1, 1, 1}, Case{3, 1, 3}, Case{0, 0, 3}}) {
        log->written.clear();
        int attempt = 0;
        Use([&](const Bytes& p) -> Bytes {
            if (p != Bytes{'P', 'S', 'E', 'A', 'R', 'C', 'H'}) return {};
            ++attempt;
            Bytes r = {0x15, 'a', 'b', 'c', 'd', 'e', 'f', 'g'};
            if (attempt == c.acceptOnAttempt) r[0] = RADIO_ACK;
            return r;
        });
        unsigned char reply[7] = {};
        EXPECT_EQ(RadioSearch(reply), c.result);
        EXPECT_EQ(log->written.size(), c.searches);
        if (c.result == 1) {
            EXPECT_EQ(std::memcmp(reply, "abcdefg", 7), 0);
        }
    }
}

TEST_F(ProtocolTest, SearchDrainsStaleBytesFirst) {
    Use([](const Bytes& p) -> Bytes {
        if (p[0] == 'P') return {RADIO_ACK, 1, 2, 3, 4, 5, 6, 7};
        return {};
    });
    static_cast<test::CScriptedLink*>(g_hRadioDevice.get())->Inject(Bytes(3000, RADIO_ACK));
    unsigned char reply[7] = {};
    EXPECT_EQ(RadioSearch(reply), 1);
    EXPECT_EQ(reply[6], 7);
}

TEST_F(ProtocolTest, SysInfoPreambleAndHandshake) {
    Use([](const Bytes& p) -> Bytes {
        if (p.size() == 7) return {RADIO_ACK};
        if (p.size() == 1 && p[0] == RADIO_ACK) return {RADIO_ACK};
        return {};  // STX and the preamble go unanswered
    });
    EXPECT_EQ(RadioSysInfo(), 1);
    EXPECT_EQ(RadioSendPreamble(), 1);
    // Silence after STX is no failure: the closing ACK exchange decides.
    EXPECT_EQ(RadioModelHandshake(), 1);
    const std::vector<Bytes> expected = {
        {'S', 'Y', 'S', 'I', 'N', 'F', 'O'}, {0xFF, 0xFF, 0xFF, 0xFF, 0x0C},
        {'Q', 'T', '4', '8', '0', '0', 'V'}, {RADIO_STX}, {RADIO_ACK}};
    EXPECT_EQ(log->written, expected);

    log->written.clear();
    Use([](const Bytes&) -> Bytes { return {0x15}; });
    EXPECT_EQ(RadioSysInfo(), -1);
    EXPECT_EQ(RadioModelHandshake(), -1);
    EXPECT_EQ(log->written.size(), 2u);  // the handshake stops at the refused identifier
}

}  // namespace
}  // namespace pendrak
