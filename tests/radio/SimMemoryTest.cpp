// The emulated radio's memory file: one radio, locked while a link is open,
// every block written through before it is acknowledged, and each problem
// named with the file and its cause.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#ifdef __linux__
#include <sys/mount.h>
#include <sys/stat.h>
#endif

#include "RadioTestSupport.h"
#include "platform/System.h"
#include "radio/RadioJob.h"
#include "radio/RadioProtocol.h"
#include "radio/sim/MemoryFile.h"
#include "radio/sim/SimLink.h"

namespace pendrak {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kArea = 0x200000;

class SimMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_radioTimeouts = test::ShortTimeouts();
        dir = test::UniqueTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        image = std::make_unique<CContactImage>();
        image->ClearContactImage();
    }
    void TearDown() override {
        RadioClose();
        SetRadioAddress("usb");
        SetRadioLinkOpener(nullptr);
        SetSimOptions(EmulatorOptions());
        fs::remove_all(dir);
    }
    // 40 contacts: 4420 bytes, nine 506-byte blocks.
    void FillImage() {
        for (int n = 0; n < 40; ++n) image->SetContactRadioId(n, 5000 + n);
        image->SetContactCount(40);
    }
    int32_t Run(int32_t mode) {
        RadioJob job;
        job.nMode = mode;
        job.pImage = image.get();
        RadioJobThread(&job);
        return job.nState.load();
    }
    int32_t ConnectAndRun(int32_t mode) {
        struct CNoMessages : IRadioMessages {
            std::string key;
            void RadioFailed(const char* k) override { key = k; }
        } messages;
        if (!ConnectRadio(messages)) return -1;
        return Run(mode);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
    std::unique_ptr<CContactImage> image;
};

TEST_F(SimMemoryTest, RefusedBlockIsNeitherAcknowledgedNorKept) {
    struct Case {
        const char* name;
        int failFrom;
        bool failFlush;
        int32_t state;
        size_t kept;  // bytes of the image the radio holds afterwards
        const char* fault;
    };
    const Case cases[] = {
        {"all stored", 0, false, JOB_WRITE_DONE, 4420, ""},
        {"first block refused", 1, false, JOB_WRITE_FAILED, 0, "disk full"},
        {"third block refused", 3, false, JOB_WRITE_FAILED, 1012, "disk full"},
        {"every block taken, none saved", 0, true, JOB_WRITE_FAILED, 4420, "I/O error"},
    };
    FillImage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto radio = std::make_shared<CRadioEmulator>();
        const test::Bytes before(radio->ContactRegion(), radio->ContactRegion() + 4420);
        g_hRadioDevice = CreateEmulatorLink(
            radio, std::make_shared<test::CFailingStore>(c.failFrom, c.failFlush));
        EXPECT_EQ(Run(JOB_MODE_WRITE), c.state);
        EXPECT_NE(RadioLinkFault().find(c.fault), std::string::npos) << RadioLinkFault();
        EXPECT_EQ(RadioLinkFault().empty(), *c.fault == '\0');
        EXPECT_EQ(std::memcmp(radio->ContactRegion(), image->Bytes(), c.kept), 0);
        EXPECT_EQ(
            std::memcmp(radio->ContactRegion() + c.kept, before.data() + c.kept, 4420 - c.kept), 0);
        EXPECT_EQ(radio->Store(), nullptr) << "the closed link left its store attached";
    }
}

TEST_F(SimMemoryTest, TheFileKeepsWhatTheRadioStored) {
    // Even a block the radio stores changed: a later link reads it so.
    EmulatorOptions corrupting;
    corrupting.faults.corruptBlock = 1;
    SetSimOptions(corrupting);
    FillImage();
    SetRadioAddress("sim:" + Path("radio.bin"));
    EXPECT_EQ(ConnectAndRun(JOB_MODE_WRITE), JOB_WRITE_DONE);
    CRadioEmulator radio;
    ASSERT_TRUE(radio.LoadMemory(Path("radio.bin")));
    EXPECT_EQ(radio.ContactRegion()[505], image->Bytes()[505] ^ 0x01);
    EXPECT_EQ(std::memcmp(radio.ContactRegion(), image->Bytes(), 505), 0);
    EXPECT_EQ(std::memcmp(radio.ContactRegion() + 506, image->Bytes() + 506, 4420 - 506), 0);
}

TEST_F(SimMemoryTest, AMemoryFileIsOneRadio) {
    const std::string path = Path("radio.bin");
    CRadioEmulator radio;
    CMemoryFile first, second;
    std::string failure;
    ASSERT_TRUE(first.Open(path, radio.Memory(), radio.MemorySize(), failure)) << failure;
    EXPECT_EQ(fs::file_size(path), radio.MemorySize());

    EXPECT_FALSE(second.Open(path, radio.Memory(), radio.MemorySize(), failure));
    EXPECT_NE(failure.find("in use"), std::string::npos) << failure;
    EXPECT_NE(failure.find(path), std::string::npos) << failure;

    SetRadioAddress("sim:" + path);
    EXPECT_EQ(RadioOpen(), 0);
    EXPECT_NE(RadioOpenFailure().find("in use"), std::string::npos) << RadioOpenFailure();

    first.Close();
    EXPECT_EQ(RadioOpen(), 1) << RadioOpenFailure();
    EXPECT_FALSE(second.Open(path, radio.Memory(), radio.MemorySize(), failure));
    RadioClose();  // the lock goes with the link
    EXPECT_TRUE(second.Open(path, radio.Memory(), radio.MemorySize(), failure)) << failure;
}

TEST_F(SimMemoryTest, SimultaneousFreshStartsMakeOneWholeRadio) {
    const std::string path = Path("fresh.bin");
    for (int round = 0; round < 6; ++round) {
        fs::remove(path);
        CRadioEmulator radios[2];
        CMemoryFile files[2];
        std::string failures[2];
        bool opened[2] = {};
        std::atomic<int> ready{0};
        auto open = [&](int i) {
            ++ready;
            while (ready.load() < 2) std::this_thread::yield();
            opened[i] =
                files[i].Open(path, radios[i].Memory(), radios[i].MemorySize(), failures[i]);
        };
        std::thread a(open, 0), b(open, 1);
        a.join();
        b.join();
        ASSERT_NE(opened[0], opened[1]) << failures[0] << " / " << failures[1];
        const std::string& failure = failures[opened[0] ? 1 : 0];
        EXPECT_NE(failure.find("in use"), std::string::npos) << failure;
        EXPECT_EQ(fs::file_size(path), radios[0].MemorySize());
    }
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename(), "fresh.bin") << "a temporary file was left";
}

TEST_F(SimMemoryTest, FileProblemsNameTheFileAndTheCause) {
    fs::create_directories(dir / "folder.bin");
    std::ofstream(Path("short.bin")) << "not a radio";
    struct Case {
        std::string path;
        const char* cause;
    };
    std::vector<Case> cases = {
        {Path("missing/radio.bin"), "cannot create it: there is no folder"},
        {Path("short.bin"), "holds 11 bytes"},
        {Path("folder.bin"), "folder"},
    };
#ifdef __linux__
    // Reading a FIFO without a writer would wait for ever.
    ASSERT_EQ(mkfifo(Path("fifo.bin").c_str(), 0600), 0);
    cases.push_back({Path("fifo.bin"), "not a regular file"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SetRadioAddress("sim:" + c.path);
        EXPECT_EQ(RadioOpen(), 0);
        const std::string& failure = RadioOpenFailure();
        // Named with the platform's separators.
        EXPECT_EQ(failure.rfind("emulator memory file " + NativePath(c.path), 0), 0u) << failure;
        // "Is a directory" on Linux, "is a folder" on Windows.
        const bool causeNamed =
            failure.find(c.cause) != std::string::npos ||
            (std::string(c.cause) == "folder" && failure.find("directory") != std::string::npos);
        EXPECT_TRUE(causeNamed) << failure;
    }
    EXPECT_EQ(fs::file_size(Path("short.bin")), 11u) << "a wrong file was overwritten";
}

#ifdef __linux__
// A small tmpfs of its own; skipped where mounting is not allowed.
class CSmallFileSystem {
public:
    explicit CSmallFileSystem(const fs::path& where) : m_dir(where) {
        fs::create_directories(m_dir);
        m_mounted = mount("tmpfs", m_dir.c_str(), "tmpfs", 0, "size=20m") == 0;
    }
    ~CSmallFileSystem() {
        if (m_mounted) umount2(m_dir.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    bool ReadOnly() {
        return mount(nullptr, m_dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    // Fills what is left; the returned file frees it when removed.
    fs::path Fill() const {
        const fs::path fill = m_dir / "fill";
        std::ofstream out(fill, std::ios::binary);
        const std::string chunk(1 << 16, 'x');
        while (out.write(chunk.data(), std::streamsize(chunk.size())) && out.flush()) {
        }
        return fill;
    }

private:
    fs::path m_dir;
    bool m_mounted = false;
};

TEST_F(SimMemoryTest, FullAndReadOnlyFileSystems) {
    CSmallFileSystem small(dir / "small");
    if (!small.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    FillImage();

    // A memory file with nothing allocated behind it yet: the blocks need room.
    const std::string sparse = (dir / "small" / "sparse.bin").string();
    std::ofstream(sparse, std::ios::binary).close();
    fs::resize_file(sparse, CRadioEmulator().MemorySize());
    const fs::path fill = small.Fill();

    SetRadioAddress("sim:" + sparse);
    EXPECT_EQ(ConnectAndRun(JOB_MODE_WRITE), JOB_WRITE_FAILED);
    EXPECT_NE(RadioLinkFault().find(sparse), std::string::npos) << RadioLinkFault();
    EXPECT_NE(RadioLinkFault().find("No space left"), std::string::npos) << RadioLinkFault();

    // No room for a fresh radio: no file, and nothing left behind.
    const std::string fresh = (dir / "small" / "fresh.bin").string();
    SetRadioAddress("sim:" + fresh);
    EXPECT_EQ(RadioOpen(), 0);
    EXPECT_NE(RadioOpenFailure().find("No space left"), std::string::npos) << RadioOpenFailure();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "small"), fs::directory_iterator()), 2);

    // Room again: the same radio takes the whole list.
    fs::remove(fill);
    SetRadioAddress("sim:" + sparse);
    EXPECT_EQ(ConnectAndRun(JOB_MODE_WRITE), JOB_WRITE_DONE) << RadioLinkFault();

    // Read-only: the radio still reads, and refuses a Write saying why.
    ASSERT_TRUE(small.ReadOnly());
    auto back = std::make_unique<CContactImage>();
    std::swap(image, back);
    EXPECT_EQ(ConnectAndRun(JOB_MODE_READ), JOB_READ_DONE);
    EXPECT_EQ(image->GetContactCount(), 40);
    EXPECT_EQ(ConnectAndRun(JOB_MODE_WRITE), JOB_WRITE_FAILED);
    EXPECT_NE(RadioLinkFault().find("cannot be written"), std::string::npos) << RadioLinkFault();
}
#endif

}  // namespace
}  // namespace pendrak
