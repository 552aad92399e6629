#include "contacts/ContactFind.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pendrak {

namespace {

struct Range {
    uint16_t first, last;
    int16_t delta;     // added to the upper-case letter
    bool alternating;  // only every other code point, from `first`, is upper case
};

// Upper- to lower-case letters among the two-byte UTF-8 code points whose
// lower case is two bytes as well (U+0130 and U+017F are left out: theirs is not).
constexpr Range kUpperRanges[] = {
    {0x00C0, 0x00D6, 0x20, false},  {0x00D8, 0x00DE, 0x20, false}, {0x0100, 0x012F, 1, true},
    {0x0132, 0x0137, 1, true},      {0x0139, 0x0148, 1, true},     {0x014A, 0x0177, 1, true},
    {0x0178, 0x0178, -0x79, false}, {0x0179, 0x017E, 1, true},     {0x01CD, 0x01DC, 1, true},
    {0x01DE, 0x01EF, 1, true},      {0x01F8, 0x021F, 1, true},     {0x0222, 0x0233, 1, true},
    {0x0246, 0x024F, 1, true},      {0x0386, 0x0386, 0x26, false}, {0x0388, 0x038A, 0x25, false},
    {0x038C, 0x038C, 0x40, false},  {0x038E, 0x038F, 0x3F, false}, {0x0391, 0x03A1, 0x20, false},
    {0x03A3, 0x03AB, 0x20, false},  {0x03C2, 0x03C2, 1, false},    {0x0400, 0x040F, 0x50, false},
    {0x0410, 0x042F, 0x20, false},  {0x0460, 0x0481, 1, true},     {0x048A, 0x04BF, 1, true},
    {0x04C0, 0x04C0, 0x0F, false},  {0x04C1, 0x04CE, 1, true},     {0x04D0, 0x052F, 1, true},
    {0x0531, 0x0556, 0x30, false},
};

// Lower case of every code point below U+0800.
struct TwoByteFold {
    uint16_t lower[0x800];
    TwoByteFold() {
        for (int c = 0; c < 0x800; ++c) lower[c] = static_cast<uint16_t>(c);
        for (const Range& r : kUpperRanges)
            for (int c = r.first; c <= r.last; c += r.alternating ? 2 : 1)
                lower[c] = static_cast<uint16_t>(c + r.delta);
    }
};

const TwoByteFold& Fold2() {
    static const TwoByteFold table;
    return table;
}

unsigned char AsciiLower(unsigned char b) {
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b;
}

bool IsTwoByteUtf8Lead(unsigned char b) {
    return b >= 0xC2 && b <= 0xDF;
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

// Lower case of a text by the rules, with a bit set in *starts for every
// byte that begins a character; out holds text.size() bytes (no more than
// 64 when starts is given).
void FoldContactText(std::string_view text, const ContactTextRules& rules, unsigned char* out,
                     uint64_t* starts = nullptr) {
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    uint64_t bits = 0;
    for (size_t i = 0; i < n;) {
        const unsigned char b = in[i];
        if (b < 0x80) {
            out[i] = AsciiLower(b);
            bits |= uint64_t{1} << (i & 63);
            ++i;
        } else if (rules.utf8) {
            if (IsTwoByteUtf8Lead(b) && i + 1 < n && (in[i + 1] & 0xC0) == 0x80) {
                const uint16_t c = Fold2().lower[((b & 0x1F) << 6) | (in[i + 1] & 0x3F)];
                out[i] = static_cast<unsigned char>(0xC0 | (c >> 6));
                out[i + 1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
                bits |= uint64_t{1} << (i & 63);
                i += 2;
            } else {
                out[i] = b;
                if ((b & 0xC0) != 0x80) bits |= uint64_t{1} << (i & 63);
                ++i;
            }
        } else if (rules.leadByte[b] && i + 1 < n) {
            // The trail byte may look like an ASCII letter: it stays as it is.
            out[i] = b;
            out[i + 1] = in[i + 1];
            bits |= uint64_t{1} << (i & 63);
            i += 2;
        } else {
            out[i] = b;
            bits |= uint64_t{1} << (i & 63);
            ++i;
        }
    }
    if (starts) *starts = bits;
}

}  // namespace

ContactTextRules::ContactTextRules(bool utf8Texts,
                                   const std::function<bool(unsigned char)>& isLeadByte)
    : utf8(utf8Texts) {
    for (int b = 0; b < 256; ++b) leadByte[b] = !utf8 && isLeadByte(static_cast<unsigned char>(b));
}

CContactQuery::CContactQuery(std::string_view text, const ContactTextRules& rules)
    : m_rules(rules), m_nRadioId(ParseRadioId(text)) {
    m_text.resize(text.size());
    FoldContactText(text, rules, reinterpret_cast<unsigned char*>(m_text.data()));
    if (m_text.empty()) return;

    // Every byte whose folded form can begin the folded query.
    const auto q0 = static_cast<unsigned char>(m_text[0]);
    for (int b = 0; b < 256; ++b) m_firstBytes[b] = AsciiLower(static_cast<unsigned char>(b)) == q0;
    if (rules.utf8 && IsTwoByteUtf8Lead(q0)) {
        for (int c = 0x80; c < 0x800; ++c)
            if (0xC0 + (Fold2().lower[c] >> 6) == q0) m_firstBytes[0xC0 + (c >> 6)] = true;
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
    if (field.size() < k) return false;
    const size_t lastStart = field.size() - k;
    const auto* raw = reinterpret_cast<const unsigned char*>(field.data());
    // Most fields hold no byte that could begin a match: skip the folding.
    size_t p = 0;
    while (p <= lastStart && !m_firstBytes[raw[p]]) ++p;
    if (p > lastStart) return false;
    const auto* q = reinterpret_cast<const unsigned char*>(m_text.data());

    unsigned char high = 0;
    for (const char c : field) high |= static_cast<unsigned char>(c);
    if (high < 0x80) {
        // Plain ASCII, the most common field: every byte is a character.
        for (; p <= lastStart; ++p) {
            size_t i = 0;
            while (i < k && AsciiLower(raw[p + i]) == q[i]) ++i;
            if (i == k) return true;
        }
        return false;
    }

    unsigned char folded[64];
    uint64_t starts = 0;
    FoldContactText(field.substr(0, std::min<size_t>(field.size(), sizeof folded)), m_rules, folded,
                    &starts);
    for (; p <= lastStart && p < 64; ++p) {
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
