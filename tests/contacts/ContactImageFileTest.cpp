// Image files in both forms, where an image byte lies, and backups.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <chrono>
#include <cstring>
#include <atomic>
#include <thread>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "contacts/ContactBackup.h"
#include "contacts/ContactImageFile.h"

namespace pendrak {
namespace {

namespace fs = std::filesystem;

class ImageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("pendrak-imagefile-" + std::to_string(rd()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    // count contacts with IDs 500000 + n, over an image dirtied past them.
    static std::unique_ptr<CContactImage> Image(int count) {
        auto image = std::make_unique<CContactImage>();
        image->ClearContactImage();
        for (int n = 0; n < MAX_CONTACTS; n += 997) image->SetContactRadioId(n, 42);
        for (int n = 0; n < count; ++n) {
            image->SetContactRadioId(n, 500000 + n);
            image->SetContactFieldText(CONTACT_NAME, n, "N" + std::to_string(n));
        }
        image->SetContactCount(count);
        image->Bytes()[5] = 0xA5;  // a header byte the radio owns
        return image;
    }
    static std::string FileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path dir;
};

TEST_F(ImageFileTest, BothFormsLoadBack) {
    const struct {
        int count;
        bool shortForm;
        int size;
    } cases[] = {{0, true, 16},        {1, true, 124},      {36, true, 3904},
                 {37, true, 4096},     {130000, true, 14391300}, {0, false, CONTACT_IMAGE_SIZE},
                 {300, false, CONTACT_IMAGE_SIZE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + (c.shortForm ? " short" : " whole"));
        const auto written = Image(c.count);
        const std::string path = Path("x.bin");
        ASSERT_EQ(WriteContactImageFile(path, *written, c.shortForm).outcome, ImageFileResult::Done);
        EXPECT_EQ(fs::file_size(path), static_cast<uintmax_t>(c.size));

        auto loaded = Image(MAX_CONTACTS);  // every byte differs from a fresh image somewhere
        const ImageFileResult result = LoadContactImageFile(path, *loaded);
        ASSERT_EQ(result.outcome, ImageFileResult::Done) << result.strReason;
        EXPECT_EQ(result.bShortForm, c.shortForm);
        EXPECT_EQ(loaded->GetContactCount(), c.count);
        if (c.shortForm) {
            // The rest is the cleared image the program starts with.
            auto expected = std::make_unique<CContactImage>();
            expected->ClearContactImage();
            std::memcpy(expected->Bytes(), written->Bytes(), size_t(c.size));
            EXPECT_EQ(std::memcmp(loaded->Bytes(), expected->Bytes(), CONTACT_IMAGE_SIZE), 0);
        } else {
            EXPECT_EQ(std::memcmp(loaded->Bytes(), written->Bytes(), CONTACT_IMAGE_SIZE), 0);
        }
    }
}

TEST_F(ImageFileTest, FilesOfNeitherFormAreRefusedAndChangeNothing) {
    const auto sample = Image(2);
    const std::string shortTwo(reinterpret_cast<const char*>(sample->Bytes()), 232);
    const struct {
        std::string name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"empty", "", "0 bytes"},
        {"header cut", shortTwo.substr(0, 15), "15 bytes"},
        {"one record too few", shortTwo.substr(0, 124), "232 for the 2 contacts"},
        {"one byte too many", shortTwo + "x", "233 bytes"},
        {"longer than a whole image", std::string(CONTACT_IMAGE_SIZE + 1, '\0'), "14393345"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(Path("bad.bin"), c.bytes);
        auto image = Image(7);
        const ImageFileResult result = LoadContactImageFile(Path("bad.bin"), *image);
        EXPECT_EQ(result.outcome, ImageFileResult::NotAnImage);
        EXPECT_NE(result.strReason.find(c.reason), std::string::npos) << result.strReason;
        EXPECT_EQ(std::memcmp(image->Bytes(), Image(7)->Bytes(), CONTACT_IMAGE_SIZE), 0);
    }
    auto image = Image(7);
    EXPECT_EQ(LoadContactImageFile(dir.string(), *image).outcome, ImageFileResult::NotAnImage);
#ifndef _WIN32
    // Refused before opening: opening a FIFO waits for a writer that never comes.
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(LoadContactImageFile(Path("fifo"), *image).outcome, ImageFileResult::NotAnImage);
#endif
    EXPECT_EQ(LoadContactImageFile(Path("missing.bin"), *image).outcome,
              ImageFileResult::OpenFailed);
    EXPECT_EQ(WriteContactImageFile(Path("no/such/folder.bin"), *image, true).outcome,
              ImageFileResult::OpenFailed);
    EXPECT_EQ(image->GetContactCount(), 7);
}

TEST(ImageOffset, NamesTheContactAByteBelongsTo) {
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    image->SetContactRadioId(0, 111);
    image->SetContactRadioId(36, 3636);
    image->SetContactRadioId(37, 3737);
    const struct {
        int offset;
        ImageOffsetPlace::Kind kind;
        int record, byte;
        const char* text;
    } cases[] = {
        {0, ImageOffsetPlace::Header, -1, 0, "the header (contact count)"},
        {15, ImageOffsetPlace::Header, -1, 0, "the header (contact count)"},
        {16, ImageOffsetPlace::Record, 0, 0, "contact 1 (radio ID 111)"},
        {4011, ImageOffsetPlace::Record, 36, 107, "contact 37 (radio ID 3636)"},
        {4012, ImageOffsetPlace::SectorTail, 36, 0, "the unused bytes after contact 37"},
        {4095, ImageOffsetPlace::SectorTail, 36, 83, "the unused bytes after contact 37"},
        {4096, ImageOffsetPlace::Record, 37, 0, "contact 38 (radio ID 3737)"},
        {8191, ImageOffsetPlace::SectorTail, 73, 99, "the unused bytes after contact 74"},
        {14391299, ImageOffsetPlace::Record, 129999, 107, "contact 130000 (radio ID 0)"},
    };
    for (const auto& c : cases) {
        const ImageOffsetPlace place = LocateImageOffset(c.offset);
        EXPECT_EQ(place.kind, c.kind) << c.offset;
        EXPECT_EQ(place.nRecord, c.record) << c.offset;
        if (c.kind != ImageOffsetPlace::Header) {
            EXPECT_EQ(place.nByte, c.byte) << c.offset;
        }
        EXPECT_EQ(DescribeImageOffset(*image, c.offset), c.text);
    }
    // Every byte of every record is named as that record.
    for (int n : {0, 1, 36, 37, 38, 74, 129999})
        for (int b = 0; b < CONTACT_RECORD_SIZE; ++b)
            ASSERT_EQ(LocateImageOffset(ContactRecordOffset(n) + b).nRecord, n) << n << " " << b;
}

using Clock = std::chrono::system_clock;

TEST_F(ImageFileTest, BackupsKeepTheNewestTwentyInTimeOrder) {
    const std::string folder = Path("Bin/deeper");  // made when missing
    Put(Path("notes.txt"), "x");
    fs::create_directories(folder);
    Put(folder + "/mine.bin", "not a backup");
    const Clock::time_point start = Clock::now();
    std::vector<std::string> names;
    for (int i = 0; i < MAX_BACKUPS + 3; ++i) {
        const auto image = Image(i);
        const BackupKind kind = i % 2 ? BackupKind::Write : BackupKind::Read;
        const BackupResult r = SaveContactBackup(folder, *image, kind, start + std::chrono::seconds(i));
        ASSERT_TRUE(r.bOk) << r.strReason;
        EXPECT_EQ(fs::path(r.strPath).filename().string(),
                  BackupFileName(start + std::chrono::seconds(i), kind));
        EXPECT_EQ(fs::file_size(r.strPath), static_cast<uintmax_t>(ContactImageShortLength(i)));
        names.push_back(fs::path(r.strPath).filename().string());
    }
    std::vector<ContactBackupInfo> backups;
    ASSERT_TRUE(ListContactBackups(folder, backups));
    ASSERT_EQ(backups.size(), size_t(MAX_BACKUPS));
    for (int k = 0; k < MAX_BACKUPS; ++k) {
        const int i = MAX_BACKUPS + 2 - k;  // newest first; the three oldest gone
        EXPECT_EQ(backups[size_t(k)].strName, names[size_t(i)]);
        EXPECT_EQ(backups[size_t(k)].nContacts, i);
        EXPECT_EQ(backups[size_t(k)].kind, i % 2 ? BackupKind::Write : BackupKind::Read);
    }
    EXPECT_TRUE(fs::exists(folder + "/mine.bin"));
    EXPECT_TRUE(fs::exists(Path("notes.txt")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
              MAX_BACKUPS + 1);  // no temporary left behind

    // Loaded back, a backup is the image it kept.
    auto back = Image(0);
    ASSERT_EQ(LoadContactImageFile(backups[0].strPath, *back).outcome, ImageFileResult::Done);
    EXPECT_EQ(std::memcmp(back->Bytes(), Image(MAX_BACKUPS + 2)->Bytes(),
                          size_t(ContactImageShortLength(MAX_BACKUPS + 2))),
              0);
}

TEST_F(ImageFileTest, BackupsInOneMillisecondStayApartAndInOrder) {
    const Clock::time_point when = Clock::now();
    const auto image = Image(3);
    const BackupResult read = SaveContactBackup(dir.string(), *image, BackupKind::Read, when);
    const BackupResult write = SaveContactBackup(dir.string(), *image, BackupKind::Write, when);
    const BackupResult again = SaveContactBackup(dir.string(), *image, BackupKind::Read, when);
    ASSERT_TRUE(read.bOk && write.bOk && again.bOk);
    std::vector<ContactBackupInfo> backups;
    ASSERT_TRUE(ListContactBackups(dir.string(), backups));
    ASSERT_EQ(backups.size(), 3u);
    EXPECT_EQ(backups[0].strPath, again.strPath);
    EXPECT_EQ(backups[1].strPath, write.strPath);
    EXPECT_EQ(backups[2].strPath, read.strPath);
}

TEST_F(ImageFileTest, BackupFailuresSayWhyAndDamagedFilesShowAsSuch) {
    Put(Path("taken"), "a file where the folder should be");
    const BackupResult r = SaveContactBackup(Path("taken"), *Image(1), BackupKind::Read);
    EXPECT_FALSE(r.bOk);
    EXPECT_NE(r.strReason.find("taken"), std::string::npos) << r.strReason;

    std::vector<ContactBackupInfo> backups;
    EXPECT_TRUE(ListContactBackups(Path("none yet"), backups));
    EXPECT_TRUE(backups.empty());
    const BackupResult ok = SaveContactBackup(dir.string(), *Image(5), BackupKind::Write);
    ASSERT_TRUE(ok.bOk);
    fs::resize_file(ok.strPath, 100);
    ASSERT_TRUE(ListContactBackups(dir.string(), backups));
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].nContacts, -1);
}

TEST_F(ImageFileTest, ImpossibleCountsAreRefusedAndTheErasedCountIsEmpty) {
    // Count bytes (low first), whole image or header alone, refused.
    const struct {
        unsigned char count[3];
        bool whole, refused;
    } cases[] = {{{0xD1, 0xFB, 0x01}, true, true},    // 130001
                 {{0xFE, 0xFF, 0xFF}, false, true},   // 16777214
                 {{0xFF, 0xFF, 0xFF}, true, false},   // erased: empty
                 {{0xFF, 0xFF, 0xFF}, false, false},
                 {{0xD0, 0xFB, 0x01}, true, false}};  // 130000
    for (const auto& c : cases) {
        auto image = Image(1000);
        std::memcpy(image->Bytes(), c.count, 3);
        Put(Path("count.bin"), std::string(reinterpret_cast<const char*>(image->Bytes()),
                                           c.whole ? CONTACT_IMAGE_SIZE : CONTACT_HEADER_SIZE));
        auto loaded = Image(7);
        const ImageFileResult r = LoadContactImageFile(Path("count.bin"), *loaded);
        const int raw = c.count[0] | c.count[1] << 8 | c.count[2] << 16;
        SCOPED_TRACE(raw);
        EXPECT_EQ(r.outcome, c.refused ? ImageFileResult::BadCount : ImageFileResult::Done);
        if (c.refused) {
            EXPECT_EQ(r.strReason.find("not a contact image: count " + std::to_string(raw)), 0u);
        }
        EXPECT_EQ(loaded->GetContactCount(), c.refused ? 7 : raw > MAX_CONTACTS ? 0 : raw);
    }
}

// A clock once set wrong left backups dated ahead; files only named like
// backups are no backups.
TEST_F(ImageFileTest, PruningKeepsTheNewBackupAndWhatIsNotABackup) {
    const Clock::time_point now = Clock::now();
    const Clock::time_point ahead = now + std::chrono::hours(24 * 365);
    for (int i = 0; i < MAX_BACKUPS; ++i)
        ASSERT_TRUE(SaveContactBackup(dir.string(), *Image(i + 1), BackupKind::Read,
                                      ahead + std::chrono::seconds(i)).bOk);
    const std::string lookAlike = BackupFileName(now - std::chrono::hours(1), BackupKind::Write);
    Put(Path(lookAlike), "not an image");
    const BackupResult fresh = SaveContactBackup(dir.string(), *Image(42), BackupKind::Write, now);
    ASSERT_TRUE(fresh.bOk);
    EXPECT_TRUE(fs::exists(fresh.strPath));
    EXPECT_TRUE(fs::exists(Path(lookAlike)));
    std::vector<ContactBackupInfo> backups;
    ASSERT_TRUE(ListContactBackups(dir.string(), backups));
    EXPECT_EQ(backups.size(), size_t(MAX_BACKUPS + 2));
    // The next one leaves the newest twenty and itself: the older fresh one goes.
    const BackupResult next =
        SaveContactBackup(dir.string(), *Image(43), BackupKind::Read, now + std::chrono::seconds(1));
    ASSERT_TRUE(next.bOk);
    EXPECT_TRUE(fs::exists(next.strPath));
    EXPECT_FALSE(fs::exists(fresh.strPath));
    EXPECT_TRUE(fs::exists(Path(lookAlike)));
}

#ifndef _WIN32
// Links planted at the names a backup will take are never written through.
TEST_F(ImageFileTest, LinksAtTheBackupNamesLeaveFilesOutsideAlone) {
    const Clock::time_point when = Clock::now();
    const std::string name = BackupFileName(when, BackupKind::Read);
    fs::create_directories(Path("shared"));
    Put(Path("outside.txt"), "precious");
    fs::create_symlink(Path("gone.txt"), Path("shared/" + name));  // dangling: the name looks free
    fs::create_symlink(Path("outside.txt"), Path("shared/." + name + ".part"));
    const BackupResult r = SaveContactBackup(Path("shared"), *Image(3), BackupKind::Read, when);
    ASSERT_TRUE(r.bOk) << r.strReason;
    EXPECT_EQ(FileBytes(Path("outside.txt")), "precious");
    EXPECT_FALSE(fs::exists(Path("gone.txt")));
    EXPECT_TRUE(fs::is_symlink(Path("shared/" + name)));
    EXPECT_EQ(fs::path(r.strPath).filename().string(), name.substr(0, name.size() - 4) + "-2.bin");
    auto back = Image(0);
    ASSERT_EQ(LoadContactImageFile(r.strPath, *back).outcome, ImageFileResult::Done);
    EXPECT_EQ(back->GetContactCount(), 3);

    fs::create_symlink(Path("nowhere"), Path("Bin"));
    const BackupResult dangling = SaveContactBackup(Path("Bin"), *Image(1), BackupKind::Read);
    EXPECT_FALSE(dangling.bOk);
    EXPECT_NE(dangling.strReason.find("which does not exist"), std::string::npos) << dangling.strReason;
}
#endif

// Two savers in one folder at the same moment: each backup holds its own list.
TEST_F(ImageFileTest, BackupsSavedAtOnceNeverMix) {
    std::atomic<int> wrong{0};
    auto saver = [&](int count) {
        const auto image = Image(count);
        auto back = Image(0);
        for (int i = 0; i < 100; ++i) {
            const BackupResult r = SaveContactBackup(dir.string(), *image, BackupKind::Write);
            if (!r.bOk || LoadContactImageFile(r.strPath, *back).outcome != ImageFileResult::Done ||
                back->GetContactCount() != count ||
                std::memcmp(back->Bytes(), image->Bytes(), size_t(ContactImageShortLength(count))) != 0)
                ++wrong;
        }
    };
    std::thread a(saver, 700), b(saver, 900);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), MAX_BACKUPS);
}

}  // namespace
}  // namespace pendrak
