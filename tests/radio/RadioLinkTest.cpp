// The link functions over a scripted link, the address forms, and the
// emulator links (sim: file, tcp: server).
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "RadioTestSupport.h"
#include "platform/System.h"
#include "radio/RadioProtocol.h"
#include "radio/sim/EmulatorServer.h"
#include "radio/sim/SimLink.h"

namespace pendrak {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_radioTimeouts = test::ShortTimeouts();
        log = std::make_shared<test::ScriptedLinkLog>();
        dir = test::UniqueTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        RadioClose();
        SetRadioAddress("usb");
        SetSimOptions(EmulatorOptions());
        fs::remove_all(dir);
    }
    test::CScriptedLink* Use(test::CScriptedLink::Script script, size_t chunk = 1 << 20) {
        g_hRadioDevice = std::make_unique<test::CScriptedLink>(std::move(script), log, chunk);
        return static_cast<test::CScriptedLink*>(g_hRadioDevice.get());
    }
    std::shared_ptr<test::ScriptedLinkLog> log;
    fs::path dir;
};

Bytes Silent(const Bytes&) { return {}; }

TEST_F(LinkTest, ReadExactGathersPiecesAndGivesUpAfterWindow) {
    // The pieces must not outlast the window on a slow machine (sanitizers).
    const uint32_t window = g_radioTimeouts.exactWindowMs;
    g_radioTimeouts.exactWindowMs = 10000;
    Use(Silent, 3)->Inject({1, 2, 3, 4, 5, 6, 7});
    unsigned char buf[16] = {};
    EXPECT_EQ(RadioReadExact(buf, 7), 7);  // 3 + 3 + 1 across reads
    EXPECT_EQ((std::vector<int>(log->readSizes.begin(), log->readSizes.end())), (std::vector<int>{7, 4, 1}));
    EXPECT_EQ(buf[6], 7);

    g_radioTimeouts.exactWindowMs = window;
    Use(Silent)->Inject({9, 9});
    const uint32_t start = TickCount();
    EXPECT_EQ(RadioReadExact(buf, 10), 2);  // the part that came
    EXPECT_GE(uint32_t(TickCount() - start), g_radioTimeouts.exactWindowMs);
}

TEST_F(LinkTest, ReadExactOfZeroMakesOneEmptyRequest) {
    Use(Silent)->Inject({5});
    unsigned char buf[1];
    EXPECT_EQ(RadioReadExact(buf, 0), 0);
    EXPECT_EQ(log->readSizes, std::vector<int>{0});
}

TEST_F(LinkTest, DrainStopsAtFirstEmptyRead) {
    // A window the reads cannot outlast, however slow the machine (sanitizers).
    g_radioTimeouts.drainWindowMs = 10000;
    Use(Silent, 1024)->Inject(Bytes(2500, 0x55));
    RadioDrain();
    EXPECT_EQ(log->readSizes, (std::vector<int>{1024, 1024, 1024, 1024}));
}

// A radio that sends bytes unasked at given times after the link opens;
// a read waits for the next of them up to its time-out.
class CLateLink : public IRadioLink {
public:
    CLateLink(std::vector<std::pair<uint32_t, Bytes>> schedule, std::vector<uint32_t>& timeouts)
        : m_schedule(std::move(schedule)), m_timeouts(timeouts), m_start(TickCount()) {}
    int Write(const unsigned char*, int size, uint32_t) override { return size; }
    int ReadOnce(unsigned char* buffer, int maxSize, uint32_t timeoutMs) override {
        m_timeouts.push_back(timeoutMs);
        const uint32_t asked = TickCount();
        for (;;) {
            // Due bytes first: a late wake-up must not count as silence.
            int n = 0;
            while (m_next < m_schedule.size() && uint32_t(TickCount() - m_start) >= m_schedule[m_next].first &&
                   n + int(m_schedule[m_next].second.size()) <= maxSize) {
                for (unsigned char b : m_schedule[m_next].second) buffer[n++] = b;
                ++m_next;
            }
            if (n > 0) return n;
            if (uint32_t(TickCount() - asked) >= timeoutMs) return 0;
            SleepMs(1);
        }
    }
    size_t Delivered() const { return m_next; }

private:
    std::vector<std::pair<uint32_t, Bytes>> m_schedule;
    std::vector<uint32_t>& m_timeouts;
    uint32_t m_start;
    size_t m_next = 0;
};

TEST_F(LinkTest, DrainWaitsOnlyItsShortReadForLateBytes) {
    g_radioTimeouts.readMs = 2000;
    g_radioTimeouts.drainReadMs = 100;
    g_radioTimeouts.drainWindowMs = 5000;  // never the limit here
    std::vector<uint32_t> timeouts;

    // Late but within the short read of each other: all discarded.
    auto* link = new CLateLink({{0, Bytes(300, 1)}, {30, Bytes(20, 2)}, {60, Bytes(5, 3)}}, timeouts);
    g_hRadioDevice.reset(link);
    RadioDrain();
    EXPECT_EQ(link->Delivered(), 3u);
    ASSERT_FALSE(timeouts.empty());
    for (uint32_t t : timeouts) EXPECT_EQ(t, 100u);  // never the 2-second read
    unsigned char after[8];
    g_radioTimeouts.readMs = 5;
    EXPECT_EQ(RadioReadOnce(after, 8), 0) << "a late byte survived the drain";

    // What comes after a silence longer than that is left for the exchange.
    timeouts.clear();
    link = new CLateLink({{0, Bytes(4, 1)}, {400, Bytes(3, 9)}}, timeouts);
    g_hRadioDevice.reset(link);
    RadioDrain();
    EXPECT_EQ(link->Delivered(), 1u);
    EXPECT_EQ(timeouts.size(), 2u);
}

TEST_F(LinkTest, ClosedLinkTransfersNothing) {
    RadioClose();
    RadioClose();  // closing a closed link does nothing
    unsigned char b[4] = {1, 2, 3, 4};
    EXPECT_EQ(RadioWrite(b, 4), 0);
    EXPECT_EQ(RadioReadOnce(b, 4), 0);
}

TEST_F(LinkTest, Addresses) {
    struct Case { const char* address; bool valid; };
    const Case cases[] = {
        {"usb", true}, {"sim:/tmp/r.bin", true}, {"sim:", false}, {"tcp:127.0.0.1:5780", true},
        {"tcp:localhost:1", true}, {"tcp:[::1]:65535", true}, {"tcp:host:0", false},
        {"tcp:host:65536", false}, {"tcp:host:", false}, {"tcp::80", false}, {"tcp:host:8a", false},
        {"USB", false}, {"", false}, {"com3", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidRadioAddress(c.address), c.valid) << c.address;
}

TEST_F(LinkTest, FailedOpenClosesThePreviousLinkAndSaysWhy) {
    Use(Silent);
    SetRadioAddress("bogus");
    EXPECT_EQ(RadioOpen(), 0);
    EXPECT_EQ(g_hRadioDevice, nullptr);
    EXPECT_NE(RadioOpenFailure().find("bogus"), std::string::npos);

    SetRadioAddress("sim:" + (dir / "missing" / "radio.bin").string());
    EXPECT_EQ(RadioOpen(), 0);
    EXPECT_NE(RadioOpenFailure().find("radio.bin"), std::string::npos);
}

TEST_F(LinkTest, SimFileIsCreatedFreshAndKeepsWrites) {
    const std::string path = (dir / "radio.bin").string();
    SetRadioAddress("sim:" + path);
    ASSERT_EQ(RadioOpen(), 1) << RadioOpenFailure();
    EXPECT_TRUE(RadioOpenFailure().empty());
    EXPECT_TRUE(fs::exists(path));
    const unsigned char data[3] = {0xDE, 0xAD, 0x42};
    EXPECT_EQ(RadioWriteBlock(0x300000, data, 2, 3), 1);
    RadioClose();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "a temporary file was left beside the memory file";

    ASSERT_EQ(RadioOpen(), 1);
    unsigned char back[3] = {};
    EXPECT_EQ(RadioReadBlock(0x300000, 2, 3, back), 1);
    EXPECT_EQ(Bytes(back, back + 3), Bytes(data, data + 3));
    RadioClose();

    // A file of another size is not taken for the radio's memory.
    fs::resize_file(path, 1000);
    EXPECT_EQ(RadioOpen(), 0);
    EXPECT_NE(RadioOpenFailure().find("bytes"), std::string::npos);
}

TEST_F(LinkTest, EmulatorTakesCommandsSplitAnywhere) {
    CRadioEmulator whole, split;
    Bytes stream = {'P', 'S', 'E', 'A', 'R', 'C', 'H', 'V', 0, 0, 0, 4, RADIO_ACK, 'W', 0, 0, 0x20, 3, 0, 7, 8, 9,
                    'R', 0, 0, 0x20, 3, 0, RADIO_STX, 0xFF, 0xFF, 0xFF, 0xFF, 0x0C};
    Bytes a, b;
    whole.Receive(stream.data(), stream.size(), a);
    for (unsigned char c : stream) split.Receive(&c, 1, b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(whole.ExchangeCount(), 7);
    // ... and the 'R' saw what the 'W' stored.
    EXPECT_EQ(Bytes(a.end() - 8 - 3, a.end() - 8), (Bytes{7, 8, 9}));
}

TEST_F(LinkTest, TcpLinkReachesEmulatorServer) {
    const std::string memory = (dir / "served.bin").string();
    std::atomic<bool> stop{false};
    std::atomic<int> port{0};
    bool served = false;
    std::string error;
    EmulatorServerHooks hooks;
    hooks.onListening = [&](uint16_t p) { port = p; };
    std::thread server([&] {
        served = RunEmulatorServer("127.0.0.1", 0, EmulatorOptions(), memory, stop, hooks, &error);
    });
    for (int i = 0; i < 500 && port == 0; ++i) SleepMs(2);
    ASSERT_NE(port, 0);

    // The server saves its memory file between connections: give it time.
    g_radioTimeouts.readMs = g_radioTimeouts.exactWindowMs = g_radioTimeouts.drainWindowMs = 400;
    SetRadioAddress("tcp:127.0.0.1:" + std::to_string(port.load()));
    const Bytes data(506, 0x5A);
    for (int connection = 0; connection < 2; ++connection) {
        ASSERT_EQ(RadioOpen(), 1) << RadioOpenFailure();
        unsigned char reply[7];
        EXPECT_EQ(RadioSearch(reply), 1);
        if (connection == 0) {
            EXPECT_EQ(RadioWriteBlock(0x200100, data.data(), 2, 506), 1);
        }
        unsigned char back[506] = {};
        EXPECT_EQ(RadioReadBlock(0x200100, 2, 506, back), 1);
        EXPECT_EQ(Bytes(back, back + 506), data);
        RadioClose();
    }
    stop = true;
    server.join();
    EXPECT_TRUE(served) << error;
    CRadioEmulator saved;
    ASSERT_TRUE(saved.LoadMemory(memory));
    EXPECT_EQ(saved.Memory()[0x200100 + 505], 0x5A);

    std::atomic<bool> never{false};
    EXPECT_FALSE(RunEmulatorServer("0.0.0.0", 0, EmulatorOptions(), "", never, {}, &error));
    EXPECT_NE(error.find("loopback"), std::string::npos);

    // Nobody listens any more: a clear failure, not a hang.
    EXPECT_EQ(RadioOpen(), 0);
    EXPECT_NE(RadioOpenFailure().find("127.0.0.1"), std::string::npos);
    EXPECT_NE(RadioOpenFailure().find("onnection refused"), std::string::npos) << RadioOpenFailure();
}

}  // namespace
}  // namespace pendrak
