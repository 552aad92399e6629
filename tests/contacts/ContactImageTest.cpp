// Record layout and record operations of the contact image.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "contacts/ContactImage.h"

namespace pendrak {
namespace {

class ContactImageTest : public ::testing::Test {
protected:
    std::unique_ptr<CContactImage> image = std::make_unique<CContactImage>();
    unsigned char* bytes = image->Bytes();

    void SetHeader(unsigned char b0, unsigned char b1, unsigned char b2) {
        bytes[0] = b0;
        bytes[1] = b1;
        bytes[2] = b2;
    }
};

TEST(ContactLayout, RecordOffsetsAndUsedLengths) {
    const struct {
        int n, offset;
    } offsets[] = {{0, 16},    {1, 124},   {36, 3904}, {37, 4096},
                   {38, 4204}, {73, 7984}, {74, 8192}, {129999, 14391192}};
    for (const auto& c : offsets) EXPECT_EQ(ContactRecordOffset(c.n), c.offset) << c.n;

    const struct {
        int m, length;
    } lengths[] = {{0, 0},     {1, 124},   {36, 3904},        {37, 4096},
                   {38, 4204}, {74, 8192}, {130000, 14391300}};
    for (const auto& c : lengths) EXPECT_EQ(ContactImageUsedLength(c.m), c.length) << c.m;

    // Back from bytes moved to whole contacts (the progress line's count).
    const struct {
        int length, contacts;
    } within[] = {{0, 0},     {123, 0},   {124, 1},       {3903, 35},      {3904, 36},
                  {4095, 36}, {4096, 37}, {4203, 37},     {14391299, 129999},
                  {14391300, 130000},     {CONTACT_IMAGE_SIZE, 130000}};
    for (const auto& c : within) EXPECT_EQ(ContactsWithinLength(c.length), c.contacts) << c.length;

    // Every record lies inside its own sector, after the header in sector 0,
    // and the used length ends right after the last record (or its sector).
    for (int n = 0; n < MAX_CONTACTS; ++n) {
        const int offset = ContactRecordOffset(n);
        const int sector = n / CONTACTS_PER_SECTOR;
        ASSERT_EQ(offset / CONTACT_SECTOR_SIZE, sector) << n;
        ASSERT_LE((offset + CONTACT_RECORD_SIZE - 1) / CONTACT_SECTOR_SIZE, sector) << n;
        if (n > 0) {
            ASSERT_GE(offset - ContactRecordOffset(n - 1), CONTACT_RECORD_SIZE) << n;
        }
        const int m = n + 1;
        const int expected = m % CONTACTS_PER_SECTOR == 0
                                 ? (m / CONTACTS_PER_SECTOR) * CONTACT_SECTOR_SIZE
                                 : offset + CONTACT_RECORD_SIZE;
        ASSERT_EQ(ContactImageUsedLength(m), expected) << m;
    }
    EXPECT_LE(ContactRecordOffset(MAX_CONTACTS - 1) + CONTACT_RECORD_SIZE, CONTACT_IMAGE_SIZE);
}

TEST_F(ContactImageTest, CountIsClampedBothWays) {
    const struct {
        unsigned char b0, b1, b2;
        int count;
    } reads[] = {{0xD0, 0xFB, 0x01, 130000},
                 {0xD1, 0xFB, 0x01, 0},
                 {0xFF, 0xFF, 0xFF, 0},
                 {0x2C, 0x01, 0x00, 300}};
    for (const auto& c : reads) {
        SetHeader(c.b0, c.b1, c.b2);
        EXPECT_EQ(image->GetContactCount(), c.count);
    }

    std::memset(bytes + 3, 0x77, 13);
    const struct {
        int count;
        unsigned char b0, b1, b2;
    } writes[] = {{-1, 0, 0, 0},
                  {130001, 0, 0, 0},
                  {300, 0x2C, 0x01, 0x00},
                  {130000, 0xD0, 0xFB, 0x01},
                  {0x7FFFFFFF, 0, 0, 0}};
    for (const auto& c : writes) {
        SetHeader(0xEE, 0xEE, 0xEE);
        image->SetContactCount(c.count);
        EXPECT_EQ(bytes[0], c.b0) << c.count;
        EXPECT_EQ(bytes[1], c.b1) << c.count;
        EXPECT_EQ(bytes[2], c.b2) << c.count;
    }
    for (int i = 3; i < CONTACT_HEADER_SIZE; ++i) EXPECT_EQ(bytes[i], 0x77) << i;
}

TEST_F(ContactImageTest, RadioIdIsLittleEndianAndFillsTheTable) {
    const int n = 37;  // first record of sector 1
    unsigned char* rec = bytes + ContactRecordOffset(n);
    image->SetContactRadioId(n, 0x123456);
    EXPECT_EQ(rec[1], 0x56);
    EXPECT_EQ(rec[2], 0x34);
    EXPECT_EQ(rec[3], 0x12);
    EXPECT_EQ(rec[0], 0);
    EXPECT_EQ(rec[4], 0);
    EXPECT_EQ(image->GetContactRadioId(n), 0x123456);
    EXPECT_EQ(image->RadioIdTable()[n], 0x123456);

    image->SetContactRadioId(n, 0x7F000001);  // only the low 24 bits fit
    EXPECT_EQ(image->GetContactRadioId(n), 1);
    EXPECT_EQ(image->RadioIdTable()[n], 0x7F000001);
    image->SetContactRadioId(n, MAX_RADIO_ID);
    EXPECT_EQ(image->GetContactRadioId(n), MAX_RADIO_ID);
}

TEST_F(ContactImageTest, FieldsLieAtTheirOffsetsAndAreCutOrPadded) {
    const int n = 38;
    unsigned char* rec = bytes + ContactRecordOffset(n);
    std::memset(rec, 0xAB, CONTACT_RECORD_SIZE);
    const std::string full(16, 'x');
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f)
        image->SetContactFieldText(static_cast<ContactField>(f), n, full + "overflow");

    // Callsign at 4 (8 bytes), then six 16-byte fields from 12 to 107.
    EXPECT_EQ(rec[0], 0xAB);
    EXPECT_EQ(rec[3], 0xAB);
    for (int b = 4; b < CONTACT_RECORD_SIZE; ++b) ASSERT_EQ(rec[b], 'x') << b;
    EXPECT_EQ(image->GetContactFieldText(CONTACT_CALLSIGN, n), std::string(8, 'x'));
    EXPECT_EQ(image->GetContactFieldText(CONTACT_REMARKS, n), full);
    EXPECT_EQ(rec[CONTACT_RECORD_SIZE], 0);  // next record untouched

    image->SetContactFieldText(CONTACT_CALLSIGN, n, "ABC");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 4), 8), std::string("ABC\0\0\0\0\0", 8));
    image->SetContactFieldText(
        CONTACT_NAME, n, "\xD6\xD0\xCE\xC4\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0");
    EXPECT_EQ(image->GetContactFieldText(CONTACT_NAME, n).size(), 16u);  // cut mid-character
    EXPECT_EQ(rec[28], 'x');
}

TEST(ContactFieldDecode, FirstByteAndTerminatorRules) {
    const struct {
        const char* bytes;
        int width;
        std::string text;
    } cases[] = {
        {"\xFF"
         "ABCDEFGHIJKLMNO",
         16, ""},
        {"\0ABCDEFGHIJKLMNO", 16, ""},
        {"ABCDEFGHIJKLMNOP", 16, "ABCDEFGHIJKLMNOP"},
        {"AB\0CD\0\0\0\0\0\0\0\0\0\0\0", 16, "AB"},
        {"AB\xFF\xFF\xFF\xFF\xFF\xFF", 8, "AB\xFF\xFF\xFF\xFF\xFF\xFF"},
        {"ABCDEFGH", 8, "ABCDEFGH"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeFieldText(reinterpret_cast<const unsigned char*>(c.bytes), c.width),
                  c.text);
}

TEST_F(ContactImageTest, ClearLeavesOnlyTagBytesAndKeepsTables) {
    std::memset(bytes, 0xAA, CONTACT_IMAGE_SIZE);
    image->SetContactRadioId(5, 4242);
    image->ClearContactImage();

    EXPECT_EQ(image->GetContactCount(), 0);
    EXPECT_EQ(image->RadioIdTable()[5], 4242);
    for (const int at : {16, 4096, 14391192}) EXPECT_EQ(bytes[at], 3) << at;
    int next = 0;
    for (int i = 0; i < CONTACT_IMAGE_SIZE; ++i) {
        const bool tag = next < MAX_CONTACTS && i == ContactRecordOffset(next);
        if (tag) ++next;
        ASSERT_EQ(bytes[i], tag ? 3 : 0) << i;
    }
    EXPECT_EQ(next, MAX_CONTACTS);
}

TEST_F(ContactImageTest, SwapExchangesWholeRecordsOnly) {
    std::memset(bytes + ContactRecordOffset(36), 0x11, CONTACT_RECORD_SIZE);
    std::memset(bytes + ContactRecordOffset(37), 0x22, CONTACT_RECORD_SIZE);
    image->RadioIdTable()[36] = 9;
    image->SwapContactRecords(36, 37);
    EXPECT_EQ(bytes[ContactRecordOffset(36)], 0x22);
    EXPECT_EQ(bytes[ContactRecordOffset(36) + CONTACT_RECORD_SIZE - 1], 0x22);
    EXPECT_EQ(bytes[ContactRecordOffset(37) + CONTACT_RECORD_SIZE - 1], 0x11);
    EXPECT_EQ(bytes[ContactRecordOffset(36) + CONTACT_RECORD_SIZE], 0);  // sector tail
    EXPECT_EQ(image->RadioIdTable()[36], 9);
}

}  // namespace
}  // namespace pendrak
