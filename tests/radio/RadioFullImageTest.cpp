// A full image of 130,000 contacts written and read back through the
// emulator, in both block formats.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "RadioTestSupport.h"
#include "radio/RadioJob.h"
#include "radio/sim/SimLink.h"

namespace pendrak {
namespace {

class NoMessages : public IRadioMessages {
public:
    void RadioFailed(const char* key) override { ADD_FAILURE() << key; }
};

void FillFullImage(CContactImage& image, unsigned seed) {
    unsigned char* p = image.Bytes();
    uint32_t x = seed;
    for (int i = 0; i < CONTACT_IMAGE_SIZE; ++i) {
        x = x * 1664525u + 1013904223u;
        p[i] = static_cast<unsigned char>(x >> 24);
    }
    image.SetContactCount(MAX_CONTACTS);
}

int32_t RunJob(int32_t mode, CContactImage& image) {
    NoMessages messages;
    if (!ConnectRadio(messages)) return -1;
    RadioJob job;
    job.nMode = mode;
    job.pImage = &image;
    RadioJobThread(&job);
    return job.nState;
}

TEST(FullImage, WriteThenReadIsByteIdenticalInBothFormats) {
    namespace fs = std::filesystem;
    g_radioTimeouts = test::ShortTimeouts();
    const fs::path dir = test::UniqueTempDir("full-image");
    const fs::path file = dir / "radio.bin";
    const int used = ContactImageUsedLength(MAX_CONTACTS);
    ASSERT_EQ(used, 14391300);
    auto source = std::make_unique<CContactImage>();
    auto back = std::make_unique<CContactImage>();
    for (char digit : {'2', '1'}) {
        SCOPED_TRACE(digit);
        fs::remove(file);
        EmulatorOptions o;
        o.blockFormatDigit = digit;
        SetSimOptions(o);
        SetRadioAddress("sim:" + file.string());
        FillFullImage(*source, unsigned(digit));
        ASSERT_EQ(RunJob(JOB_MODE_WRITE, *source), JOB_WRITE_DONE);

        // The radio's memory, through its file, holds the image at the
        // contact area address.
        CRadioEmulator radio(o);
        ASSERT_TRUE(radio.LoadMemory(file.string()));
        EXPECT_EQ(std::memcmp(radio.ContactRegion(), source->Bytes(), size_t(used)), 0);

        back->ClearContactImage();
        ASSERT_EQ(RunJob(JOB_MODE_READ, *back), JOB_READ_DONE);
        EXPECT_EQ(std::memcmp(back->Bytes(), source->Bytes(), size_t(used)), 0);
        EXPECT_EQ(back->GetContactCount(), MAX_CONTACTS);
    }
    SetRadioAddress("usb");
    SetSimOptions(EmulatorOptions());
    fs::remove_all(dir);
}

}  // namespace
}  // namespace pendrak
