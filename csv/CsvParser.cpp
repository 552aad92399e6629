#include "csv/CsvParser.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace pendrak {

namespace {

static_assert(std::endian::native == std::endian::little, "byte order of the word scan");

// High bit set in each byte of `word` that is a comma or an LF; exact up to
// and including the first such byte, which is all the scan uses.
inline uint64_t DelimiterMask(uint64_t word) {
    constexpr uint64_t ONES = 0x0101010101010101u;
    constexpr uint64_t HIGHS = 0x8080808080808080u;
    const uint64_t comma = word ^ (ONES * ',');
    const uint64_t lf = word ^ (ONES * '\n');
    return ((comma - ONES) & ~comma & HIGHS) | ((lf - ONES) & ~lf & HIGHS);
}

}  // namespace

CContactCsvParser::CContactCsvParser(CContactImage& image)
    : m_image(&image) {}

CContactCsvParser::CContactCsvParser()
    : m_image(nullptr) {}

CContactCsvParser::~CContactCsvParser() = default;

bool CContactCsvParser::Feed(const char* data, size_t size) {
    if (Full()) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = p + size;
    while (p < end) {
        const int state = m_state;
        if (state == ID) {
            const unsigned char b = *p++;
            if (m_lineStart) {
                if (b == '\n') continue;
                // Every candidate of the line starts at its first byte, so a
                // wrong first byte rules the whole line out.
                if (b < '1' || b > '9') {
                    m_state = SKIP;
                    continue;
                }
                m_lineStart = false;
                m_inDigits = true;
                m_id = b - '0';
            } else if (b == ',') {
                // The duplicate test waits for the line end, by when the bit
                // has arrived from memory.
#if defined(__GNUC__) || defined(__clang__)  // MSVC has no such hint; the test works without it
                if (const uint64_t* block = m_seen[m_id >> SEEN_BLOCK_BITS].get())
                    __builtin_prefetch(&block[(m_id >> 6) & SEEN_WORD_MASK]);
#endif
                // A counting pass needs no values: the line counts once it ends.
                m_state = m_image ? 1 : FULL;
                std::memset(m_lengths, 0, sizeof m_lengths);
            } else if (b == '\n') {
                NewLine();
            } else if (m_inDigits) {
                if (b >= '0' && b <= '9') {
                    m_id = m_id * 10 + (b - '0');
                    // Too large: the line must not fall back on a later value.
                    if (m_id > static_cast<uint32_t>(MAX_RADIO_ID)) m_state = SKIP;
                } else {
                    m_inDigits = false;
                }
            }
        } else if (state < FULL) {
            const int f = state - 1;
            const uint8_t width = f == 0 ? 8 : 16;
            unsigned char* value = m_values[f];
            size_t len = m_lengths[f];
            // Eight bytes at a time while they last; the value buffer has
            // room for a whole word past the field width.
            while (end - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                const uint64_t mask = DelimiterMask(word);
                const size_t k = mask ? static_cast<size_t>(std::countr_zero(mask)) / 8 : 8;
                if (len < width) {
                    std::memcpy(value + len, p, 8);
                    len = std::min<size_t>(width, len + k);
                }
                p += k;
                if (mask) break;
            }
            while (p < end && *p != ',' && *p != '\n') {
                if (len < width) value[len++] = *p;
                ++p;
            }
            m_lengths[f] = static_cast<uint8_t>(len);
            if (p == end) break;
            if (*p++ == ',') {
                m_state = state + 1;
            } else {
                Store();
                if (Full()) return false;
            }
        } else {
            const auto* lf = static_cast<const unsigned char*>(
                std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (!lf) break;
            p = lf + 1;
            if (state == FULL) {
                Store();
                if (Full()) return false;
            } else {
                NewLine();
            }
        }
    }
    return !Full();
}

void CContactCsvParser::Store() {
    std::unique_ptr<uint64_t[]>& block = m_seen[m_id >> SEEN_BLOCK_BITS];
    if (!block) block = std::make_unique<uint64_t[]>(SEEN_WORD_MASK + 1);
    uint64_t& seen = block[(m_id >> 6) & SEEN_WORD_MASK];
    const uint64_t bit = uint64_t{1} << (m_id & 63);
    if (seen & bit) {  // the first line with an ID wins
        NewLine();
        return;
    }
    seen |= bit;
    if (!m_image) {
        ++m_count;
        NewLine();
        return;
    }
    const int n = m_count;
    const int taken = m_state - 1;  // comma-ended text values of the line
    m_image->SetContactRadioId(n, static_cast<int32_t>(m_id));
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const std::string_view text =
            f < taken ? std::string_view(reinterpret_cast<const char*>(m_values[f]), m_lengths[f])
                      : std::string_view("", 0);  // never a null pointer for memcpy
        m_image->SetContactFieldText(static_cast<ContactField>(f), n, text);
    }
    ++m_count;
    NewLine();
}

}  // namespace pendrak
