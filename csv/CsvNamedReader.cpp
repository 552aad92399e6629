#include "csv/CsvNamedReader.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pendrak {

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

constexpr uint64_t ONES = 0x0101010101010101u;
constexpr uint64_t LF_WORD = ONES * '\n';
constexpr uint64_t CR_WORD = ONES * '\r';

// High bit set in the bytes of `word` equal to the byte of `pattern`; exact
// up to the first such byte, which is all the scan uses.
inline uint64_t HasByte(uint64_t word, uint64_t pattern) {
    const uint64_t x = word ^ pattern;
    return (x - ONES) & ~x & 0x8080808080808080u;
}

// 1 to MAX_RADIO_ID in digits alone, else 0.
uint32_t RadioIdOf(std::string_view value) {
    value = Trimmed(value);
    if (value.empty() || value.size() > 8 || value[0] == '0') return 0;
    uint32_t id = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') return 0;
        id = id * 10 + static_cast<uint32_t>(c - '0');
    }
    return id <= static_cast<uint32_t>(MAX_RADIO_ID) ? id : 0;
}

}  // namespace

CCsvNamedReader::CCsvNamedReader(const CsvLayout& layout, ICsvRecordSink& sink, bool wantValues,
                                 bool wantPlace)
    : m_layout(layout), m_sink(sink) {
    int last = m_layout.nIdColumn;
    for (const int c : m_layout.nColumns) last = std::max(last, c);
    m_wanted.assign(static_cast<size_t>(last) + 1, false);
    m_spans.resize(m_wanted.size());
    m_wanted[m_layout.nIdColumn] = true;
    for (int c = 0; c < COL_COUNT; ++c) {
        const int column = m_layout.nColumns[c];
        if (column >= 0 && (wantValues || (wantPlace && (c == COL_COUNTRY || c == COL_STATE))))
            m_wanted[column] = true;
    }
    for (size_t i = 0; i < m_wanted.size(); ++i)
        if (m_wanted[i]) m_nLastWanted = i;
    StartValue();
}

void CCsvNamedReader::StartValue() {
    m_bValueWanted = m_nColumn < m_wanted.size() && m_wanted[m_nColumn];
    m_nValueStart = m_record.size();
    m_nValueBytes = 0;
}

void CCsvNamedReader::EndValue() {
    if (m_bValueWanted) {
        size_t start = m_nValueStart, end = m_record.size();
        // Only unquoted values lose their blanks: a quoted one is as written.
        if (!m_bQuoted) {
            while (end > start && (m_record[end - 1] == ' ' || m_record[end - 1] == '\t' ||
                                   m_record[end - 1] == '\r'))
                --end;
        }
        m_spans[m_nColumn] = {static_cast<uint32_t>(start), static_cast<uint32_t>(end - start)};
    }
    ++m_nColumn;
    m_bQuoted = false;
    m_state = FIELD_START;
    StartValue();
}

std::string_view CCsvNamedReader::Value(size_t column) const {
    return std::string_view(m_record).substr(m_spans[column].start, m_spans[column].length);
}

std::string_view CCsvNamedReader::Column(int c) const {
    const int i = m_layout.nColumns[c];
    if (i < 0 || !m_wanted[i]) return {};
    return Value(static_cast<size_t>(i));
}

bool CCsvNamedReader::EndRecord() {
    CsvRecord record;
    record.nLines = m_nLines;
    if (m_bFirst && m_layout.bHeader) {
        record.kind = CsvRecordKind::Header;
    } else if (!m_bAnyText) {
        record.kind = CsvRecordKind::Empty;
    } else if ((record.nId = RadioIdOf(Value(static_cast<size_t>(m_layout.nIdColumn)))) == 0) {
        record.kind = CsvRecordKind::NoId;
    } else {
        record.kind = CsvRecordKind::Contact;
        record.values[CONTACT_CALLSIGN] = Column(COL_CALLSIGN);
        record.values[CONTACT_CITY] = Column(COL_CITY);
        record.values[CONTACT_STATE] = Column(COL_STATE);
        record.values[CONTACT_COUNTRY] = Column(COL_COUNTRY);
        record.values[CONTACT_REMARKS] = Column(COL_REMARKS);
        record.values[CONTACT_NICKNAME] = Column(COL_NICKNAME);
        if (m_layout.nColumns[COL_NAME] >= 0) {
            record.values[CONTACT_NAME] = Column(COL_NAME);
        } else {
            // The DMR-MARC convention: the whole name, and the first name
            // as the nickname.
            const std::string_view first = Column(COL_FIRST_NAME), last = Column(COL_LAST_NAME);
            m_name.assign(first);
            if (!first.empty() && !last.empty()) m_name += ' ';
            m_name += last;
            record.values[CONTACT_NAME] = m_name;
            if (m_layout.nColumns[COL_NICKNAME] < 0) record.values[CONTACT_NICKNAME] = first;
        }
    }
    const bool more = m_sink.OnRecord(record);
    ResetRecord();
    if (!more) m_bStopped = true;
    return more;
}

void CCsvNamedReader::ResetRecord() {
    m_bFirst = false;
    m_nLines = 1;
    m_nColumn = 0;
    m_bAnyText = false;
    m_bQuoted = false;
    m_record.clear();
    for (Span& span : m_spans) span = Span();
    m_state = FIELD_START;
    StartValue();
}

bool CCsvNamedReader::QuotedRun(const char* p, const char* end) {
    Append(p, static_cast<size_t>(end - p));
    m_nQuotedBytes += static_cast<size_t>(end - p);
    if (m_bSpanning) m_replay.append(p, end);
    for (const char* q = p; q < end; ++q) {
        const bool lineEnd = *q == '\r' || (*q == '\n' && !m_bQuotedCr);
        m_bQuotedCr = *q == '\r';
        if (!lineEnd) continue;
        ++m_nLines;
        if (!m_bSpanning) {
            m_bSpanning = true;
            m_bReplayAfterCr = *q == '\r';
            m_replay.assign(q + 1, end);
        }
    }
    return QuotedLimit();
}

bool CCsvNamedReader::QuotedLimit() {
    if (m_bSpanning && m_nQuotedBytes > CSV_MAX_QUOTED) m_bUnclosed = true;
    return !m_bUnclosed;
}

std::string CCsvNamedReader::Reopen() {
    CsvRecord record;
    record.kind = CsvRecordKind::Unclosed;
    record.nLines = m_nOpenLines;
    std::string replay;
    replay.swap(m_replay);
    m_bUnclosed = false;
    m_bSpanning = false;
    m_bAfterCr = m_bReplayAfterCr;
    ResetRecord();
    if (!m_sink.OnRecord(record)) m_bStopped = true;
    return replay;
}

bool CCsvNamedReader::Feed(const char* data, size_t size) {
    if (m_bStopped) return false;
    const char* p = data;
    const char* end = data + size;
    std::string again;  // the bytes after an unclosed quote's line, and the rest
    for (;;) {
        p += Parse(p, end);
        if (m_bStopped) return false;
        if (!m_bUnclosed) return true;
        std::string next = Reopen();
        if (m_bStopped) return false;
        next.append(p, end);
        again.swap(next);
        p = again.data();
        end = p + again.size();
    }
}

size_t CCsvNamedReader::Parse(const char* const begin, const char* const end) {
    const char sep = m_layout.cSeparator;
    const uint64_t sepWord = ONES * static_cast<unsigned char>(sep);
    const char* p = begin;
    const auto used = [&] { return static_cast<size_t>(p - begin); };
    // A record's end: LF, CR LF or a lone CR.
    const auto lineEnd = [&](char c) {
        EndValue();
        m_bAfterCr = c == '\r';
        return EndRecord();
    };
    while (p < end) {
        if (m_bAfterCr) {
            m_bAfterCr = false;
            if (*p == '\n') {
                ++p;
                continue;
            }
        }
        switch (m_state) {
            case FIELD_START: {
                // Past the last wanted column, a rest of the line without quotes
                // holds nothing to read: straight to its line end.
                if (m_nColumn > m_nLastWanted) {
                    const auto* lf = static_cast<const char*>(
                        std::memchr(p, '\n', static_cast<size_t>(end - p)));
                    const auto* cr = static_cast<const char*>(
                        std::memchr(p, '\r', static_cast<size_t>((lf ? lf : end) - p)));
                    const char* eol = cr ? cr : lf;
                    if (eol && !std::memchr(p, '"', static_cast<size_t>(eol - p))) {
                        if (!m_bAnyText)
                            for (const char* q = p; q < eol && !m_bAnyText; ++q)
                                m_bAnyText = *q != sep && *q != ' ' && *q != '\t';
                        p = eol;
                    }
                }
                const char c = *p;
                if (c == sep) {
                    EndValue();
                    ++p;
                } else if (c == '\n' || c == '\r') {
                    ++p;
                    if (!lineEnd(c)) return used();
                } else if (c == ' ' || c == '\t') {
                    ++p;
                } else if (c == '"') {
                    m_state = QUOTED;
                    m_bQuoted = true;
                    m_nOpenLines = m_nLines;
                    m_nQuotedBytes = 1;
                    m_bSpanning = false;
                    m_bQuotedCr = false;
                    ++p;
                } else {
                    m_state = UNQUOTED;
                }
                break;
            }
            case UNQUOTED: {
                const char* q = p;
                // Eight bytes at a time to the next separator or line end.
                while (end - q >= 8) {
                    uint64_t word;
                    std::memcpy(&word, q, 8);
                    if (const uint64_t mask = HasByte(word, sepWord) | HasByte(word, LF_WORD) |
                                              HasByte(word, CR_WORD)) {
                        q += std::countr_zero(mask) / 8;
                        break;
                    }
                    q += 8;
                }
                while (q < end && *q != sep && *q != '\n' && *q != '\r') ++q;
                Append(p, static_cast<size_t>(q - p));
                p = q;
                if (p == end) break;
                const char c = *p++;
                if (c == sep)
                    EndValue();
                else if (!lineEnd(c))
                    return used();
                break;
            }
            case QUOTED: {
                const char* q =
                    static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
                if (!q) q = end;
                const bool open = QuotedRun(p, q);
                p = q;
                if (!open) return used();
                if (p < end) {
                    m_state = QUOTE_IN_QUOTED;
                    m_bQuotedCr = false;
                    ++p;
                    ++m_nQuotedBytes;
                    if (m_bSpanning) m_replay += '"';
                    if (!QuotedLimit()) return used();
                }
                break;
            }
            case QUOTE_IN_QUOTED:
                if (*p == '"') {  // a doubled quote stands for one
                    Append(p, 1);
                    m_state = QUOTED;
                    ++p;
                    ++m_nQuotedBytes;
                    if (m_bSpanning) m_replay += '"';
                    if (!QuotedLimit()) return used();
                } else {
                    m_state = AFTER_QUOTED;
                    m_bSpanning = false;
                    m_replay.clear();
                }
                break;
            case AFTER_QUOTED: {
                const char c = *p++;
                if (c == sep) {
                    EndValue();
                } else if (c == '\n' || c == '\r') {
                    if (!lineEnd(c)) return used();
                } else if (c != ' ' && c != '\t') {
                    // Text after the closing quote belongs to the value.
                    Append(p - 1, 1);
                }
                break;
            }
        }
    }
    return used();
}

void CCsvNamedReader::Finish() {
    for (;;) {
        if (m_bStopped) return;
        if (m_state != QUOTED) break;
        if (!m_bSpanning) {
            // Open at the end of its own line, the last one.
            CsvRecord record;
            record.kind = CsvRecordKind::Unclosed;
            record.nLines = m_nOpenLines;
            ResetRecord();
            if (!m_sink.OnRecord(record)) m_bStopped = true;
            return;
        }
        const std::string replay = Reopen();
        Feed(replay.data(), replay.size());
    }
    // A last line without its line end is a line like any other.
    if (m_state == FIELD_START && m_nColumn == 0 && !m_bAnyText) return;
    EndValue();
    EndRecord();
}

}  // namespace pendrak
