#include "csv/CsvParser.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace pendrak {

namespace {

static_assert(std::endian::native == std::endian::little, "byte order of the word scan");

constexpr unsigned char END_OF_DATA = 0x1A;

// High bit set in each byte of `word` that is a comma, an LF or 0x1A; exact
// up to and including the first such byte, which is all the scan uses.
inline uint64_t DelimiterMask(uint64_t word) {
    constexpr uint64_t ONES = 0x0101010101010101u;
    constexpr uint64_t HIGHS = 0x8080808080808080u;
    const uint64_t comma = word ^ (ONES * ',');
    const uint64_t lf = word ^ (ONES * '\n');
    const uint64_t eof = word ^ (ONES * END_OF_DATA);
    return ((comma - ONES) & ~comma & HIGHS) | ((lf - ONES) & ~lf & HIGHS) |
           ((eof - ONES) & ~eof & HIGHS);
}

}  // namespace

CContactCsvParser::CContactCsvParser(ICsvRecordSink& sink, bool wantValues)
    : m_sink(sink), m_bWantValues(wantValues) {}

bool CContactCsvParser::Feed(const char* data, size_t size) {
    if (m_bStopped || m_bEnded) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    std::string again;  // the bytes after an unclosed quote's line, and the rest
    for (;;) {
        p += Parse(p, end);
        if (m_bStopped || m_bEnded) return false;
        if (!m_bUnclosed) return true;
        std::string next = Reopen();
        if (m_bStopped) return false;
        next.append(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
        again.swap(next);
        p = reinterpret_cast<const unsigned char*>(again.data());
        end = p + again.size();
    }
}

size_t CContactCsvParser::Parse(const unsigned char* const begin, const unsigned char* const end) {
    const unsigned char* p = begin;
    const auto used = [&] { return static_cast<size_t>(p - begin); };
    while (p < end) {
        const int state = m_state;
        if (state == ID) {
            const unsigned char b = *p++;
            if (b == END_OF_DATA) {
                m_bEnded = true;
                --p;
                return used();
            }
            if (m_lineStart) {
                if (b == '\n') {
                    NewLine();
                    if (!Emit(CsvRecord{})) return used();
                    continue;
                }
                // Every candidate of the line starts at its first byte, so a
                // wrong first byte rules the whole line out.
                if (b < '1' || b > '9') {
                    m_bNamesLike = b < '0' || b > '9';
                    m_state = SKIP;
                    m_lineStart = false;
                    m_bValueStart = false;
                    if (b == '"') OpenQuote(-1, SKIP);
                    continue;
                }
                m_lineStart = false;
                m_bNamesLike = false;
                m_inDigits = true;
                m_id = b - '0';
            } else if (b == ',') {
                m_state = m_bWantValues ? 1 : FULL;
                m_bValueStart = true;
                std::memset(m_lengths, 0, sizeof m_lengths);
            } else if (b == '\n') {
                if (!EmitContact(0)) return used();
            } else if (m_inDigits) {
                if (b >= '0' && b <= '9') {
                    m_id = m_id * 10 + (b - '0');
                    // Too large: the line must not fall back on a later value.
                    if (m_id > static_cast<uint32_t>(MAX_RADIO_ID)) {
                        m_state = SKIP;
                        m_bValueStart = false;
                    }
                } else {
                    m_inDigits = false;
                }
            }
        } else if (state < FULL) {
            const int f = state - 1;
            if (m_bValueStart) {
                m_bValueStart = false;
                if (*p == '"') {
                    ++p;
                    OpenQuote(f, state);
                    continue;
                }
            }
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
            while (p < end && *p != ',' && *p != '\n' && *p != END_OF_DATA) {
                if (len < limit) value[len++] = *p;
                ++p;
            }
            m_lengths[f] = static_cast<uint8_t>(len);
            if (p == end) break;
            const unsigned char b = *p++;
            if (b == ',') {
                m_state = state + 1;
                m_bValueStart = true;
            } else if (b == END_OF_DATA) {
                m_bEnded = true;
                --p;
                return used();
            } else if (!EmitContact(state)) {  // the value ended by the LF counts too
                return used();
            }
        } else if (state == FULL || state == SKIP) {
            const auto* lf =
                static_cast<const unsigned char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const unsigned char* const stop = lf ? lf : end;
            const size_t n = static_cast<size_t>(stop - p);
            bool quote = false;
            if (std::memchr(p, '"', n) || std::memchr(p, END_OF_DATA, n)) {
                for (; p < stop; ++p) {
                    if (*p == END_OF_DATA) {
                        m_bEnded = true;
                        return used();
                    }
                    if (*p == '"' && m_bValueStart) {
                        quote = true;
                        break;
                    }
                    m_bValueStart = *p == ',';
                }
            } else if (n > 0) {
                m_bValueStart = stop[-1] == ',';
                p = stop;
            }
            if (quote) {
                ++p;
                OpenQuote(-1, state);
                continue;
            }
            if (!lf) break;
            p = lf + 1;
            if (!(state == FULL ? EmitContact(m_bWantValues ? CONTACT_FIELD_COUNT : 0)
                                : EmitOther()))
                return used();
        } else if (state == QUOTED) {
            const auto* q =
                static_cast<const unsigned char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
            const bool run = QuotedRun(p, q ? q : end);
            p = q ? q : end;
            if (!run) return used();
            if (q) {
                ++p;
                m_state = QUOTE_END;
                if (!QuoteMark(false)) return used();
            }
        } else {  // QUOTE_END
            if (*p == '"') {  // a doubled quote stands for one
                m_state = QUOTED;
                ++p;
                if (!QuoteMark(true)) return used();
                continue;
            }
            m_bSpanning = false;
            m_replay.clear();
            m_state = m_nQuoteBack;
            m_bValueStart = false;
        }
    }
    return used();
}

void CContactCsvParser::OpenQuote(int field, int back) {
    m_state = QUOTED;
    m_nQuotedField = m_bWantValues ? field : -1;
    m_nQuoteBack = back;
    m_nOpenLines = m_nLines;
    m_nQuotedBytes = 1;
    m_bSpanning = false;
    m_bValueStart = false;
}

void CContactCsvParser::AddToQuoted(const unsigned char* bytes, size_t n) {
    if (m_nQuotedField < 0) return;
    const int f = m_nQuotedField;
    const size_t limit = (f == 0 ? 8 : 16) + 1;
    const size_t len = m_lengths[f];
    if (len >= limit) return;
    const size_t take = std::min(n, limit - len);
    std::memcpy(m_values[f] + len, bytes, take);
    m_lengths[f] = static_cast<uint8_t>(len + take);
}

bool CContactCsvParser::QuotedRun(const unsigned char* p, const unsigned char* end) {
    const size_t n = static_cast<size_t>(end - p);
    AddToQuoted(p, n);
    m_nQuotedBytes += n;
    if (m_bSpanning) {
        m_replay.append(reinterpret_cast<const char*>(p), n);
    } else if (const auto* lf = static_cast<const unsigned char*>(std::memchr(p, '\n', n))) {
        m_bSpanning = true;
        m_replay.assign(reinterpret_cast<const char*>(lf + 1), static_cast<size_t>(end - lf - 1));
    }
    m_nLines += static_cast<uint32_t>(std::count(p, end, '\n'));
    return QuotedLimit();
}

bool CContactCsvParser::QuoteMark(bool inValue) {
    static const unsigned char quote = '"';
    if (inValue) AddToQuoted(&quote, 1);
    ++m_nQuotedBytes;
    if (m_bSpanning) m_replay += '"';
    return QuotedLimit();
}

bool CContactCsvParser::QuotedLimit() {
    if (m_bSpanning && m_nQuotedBytes > CSV_MAX_QUOTED) m_bUnclosed = true;
    return !m_bUnclosed;
}

std::string CContactCsvParser::Reopen() {
    CsvRecord record;
    record.kind = CsvRecordKind::Unclosed;
    record.nLines = m_nOpenLines;
    std::string replay;
    replay.swap(m_replay);
    m_bUnclosed = false;
    m_bSpanning = false;
    NewLine();
    Emit(record);
    return replay;
}

void CContactCsvParser::Finish() {
    for (;;) {
        if (m_bStopped) return;
        if (m_state != QUOTED) break;
        if (!m_bSpanning) {
            // Open at the end of its own line, the last one.
            CsvRecord record;
            record.kind = CsvRecordKind::Unclosed;
            record.nLines = m_nOpenLines;
            NewLine();
            Emit(record);
            return;
        }
        const std::string replay = Reopen();
        if (!m_bEnded) Feed(replay.data(), replay.size());
    }
    if (m_state == QUOTE_END) m_state = m_nQuoteBack;
    // A last line without its line end is a line like any other.
    if (m_lineStart) return;
    if (m_state == SKIP)
        EmitOther();
    else if (m_state == FULL)
        EmitContact(m_bWantValues ? CONTACT_FIELD_COUNT : 0);
    else
        EmitContact(m_state);
}

bool CContactCsvParser::Emit(const CsvRecord& record) {
    if (!m_sink.OnRecord(record)) m_bStopped = true;
    return !m_bStopped;
}

bool CContactCsvParser::EmitContact(int taken) {
    CsvRecord record;
    record.kind = CsvRecordKind::Contact;
    record.nId = m_id;
    record.nLines = m_nLines;
    if (m_bWantValues)
        for (int f = 0; f < taken; ++f)
            record.values[f] =
                std::string_view(reinterpret_cast<const char*>(m_values[f]), m_lengths[f]);
    NewLine();
    return Emit(record);
}

bool CContactCsvParser::EmitOther() {
    CsvRecord record;
    record.nLines = m_nLines;
    // A first line that begins with no digit names the columns.
    record.kind = m_bFirstLine && m_bNamesLike ? CsvRecordKind::Header : CsvRecordKind::NoId;
    NewLine();
    return Emit(record);
}

}  // namespace pendrak
