// The libusb link against a fake radio in a umockdev test bed
// (usb_testbed.py, which starts this program; see its commands there).
// Without the test bed every case skips.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/System.h"
#include "radio/RadioLink.h"
#include "radio/RadioProtocol.h"

namespace pendrak {
namespace {

using Bytes = std::vector<unsigned char>;

class UsbLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("UMOCKDEV_DIR")) GTEST_SKIP() << "needs the umockdev test bed";
        g_radioTimeouts.writeMs = 300;
        g_radioTimeouts.readMs = 300;
        g_radioTimeouts.exactWindowMs = 200;
        g_radioTimeouts.drainWindowMs = 200;
        SetRadioAddress("usb");
    }
    void TearDown() override { RadioClose(); }
    void Open() { ASSERT_EQ(RadioOpen(), 1) << RadioOpenFailure(); }
    static int Send(const Bytes& packet) { return RadioWrite(packet.data(), int(packet.size())); }
};

TEST_F(UsbLinkTest, RadioFoundByVendorAndProduct) {
    Open();
    unsigned char reply[7] = {};
    EXPECT_EQ(RadioSearch(reply), 1);
    EXPECT_EQ(std::memcmp(reply, "TESTBED", 7), 0);
}

TEST_F(UsbLinkTest, NoRadioGivesFalse) {
    EXPECT_EQ(RadioOpen(), 0);
    EXPECT_EQ(g_hRadioDevice, nullptr);
    EXPECT_NE(RadioOpenFailure().find("0483:5780"), std::string::npos) << RadioOpenFailure();
}

TEST_F(UsbLinkTest, EachWriteIsOnePacket) {
    Open();
    for (size_t size : {512u, 5u, 64u, 1u, 65u}) {
        Bytes packet(size, 0x33);
        packet[0] = 'E';
        EXPECT_EQ(Send(packet), int(size));
        Bytes reply(4 + size);
        ASSERT_EQ(RadioReadExact(reply.data(), int(reply.size())), int(reply.size())) << size;
        EXPECT_EQ(reply[2] | reply[3] << 8, int(size));  // the length the device saw
        EXPECT_TRUE(std::equal(packet.begin(), packet.end(), reply.begin() + 4)) << size;
    }
}

TEST_F(UsbLinkTest, PartialAndSilentReplies) {
    Open();
    unsigned char buf[8] = {};
    EXPECT_EQ(Send({'P', 5}), 2);
    const uint32_t start = TickCount();
    EXPECT_EQ(RadioReadExact(buf, 8), 5);
    EXPECT_GE(uint32_t(TickCount() - start), g_radioTimeouts.exactWindowMs);
    EXPECT_EQ(std::memcmp(buf, "\x06" "ABCD", 5), 0);

    EXPECT_EQ(Send({'S'}), 1);
    EXPECT_EQ(RadioReadOnce(buf, 8), 0);
    // The abandoned read took nothing that came after it.
    EXPECT_EQ(Send({'E', 7}), 2);
    Bytes reply(6);
    EXPECT_EQ(RadioReadExact(reply.data(), 6), 6);
    EXPECT_EQ(reply[4], 'E');
    EXPECT_EQ(reply[5], 7);
}

TEST_F(UsbLinkTest, ReplyLongerThanAskedIsKept) {
    Open();
    EXPECT_EQ(Send({'L', 200}), 2);
    unsigned char buf[256] = {};
    EXPECT_EQ(RadioReadOnce(buf, 3), 3);
    EXPECT_EQ(RadioReadOnce(buf + 3, 253), 61);  // rest of the first 64-byte packet
    EXPECT_EQ(RadioReadExact(buf + 64, 136), 136);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(buf[i], i) << i;
}

TEST_F(UsbLinkTest, VanishedDeviceFailsAtOnce) {
    Open();
    EXPECT_EQ(Send({'G'}), 1);
    unsigned char buf[8];
    g_radioTimeouts.readMs = 5000;
    const uint32_t start = TickCount();
    EXPECT_EQ(RadioReadOnce(buf, 8), 0);
    EXPECT_LT(uint32_t(TickCount() - start), 2500u);  // not the read's time-out
    EXPECT_EQ(RadioWrite("E", 1), 0);
    EXPECT_EQ(RadioReadOnce(buf, 8), 0);
    EXPECT_LT(uint32_t(TickCount() - start), 2500u);
    RadioClose();
    EXPECT_EQ(g_hRadioDevice, nullptr);
}

}  // namespace
}  // namespace pendrak
