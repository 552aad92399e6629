#include "contacts/ContactFind.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pendrak {

namespace {

unsigned char AsciiLower(unsigned char b) {
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b;
}

// Whether a or b occurs in the bytes, eight at a time: cheaper than two
// memchr calls on spans this short.
bool HoldsEither(const unsigned char* bytes, size_t size, unsigned char a, unsigned char b) {
    constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const uint64_t ra = ones * a, rb = ones * b;
    uint64_t hit = 0;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        const uint64_t xa = w ^ ra, xb = w ^ rb;
        hit |= ((xa - ones) & ~xa & highs) | ((xb - ones) & ~xb & highs);
    }
    for (; i < size; ++i) hit |= bytes[i] == a || bytes[i] == b;
    return hit != 0;
}

// A number of 1 to 8 digits, blanks around it allowed, no larger than the
// largest radio ID; else -1.
int ParseRadioId(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || text.size() > 8) return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value <= MAX_RADIO_ID ? value : -1;
}

}  // namespace

CContactQuery::CContactQuery(std::string_view text, const ContactTextRules& rules)
    : m_rules(rules), m_nRadioId(ParseRadioId(text)) {
    m_text.resize(2 * text.size());
    m_text.resize(
        FoldContactText(text, rules, reinterpret_cast<unsigned char*>(m_text.data())));
    if (m_text.empty()) return;

    // Every byte that may begin a character whose fold begins the query.
    const auto q0 = static_cast<unsigned char>(m_text[0]);
    for (int b = 0; b < 256; ++b) m_firstBytes[b] = AsciiLower(static_cast<unsigned char>(b)) == q0;
    m_firstBytes[q0] = true;
    auto foldsTo = [&](uint16_t index) { return index != 0 && (*rules.folds)[index].bytes[0] == q0; };
    if (rules.utf8) {
        for (uint32_t c = 0x80; c < 0x800; ++c)
            if (foldsTo((*rules.pairFold)[c])) m_firstBytes[0xC0 | (c >> 6)] = true;
        for (uint32_t c = 0; c < 0x100; ++c)
            if (foldsTo((*rules.latinExtraFold)[c])) m_firstBytes[0xE1] = true;
    } else {
        for (int b = 0x80; b < 0x100; ++b) {
            if (foldsTo(rules.singleFold[static_cast<size_t>(b)])) m_firstBytes[b] = true;
            if (!rules.leadByte[b] || !rules.pairFold) continue;
            for (int t = 0x40; t < 0xFF && !m_firstBytes[b]; ++t)
                if (foldsTo((*rules.pairFold)[static_cast<size_t>(b << 8 | t)])) m_firstBytes[b] = true;
        }
    }
    int count = 0;
    for (int b = 0; b < 256; ++b) {
        if (!m_firstBytes[b]) continue;
        if (count < 2) m_firstByteList[count] = static_cast<unsigned char>(b);
        ++count;
    }
    m_nFirstByteCount = count <= 2 ? count : 0;
}

bool CContactQuery::FieldMatches(std::string_view field) const {
    const size_t k = m_text.size();
    // A fold at most doubles a text (ß as ss in a single-byte code page).
    if (2 * field.size() < k) return false;
    const auto* raw = reinterpret_cast<const unsigned char*>(field.data());
    // Most fields hold no byte that could begin a match: skip the folding.
    size_t p = 0;
    while (p < field.size() && !m_firstBytes[raw[p]]) ++p;
    if (p == field.size()) return false;
    const auto* q = reinterpret_cast<const unsigned char*>(m_text.data());

    unsigned char high = 0;
    for (const char c : field) high |= static_cast<unsigned char>(c);
    if (high < 0x80) {
        // Plain ASCII, the most common field: every byte is a character.
        if (field.size() < k) return false;
        for (; p + k <= field.size(); ++p) {
            size_t i = 0;
            while (i < k && AsciiLower(raw[p + i]) == q[i]) ++i;
            if (i == k) return true;
        }
        return false;
    }

    unsigned char folded[64];
    uint64_t starts = 0;
    const size_t length = FoldContactText(
        field.substr(0, std::min<size_t>(field.size(), sizeof folded / 2)), m_rules, folded, &starts);
    for (p = 0; p + k <= length && p < 64; ++p) {
        if (((starts >> p) & 1) && folded[p] == q[0] && std::memcmp(folded + p, q, k) == 0)
            return true;
    }
    return false;
}

bool CContactQuery::Matches(const CContactImage& image, int n) const {
    if (m_nRadioId >= 0 && image.GetContactRadioId(n) == m_nRadioId) return true;
    if (m_text.empty()) return false;
    if (m_nFirstByteCount > 0) {
        // Callsign to Country lie side by side in the record.
        constexpr int first = ContactFieldOffset(CONTACT_CALLSIGN);
        constexpr size_t span = ContactFieldOffset(CONTACT_REMARKS) - first;
        const unsigned char* fields = image.Bytes() + ContactRecordOffset(n) + first;
        if (!HoldsEither(fields, span, m_firstByteList[0], m_firstByteList[m_nFirstByteCount - 1]))
            return false;
    }
    for (int f = 0; f < CONTACT_FIND_FIELDS; ++f)
        if (FieldMatches(image.GetContactFieldText(static_cast<ContactField>(f), n))) return true;
    return false;
}

std::vector<int> FindContacts(const CContactImage& image, const CContactQuery& query) {
    std::vector<int> matches;
    if (query.IsEmpty()) return matches;
    const int count = image.GetContactCount();
    for (int n = 0; n < count; ++n)
        if (query.Matches(image, n)) matches.push_back(n);
    return matches;
}

int NextMatch(const std::vector<int>& matches, int current, bool forward, bool* wrapped) {
    if (wrapped) *wrapped = false;
    if (matches.empty()) return -1;
    if (forward) {
        const auto it = std::upper_bound(matches.begin(), matches.end(), current);
        if (it != matches.end()) return *it;
        if (wrapped) *wrapped = true;
        return matches.front();
    }
    const auto it = std::lower_bound(matches.begin(), matches.end(), current);
    if (it != matches.begin()) return *(it - 1);
    if (wrapped) *wrapped = true;
    return matches.back();
}

}  // namespace pendrak
