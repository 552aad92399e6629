// The contact image: a byte-for-byte mirror of the radio's contact storage
// region, with the record layout and every operation on it. Consumers go
// through these operations instead of raw offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pendrak {

constexpr int CONTACT_IMAGE_SIZE = 14393344;  // 3,514 sectors
constexpr int CONTACT_SECTOR_SIZE = 4096;
constexpr int CONTACT_HEADER_SIZE = 16;
constexpr int CONTACT_RECORD_SIZE = 108;
constexpr int CONTACTS_PER_SECTOR = 37;
constexpr int MAX_CONTACTS = 130000;
constexpr int MAX_RADIO_ID = 16777215;
constexpr int CONTACTS_PER_PAGE = 200;
constexpr int CONTACT_FIELD_COUNT = 7;

enum ContactField {
    CONTACT_CALLSIGN = 0,
    CONTACT_NAME = 1,
    CONTACT_NICKNAME = 2,
    CONTACT_CITY = 3,
    CONTACT_STATE = 4,
    CONTACT_COUNTRY = 5,
    CONTACT_REMARKS = 6,
};

// Offset of record n (0 to MAX_CONTACTS-1) in the image.
constexpr int ContactRecordOffset(int n) {
    return CONTACT_RECORD_SIZE * n + (n < CONTACTS_PER_SECTOR ? CONTACT_HEADER_SIZE
                                                              : 100 * (n / CONTACTS_PER_SECTOR));
}

// Leading image bytes that hold the header and records 0 to m-1; 0 for m = 0.
constexpr int ContactImageUsedLength(int m) {
    if (m <= 0) return 0;
    return CONTACT_RECORD_SIZE * m + 100 * (m / CONTACTS_PER_SECTOR) +
           (m <= 36 ? CONTACT_HEADER_SIZE : 0);
}

// The contacts whose records lie wholly within the first `length` image
// bytes: the largest m with ContactImageUsedLength(m) <= length.
constexpr int ContactsWithinLength(int length) {
    int lo = 0, hi = MAX_CONTACTS;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (ContactImageUsedLength(mid) <= length) lo = mid;
        else hi = mid - 1;
    }
    return lo;
}

constexpr int ContactFieldOffset(ContactField f) { return f == 0 ? 4 : 16 * f - 4; }
constexpr int ContactFieldWidth(ContactField f) { return f == 0 ? 8 : 16; }

// Text of one field: empty when the first byte is 0x00 or 0xFF, else the
// bytes up to the first 0x00 (all `width` bytes when there is none).
std::string_view DecodeFieldText(const unsigned char* bytes, int width);

// The image with its radio ID table and sort order table. About 15.4 MB:
// lives in static storage (theAppData) or on the heap, never on the stack.
class CContactImage {
public:
    CContactImage() = default;
    CContactImage(const CContactImage&) = delete;
    CContactImage& operator=(const CContactImage&) = delete;

    // Every byte and both tables of other (the copy assignment, spelled out:
    // 15 MB should not be copied by accident).
    void CopyFrom(const CContactImage& other) {
        m_image = other.m_image;
        m_radioIds = other.m_radioIds;
        m_sortOrder = other.m_sortOrder;
    }

    unsigned char* Bytes() { return m_image.data(); }
    const unsigned char* Bytes() const { return m_image.data(); }

    // Count from header bytes 0-2; a stored value above MAX_CONTACTS reads 0.
    int GetContactCount() const;
    // A value outside 0..MAX_CONTACTS is stored as 0; header bytes 3-15 kept.
    void SetContactCount(int count);

    int GetContactRadioId(int n) const;
    // Also fills radio ID table entry n.
    void SetContactRadioId(int n, int32_t radioId);

    std::string_view GetContactFieldText(ContactField f, int n) const;
    // Stores the first min(size, width) bytes and zero-fills the rest.
    void SetContactFieldText(ContactField f, int n, std::string_view text);

    // Radio ID (table entry n too) and all seven texts of record n at once,
    // as SetContactRadioId and SetContactFieldText would store them; the tag
    // byte is kept.
    void SetContactRecord(int n, int32_t radioId,
                          const std::string_view (&texts)[CONTACT_FIELD_COUNT]);
    // Copies record `from` over record `to`, tag byte included.
    void CopyContactRecord(int to, int from);

    void SwapContactRecords(int a, int b);

    // Ascending by radio ID, with exactly the order of equal IDs that the
    // radio's own exchange sort gives (records k and j exchanged whenever
    // id[k] > id[j], k < j), in O(m log m). Afterwards sort order entry i
    // names the pre-sort position of the record now at i, and the radio ID
    // table lists the IDs by pre-sort position.
    void SortContactsByRadioId();

    // Every byte 0, then tag byte 3 in each of the MAX_CONTACTS record slots.
    void ClearContactImage();

    int32_t* RadioIdTable() { return m_radioIds.data(); }
    const int32_t* RadioIdTable() const { return m_radioIds.data(); }
    const int32_t* SortOrderTable() const { return m_sortOrder.data(); }

private:
    unsigned char* Record(int n) { return m_image.data() + ContactRecordOffset(n); }
    const unsigned char* Record(int n) const { return m_image.data() + ContactRecordOffset(n); }

    std::array<unsigned char, CONTACT_IMAGE_SIZE> m_image{};
    std::array<int32_t, MAX_CONTACTS> m_radioIds{};
    std::array<int32_t, MAX_CONTACTS> m_sortOrder{};
};

}  // namespace pendrak
