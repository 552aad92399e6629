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

CContactCsvParser::CContactCsvParser(ICsvRecordSink& sink, bool wantValues)
    : m_sink(sink), m_bWantValues(wantValues) {}

bool CContactCsvParser::Feed(const char* data, size_t size) {
    if (m_bStopped) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = p + size;
    while (p < end) {
        const int state = m_state;
        if (state == ID) {
            const unsigned char b = *p++;
            if (m_lineStart) {
                if (b == '\n') {
                    NewLine();
                    if (!m_sink.OnRecord(CsvRecord{})) m_bStopped = true;
                    if (m_bStopped) return false;
                    continue;
                }
                // Every candidate of the line starts at its first byte, so a
                // wrong first byte rules the whole line out.
                if (b < '1' || b > '9') {
                    m_bNamesLike = b < '0' || b > '9';
                    m_state = SKIP;
                    m_lineStart = false;
                    continue;
                }
                m_lineStart = false;
                m_bNamesLike = false;
                m_inDigits = true;
                m_id = b - '0';
            } else if (b == ',') {
                m_state = m_bWantValues ? 1 : FULL;
                std::memset(m_lengths, 0, sizeof m_lengths);
            } else if (b == '\n') {
                if (!EmitContact(0)) return false;
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
            // One byte past the field's width tells the store that it cuts.
            const size_t limit = (f == 0 ? 8 : 16) + 1;
            unsigned char* value = m_values[f];
            size_t len = m_lengths[f];
            // Eight bytes at a time while they last; the value buffer has
            // room for a whole word past the limit.
            while (end - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                const uint64_t mask = DelimiterMask(word);
                const size_t k = mask ? static_cast<size_t>(std::countr_zero(mask)) / 8 : 8;
                if (len < limit) {
                    std::memcpy(value + len, p, 8);
                    len = std::min(limit, len + k);
                }
                p += k;
                if (mask) break;
            }
            while (p < end && *p != ',' && *p != '\n') {
                if (len < limit) value[len++] = *p;
                ++p;
            }
            m_lengths[f] = static_cast<uint8_t>(len);
            if (p == end) break;
            if (*p++ == ',') {
                m_state = state + 1;
            } else if (!EmitContact(state)) {  // the value ended by the LF counts too
                return false;
            }
        } else {
            const auto* lf = static_cast<const unsigned char*>(
                std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (!lf) break;
            p = lf + 1;
            if (!(state == FULL ? EmitContact(m_bWantValues ? CONTACT_FIELD_COUNT : 0)
                                : EmitOther()))
                return false;
        }
    }
    return true;
}

void CContactCsvParser::Finish() {
    // A last line without its line end is a line like any other.
    if (m_bStopped || m_lineStart) return;
    if (m_state == SKIP)
        EmitOther();
    else if (m_state == FULL)
        EmitContact(m_bWantValues ? CONTACT_FIELD_COUNT : 0);
    else
        EmitContact(m_state);
}

bool CContactCsvParser::EmitContact(int taken) {
    CsvRecord record;
    record.kind = CsvRecordKind::Contact;
    record.nId = m_id;
    if (m_bWantValues)
        for (int f = 0; f < taken; ++f)
            record.values[f] =
                std::string_view(reinterpret_cast<const char*>(m_values[f]), m_lengths[f]);
    NewLine();
    if (!m_sink.OnRecord(record)) m_bStopped = true;
    return !m_bStopped;
}

bool CContactCsvParser::EmitOther() {
    CsvRecord record;
    // A first line that begins with no digit names the columns.
    record.kind = m_bFirstLine && m_bNamesLike ? CsvRecordKind::Header : CsvRecordKind::NoId;
    NewLine();
    if (!m_sink.OnRecord(record)) m_bStopped = true;
    return !m_bStopped;
}

}  // namespace pendrak
