// write --verify, the backups read and write keep, image files in short
// form, and what info and an empty Write say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <regex>
#include <memory>
#include <string>

#include "CliProcess.h"
#include "CliRadioSupport.h"
#include "contacts/ContactImageFile.h"
#include "platform/System.h"

using namespace clitest;
using namespace pendrak;

namespace {

std::string ShortBytes(const CContactImage& image) {
    return ImageBytes(image).substr(0, size_t(ContactImageShortLength(image.GetContactCount())));
}

// Names in a backup folder, newest first (the names sort by time).
std::vector<std::string> Backups(const std::string& dir) {
    if (!Exists(dir)) return {};
    std::vector<std::string> names = ListDir(dir);
    std::sort(names.rbegin(), names.rend());
    return names;
}

TEST(CliKeep, VerifyNamesTheContactTheRadioChanged) {
    CTempDir dir;
    const std::string written = dir.Path("w.bin");
    WriteFile(written, ImageBytes(*SyntheticImage(1000)));

    // The radio changes the last byte of the third 506-byte block: image
    // byte 1517, inside the 14th record.
    CEmulator faulty(dir.Path("faulty.bin"), {"--corrupt-block", "3"});
    ASSERT_FALSE(faulty.Address().empty()) << faulty.Child().Err();
    ProcessResult r = RunCli({"write", "--radio", faulty.Address(), "--image", written, "--verify", "--no-backup"},
                             kFastLink);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.err.find("verify: contact 14 (radio ID 1000013) differs"), std::string::npos) << r.err;
    // The dialog's words close the line, filled in, in every language shipped.
    for (const auto& entry : std::filesystem::directory_iterator(PENDRAK_LANG_DIR)) {
        if (entry.path().extension() != ".lng") continue;
        const std::string lang = entry.path().stem().string();
        r = RunCli({"write", "--radio", faulty.Address(), "--image", written, "--verify", "--no-backup",
                    "--lang", lang},
                   kFastLink);
        EXPECT_EQ(r.exitCode, 1) << lang;
        const size_t at = r.err.find("pendrak-cli: ");
        ASSERT_NE(at, std::string::npos) << lang << ": " << r.err;
        const std::string failure = r.err.substr(at);
        EXPECT_NE(failure.find("14"), failure.rfind("14")) << lang << ": " << failure;  // also in the words
        EXPECT_FALSE(std::regex_search(failure, std::regex("%[0-9]"))) << lang << ": " << failure;
    }
    // Without the read-back the same radio seems fine.
    r = RunCli({"write", "--radio", faulty.Address(), "--image", written, "--no-backup"}, kFastLink);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    CEmulator sound(dir.Path("sound.bin"));
    ASSERT_FALSE(sound.Address().empty()) << sound.Child().Err();
    for (const std::string& radio : {"sim:" + dir.Path("sim.bin"), sound.Address()}) {
        SCOPED_TRACE(radio);
        r = RunCli({"write", "--radio", radio, "--image", written, "--verify", "--no-backup"}, kFastLink);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Verified: the radio holds the 1000 contacts written"), std::string::npos) << r.out;
        EXPECT_NE(r.err.find("Writing: 100%"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Verifying: 100%"), std::string::npos) << r.err;
    }
}

TEST(CliKeep, BackupsOfReadAndWriteRestoreTheRadio) {
    CTempDir dir;
    auto held = SyntheticImage(300);
    for (int n = 0; n < 150; ++n) held->SwapContactRecords(n, 299 - n);  // unsorted, as a radio may hold it
    WriteRadioMemory(dir.Path("radio.bin"), *held);
    const std::string before = ReadFile(dir.Path("radio.bin"));
    const std::string radio = "sim:" + dir.Path("radio.bin"), bin = dir.Path("Bin");

    ProcessResult r = RunCli({"read", "--radio", radio, "-o", dir.Path("out.csv"), "--backup-dir", bin}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> names = Backups(bin);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_NE(names[0].find("_read.bin"), std::string::npos);
    // Named with the platform's separators (backslashes on Windows).
    EXPECT_NE(r.out.find("Backup: " + NativePath(bin)), std::string::npos) << r.out;
    EXPECT_TRUE(ReadFile(bin + "/" + names[0]) == ShortBytes(*held)) << "not the list as the radio held it";

    auto other = SyntheticImage(50);
    WriteFile(dir.Path("other.bin"), ImageBytes(*other));
    r = RunCli({"write", "--radio", radio, "--image", dir.Path("other.bin"), "--backup-dir", bin}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    names = Backups(bin);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_NE(names[0].find("_write.bin"), std::string::npos);
    EXPECT_TRUE(ReadFile(bin + "/" + names[0]) == ShortBytes(*other)) << "not the list written";
    EXPECT_FALSE(ReadFile(dir.Path("radio.bin")) == before);

    r = RunCli({"backups", "--backup-dir", bin});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const size_t write = r.out.find("  write      50 contacts  " + names[0]);
    const size_t read = r.out.find("  read      300 contacts  " + names[1]);
    EXPECT_NE(write, std::string::npos) << r.out;
    EXPECT_NE(read, std::string::npos) << r.out;
    EXPECT_LT(write, read) << "newest first";

    // The Read's backup written back gives the radio its old list, byte for byte.
    r = RunCli({"write", "--radio", radio, "--image", bin + "/" + names[1], "--no-backup"}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(dir.Path("radio.bin")) == before);
    EXPECT_EQ(Backups(bin).size(), 2u) << "--no-backup kept one";

    r = RunCli({"backups", "--backup-dir", dir.Path("none")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("No backups in"), std::string::npos) << r.out;
}

TEST(CliKeep, ABackupThatCannotBeKeptIsNeverSilent) {
    CTempDir dir;
    WriteRadioMemory(dir.Path("radio.bin"), *SyntheticImage(20));
    const std::string before = ReadFile(dir.Path("radio.bin"));
    const std::string radio = "sim:" + dir.Path("radio.bin"), taken = dir.Path("taken");
    WriteFile(taken, "a file where the folder should be");
    WriteFile(dir.Path("other.bin"), ImageBytes(*SyntheticImage(5)));

    ProcessResult r =
        RunCli({"write", "--radio", radio, "--image", dir.Path("other.bin"), "--backup-dir", taken}, kFastLink);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--no-backup"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(dir.Path("radio.bin")) == before) << "written without its backup";

    // The Read's outputs are whole; the missing backup is said all the same.
    r = RunCli({"read", "--radio", radio, "-o", dir.Path("out.csv"), "--backup-dir", taken}, kFastLink);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("warning: no backup kept"), std::string::npos) << r.err;
    EXPECT_TRUE(Exists(dir.Path("out.csv")));
}

TEST(CliKeep, ShortImageFilesWorkWhereverImagesDo) {
    CTempDir dir;
    auto image = SyntheticImage(250);
    const std::string whole = dir.Path("whole.bin"), brief = dir.Path("short.bin");
    WriteFile(whole, ImageBytes(*image));
    WriteFile(brief, ShortBytes(*image));
    WriteFile(dir.Path("c.csv"), "7,NEW,,,,,,,\n");

    for (const std::string& file : {whole, brief}) {
        SCOPED_TRACE(file);
        ProcessResult r = RunCli({"list", file, "--page", "2"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Page 2/2, 250 contacts"), std::string::npos) << r.out;
        ASSERT_EQ(RunCli({"export", file, "-o", file + ".csv"}).exitCode, 0);
        r = RunCli({"import", dir.Path("c.csv"), "--image", file + ".out", "--base", file});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        r = RunCli({"write", "--radio", "sim:" + file + ".radio", "--image", file, "--no-backup"}, kFastLink);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    EXPECT_TRUE(ReadFile(whole + ".csv") == ReadFile(brief + ".csv"));
    EXPECT_EQ(ReadFile(whole + ".radio").substr(CONTACT_AREA, 30000),
              ReadFile(brief + ".radio").substr(CONTACT_AREA, 30000));

    // One byte more is neither form.
    WriteFile(brief, ShortBytes(*image) + "x");
    const ProcessResult r = RunCli({"list", brief});
    EXPECT_EQ(r.exitCode, 1);
    const std::string size = std::to_string(ContactImageShortLength(250) + 1);
    EXPECT_NE(r.err.find("is not an image file: it has " + size + " bytes"), std::string::npos) << r.err;
}

TEST(CliKeep, WhatInfoAndAnEmptyWriteSay) {
    CTempDir dir;
    auto erased = SyntheticImage(40);
    std::memset(erased->Bytes(), 0xFF, 3);  // a count no radio list can have
    WriteRadioMemory(dir.Path("radio.bin"), *erased);
    const std::string radio = "sim:" + dir.Path("radio.bin");
    ProcessResult r = RunCli({"info", "--radio", radio}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("contacts:       16777215 (above 130000: a Read shows 0 contacts)"), std::string::npos)
        << r.out;
    r = RunCli({"read", "--radio", radio, "-o", dir.Path("out.csv"), "--no-backup"}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\n0 contacts"), std::string::npos) << r.out;

    WriteFile(dir.Path("empty.bin"), ShortBytes(*SyntheticImage(0)));
    r = RunCli({"write", "--radio", radio, "--image", dir.Path("empty.bin"), "--no-backup"}, kFastLink);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("100%"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("No contacts were sent"), std::string::npos) << r.out;
}

}  // namespace
