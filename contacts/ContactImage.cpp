#include "contacts/ContactImage.h"

#include <algorithm>
#include <cstring>

namespace pendrak {

namespace {

int Read24(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16); }

void Write24(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
}

}  // namespace

std::string_view DecodeFieldText(const unsigned char* bytes, int width) {
    if (bytes[0] == 0x00 || bytes[0] == 0xFF) return {};
    const auto* end = static_cast<const unsigned char*>(std::memchr(bytes, 0, width));
    const size_t len = end ? static_cast<size_t>(end - bytes) : static_cast<size_t>(width);
    return {reinterpret_cast<const char*>(bytes), len};
}

int CContactImage::GetContactCount() const {
    const int count = Read24(m_image.data());
    return count > MAX_CONTACTS ? 0 : count;
}

void CContactImage::SetContactCount(int count) {
    if (count < 0 || count > MAX_CONTACTS) count = 0;
    Write24(m_image.data(), static_cast<uint32_t>(count));
}

int CContactImage::GetContactRadioId(int n) const { return Read24(Record(n) + 1); }

void CContactImage::SetContactRadioId(int n, int32_t radioId) {
    m_radioIds[n] = radioId;
    Write24(Record(n) + 1, static_cast<uint32_t>(radioId));
}

std::string_view CContactImage::GetContactFieldText(ContactField f, int n) const {
    return DecodeFieldText(Record(n) + ContactFieldOffset(f), ContactFieldWidth(f));
}

void CContactImage::SetContactFieldText(ContactField f, int n, std::string_view text) {
    unsigned char* field = Record(n) + ContactFieldOffset(f);
    const size_t width = static_cast<size_t>(ContactFieldWidth(f));
    const size_t len = std::min(text.size(), width);
    if (len > 0) std::memcpy(field, text.data(), len);  // an empty view may carry null
    std::memset(field + len, 0, width - len);
}

void CContactImage::SetContactRecord(int n, int32_t radioId,
                                     const std::string_view (&texts)[CONTACT_FIELD_COUNT]) {
    // Built aside and stored in one piece: the import fills 130,000 of them.
    unsigned char record[CONTACT_RECORD_SIZE] = {};
    Write24(record + 1, static_cast<uint32_t>(radioId));
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const auto field = static_cast<ContactField>(f);
        const size_t len = std::min(texts[f].size(), static_cast<size_t>(ContactFieldWidth(field)));
        if (len > 0) std::memcpy(record + ContactFieldOffset(field), texts[f].data(), len);
    }
    std::memcpy(Record(n) + 1, record + 1, CONTACT_RECORD_SIZE - 1);
    m_radioIds[n] = radioId;
}

void CContactImage::CopyContactRecord(int to, int from) {
    if (to != from) std::memcpy(Record(to), Record(from), CONTACT_RECORD_SIZE);
}

void CContactImage::SwapContactRecords(int a, int b) {
    std::swap_ranges(Record(a), Record(a) + CONTACT_RECORD_SIZE, Record(b));
}

void CContactImage::ClearContactImage() {
    m_image.fill(0);
    for (int n = 0; n < MAX_CONTACTS; ++n) m_image[ContactRecordOffset(n)] = 3;
}

}  // namespace pendrak
