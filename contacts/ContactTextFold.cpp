#include "contacts/ContactTextFold.h"

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
    {0x03A3, 0x03AB, 0x20, false},  {0x0400, 0x040F, 0x50, false}, {0x0410, 0x042F, 0x20, false},
    {0x0460, 0x0481, 1, true},      {0x048A, 0x04BF, 1, true},     {0x04C0, 0x04C0, 0x0F, false},
    {0x04C1, 0x04CE, 1, true},      {0x04D0, 0x052F, 1, true},     {0x0531, 0x0556, 0x30, false},
};

// The base letter of each lower-case Latin letter of U+00C0 to U+024F and
// U+1E00 to U+1EFF (its canonical decomposition without the marks); '.'
// where there is none.
constexpr char kLatinBase[] =
    "aaaaaa.ceeeeiiii.nooooo..uuuuy..aaaaaa.ceeeeiiii.nooooo..uuuuy.y"
    "aaaaaaccccccccdd..eeeeeeeeeegggggggghh..iiiiiiiii...jjkk.llllll."
    "...nnnnnn...oooooo..rrrrrrsssssssstttt..uuuuuuuuuuuuwwyyyzzzzzz."
    "................................oo.............uu..............."
    ".............aaiioouuuuuuuuuu.aaaa....ggkkoooo..j...gg..nnaa...."
    "aaaaeeeeiiiioooorrrruuuusstt..hh......aaeeooooooooyy............"
    "................";
constexpr char kLatinExtraBase[] =
    "aabbbbbbccddddddddddeeeeeeeeeeffgghhhhhhhhhhiiiikkkkkkllllllllmm"
    "mmmmnnnnnnnnoooooooopppprrrrrrrrssssssssssttttttttuuuuuuuuuuvvvv"
    "wwwwwwwwwwxxxxyyzzzzzzhtwy......aaaaaaaaaaaaaaaaaaaaaaaaeeeeeeee"
    "eeeeeeeeiiiioooooooooooooooooooooooouuuuuuuuuuuuuuyyyyyyyy......";
static_assert(sizeof kLatinBase - 1 == 0x250 - 0xC0);
static_assert(sizeof kLatinExtraBase - 1 == 0x100);

// Letters without a decomposition that readers take for Latin ones, and
// Greek letters with marks; by their lower case.
constexpr struct {
    uint16_t codePoint;
    const char* fold;
} kSpecial[] = {
    {0x00DF, "ss"}, {0x00E6, "ae"}, {0x00F0, "d"}, {0x00F8, "o"}, {0x00FE, "th"},
    {0x0111, "d"},  {0x0127, "h"},  {0x0130, "i"}, {0x0131, "i"}, {0x0133, "ij"},
    {0x0138, "k"},  {0x0140, "l"},  {0x0142, "l"}, {0x0149, "n"}, {0x014B, "n"},
    {0x0153, "oe"}, {0x0167, "t"},  {0x017F, "s"}, {0x1E9E, "ss"},
    {0x0390, "\xCE\xB9"}, {0x03AC, "\xCE\xB1"}, {0x03AD, "\xCE\xB5"}, {0x03AE, "\xCE\xB7"},
    {0x03AF, "\xCE\xB9"}, {0x03B0, "\xCF\x85"}, {0x03C2, "\xCF\x83"}, {0x03CA, "\xCE\xB9"},
    {0x03CB, "\xCF\x85"}, {0x03CC, "\xCE\xBF"}, {0x03CD, "\xCF\x85"}, {0x03CE, "\xCF\x89"},
};

uint32_t Lower(uint32_t c) {
    static const auto table = [] {
        std::array<uint16_t, 0x800> lower{};
        for (uint32_t i = 0; i < 0x800; ++i) lower[i] = static_cast<uint16_t>(i);
        for (const Range& r : kUpperRanges)
            for (int i = r.first; i <= r.last; i += r.alternating ? 2 : 1)
                lower[static_cast<size_t>(i)] = static_cast<uint16_t>(i + r.delta);
        return lower;
    }();
    return c < 0x800 ? table[c] : c;
}

std::string Utf8(uint32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

unsigned char AsciiLower(unsigned char b) {
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b;
}

// Collects the folded forms: index 0 stays "folds to itself".
class FoldBuilder {
public:
    FoldBuilder() : m_folds(std::make_shared<std::vector<FoldedChar>>(1)) {}

    // The fold of a character of `from` bytes, in a code page whose lead
    // bytes are `lead` (none for UTF-8); never more than twice as long, so
    // that a folded text has a known bound.
    uint16_t Add(const std::string& bytes, size_t from, const std::array<bool, 256>& lead,
                 bool utf8) {
        if (bytes.empty() || bytes.size() > 2 * from || bytes.size() > sizeof(FoldedChar::bytes) ||
            m_folds->size() > 0xFFFF)
            return 0;
        FoldedChar folded;
        folded.nLength = static_cast<uint8_t>(bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            folded.bytes[i] = b;
            if (utf8 && (b & 0xC0) == 0x80) continue;
            folded.startMask |= static_cast<uint8_t>(1u << i);
            if (!utf8 && lead[b] && i + 1 < bytes.size()) {
                ++i;
                folded.bytes[i] = static_cast<unsigned char>(bytes[i]);
            }
        }
        m_folds->push_back(folded);
        return static_cast<uint16_t>(m_folds->size() - 1);
    }
    std::shared_ptr<const std::vector<FoldedChar>> Done() { return m_folds; }

private:
    std::shared_ptr<std::vector<FoldedChar>> m_folds;
};

// One code point from UTF-8 that holds exactly one; else -1.
long SingleCodePoint(std::string_view s) {
    const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(s[i])); };
    if (s.size() == 1 && b(0) < 0x80) return static_cast<long>(b(0));
    if (s.size() == 2 && b(0) >= 0xC2 && b(0) <= 0xDF && (b(1) & 0xC0) == 0x80)
        return static_cast<long>((b(0) & 0x1F) << 6 | (b(1) & 0x3F));
    if (s.size() == 3 && (b(0) & 0xF0) == 0xE0 && (b(1) & 0xC0) == 0x80 && (b(2) & 0xC0) == 0x80)
        return static_cast<long>((b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F));
    return -1;
}

const ContactTextRules& Utf8Tables() {
    static const ContactTextRules rules = [] {
        ContactTextRules r;
        FoldBuilder builder;
        const std::array<bool, 256> none{};
        auto pairs = std::make_shared<std::vector<uint16_t>>(0x800, 0);
        for (uint32_t c = 0x80; c < 0x800; ++c)
            (*pairs)[c] = builder.Add(FoldCodePoint(c), 2, none, true);
        auto extra = std::make_shared<std::vector<uint16_t>>(0x100, 0);
        for (uint32_t c = 0; c < 0x100; ++c)
            (*extra)[c] = builder.Add(FoldCodePoint(0x1E00 + c), 3, none, true);
        r.pairFold = std::move(pairs);
        r.latinExtraFold = std::move(extra);
        r.folds = builder.Done();
        return r;
    }();
    return rules;
}

}  // namespace

std::string FoldCodePoint(uint32_t codePoint) {
    const uint32_t c = Lower(codePoint);
    for (const auto& special : kSpecial)
        if (special.codePoint == c) return special.fold;
    char base = '.';
    if (c >= 0xC0 && c < 0x250) base = kLatinBase[c - 0xC0];
    if (c >= 0x1E00 && c < 0x1F00) base = kLatinExtraBase[c - 0x1E00];
    if (base != '.') return std::string(1, base);
    return c != codePoint ? Utf8(c) : std::string();
}

ContactTextRules::ContactTextRules() = default;

ContactTextRules::ContactTextRules(bool utf8Texts,
                                   const std::function<bool(unsigned char)>& isLeadByte,
                                   const ToUtf8Fn& toUtf8, const FromUtf8Fn& fromUtf8)
    : utf8(utf8Texts) {
    if (utf8) {
        const ContactTextRules& tables = Utf8Tables();
        pairFold = tables.pairFold;
        latinExtraFold = tables.latinExtraFold;
        folds = tables.folds;
        return;
    }
    for (int b = 0; b < 256; ++b) leadByte[b] = isLeadByte(static_cast<unsigned char>(b));
    if (!toUtf8 || !fromUtf8) return;

    // Every character of the code page, decoded in one call: a line each
    // (no trail byte is a line end).
    std::string all;
    for (int b = 0x80; b < 0x100; ++b) {
        if (leadByte[b]) {
            for (int t = 0x40; t < 0xFF; ++t) all += {static_cast<char>(b), static_cast<char>(t), '\n'};
        } else {
            all += {static_cast<char>(b), '\n'};
        }
    }
    const std::string decoded = toUtf8(all);
    FoldBuilder builder;
    auto pairs = std::make_shared<std::vector<uint16_t>>();
    size_t at = 0;
    auto fold = [&](size_t end, size_t from) -> uint16_t {
        const long c = SingleCodePoint(std::string_view(decoded).substr(at, end - at));
        at = end + 1;
        if (c < 0) return 0;
        const std::string folded = FoldCodePoint(static_cast<uint32_t>(c));
        std::string bytes;
        if (folded.empty() || !fromUtf8(folded, bytes)) return 0;
        return builder.Add(bytes, from, leadByte, false);
    };
    for (int b = 0x80; b < 0x100; ++b) {
        const int trails = leadByte[b] ? 0xFF - 0x40 : 1;
        for (int t = 0; t < trails; ++t) {
            const size_t end = decoded.find('\n', at);
            if (end == std::string::npos) return;  // not one line each: no folding
            const uint16_t index = fold(end, leadByte[b] ? 2 : 1);
            if (!leadByte[b]) {
                singleFold[static_cast<size_t>(b)] = index;
            } else if (index != 0) {
                if (pairs->empty()) pairs->assign(0x10000, 0);
                (*pairs)[static_cast<size_t>(b << 8 | (0x40 + t))] = index;
            }
        }
    }
    if (!pairs->empty()) pairFold = std::move(pairs);
    folds = builder.Done();
}

size_t FoldContactText(std::string_view text, const ContactTextRules& rules, unsigned char* out,
                       uint64_t* starts) {
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t o = 0;
    uint64_t bits = 0;
    // A character of `length` input bytes: its fold, or the bytes as they are.
    auto emit = [&](size_t i, size_t length, uint16_t index) {
        if (index != 0) {
            const FoldedChar& f = (*rules.folds)[index];
            for (size_t j = 0; j < f.nLength; ++j) {
                if (((f.startMask >> j) & 1) && o + j < 64) bits |= uint64_t{1} << (o + j);
                out[o + j] = f.bytes[j];
            }
            o += f.nLength;
        } else {
            if (o < 64) bits |= uint64_t{1} << o;
            std::memcpy(out + o, in + i, length);
            o += length;
        }
    };
    for (size_t i = 0; i < n;) {
        const unsigned char b = in[i];
        if (b < 0x80) {
            if (o < 64) bits |= uint64_t{1} << o;
            out[o++] = AsciiLower(b);
            ++i;
        } else if (rules.utf8) {
            if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (in[i + 1] & 0xC0) == 0x80) {
                emit(i, 2, (*rules.pairFold)[static_cast<size_t>((b & 0x1F) << 6 | (in[i + 1] & 0x3F))]);
                i += 2;
            } else if (b == 0xE1 && i + 2 < n && (in[i + 1] & 0xFC) == 0xB8 &&
                       (in[i + 2] & 0xC0) == 0x80) {
                emit(i, 3, (*rules.latinExtraFold)[static_cast<size_t>((in[i + 1] & 0x03) << 6 | (in[i + 2] & 0x3F))]);
                i += 3;
            } else {
                // Other characters byte by byte: only their first byte begins one.
                if ((b & 0xC0) != 0x80 && o < 64) bits |= uint64_t{1} << o;
                out[o++] = b;
                ++i;
            }
        } else if (rules.leadByte[b] && i + 1 < n) {
            // The trail byte may look like an ASCII letter: it stays as it is.
            emit(i, 2, rules.pairFold ? (*rules.pairFold)[static_cast<size_t>(b << 8 | in[i + 1])] : 0);
            i += 2;
        } else {
            emit(i, 1, rules.singleFold[b]);
            ++i;
        }
    }
    if (starts) *starts = bits;
    return o;
}

}  // namespace pendrak
