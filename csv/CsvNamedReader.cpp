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
    m_bFirst = false;
    m_nLines = 1;
    m_nColumn = 0;
    m_bAnyText = false;
    m_record.clear();
    for (Span& span : m_spans) span = Span();
    m_state = FIELD_START;
    StartValue();
    if (!more) m_bStopped = true;
    return more;
}

bool CCsvNamedReader::Feed(const char* data, size_t size) {
    if (m_bStopped) return false;
    const char sep = m_layout.cSeparator;
    const uint64_t sepWord = ONES * static_cast<unsigned char>(sep);
    const char* p = data;
    const char* const end = data + size;
    while (p < end) {
        switch (m_state) {
            case FIELD_START: {
                // Past the last wanted column, a rest of the line without quotes
                // holds nothing to read: straight to its line end.
                if (m_nColumn > m_nLastWanted) {
                    const auto* lf = static_cast<const char*>(
                        std::memchr(p, '\n', static_cast<size_t>(end - p)));
                    if (lf && !std::memchr(p, '"', static_cast<size_t>(lf - p))) {
                        if (!m_bAnyText)
                            for (const char* q = p; q < lf && !m_bAnyText; ++q)
                                m_bAnyText = *q != sep && *q != ' ' && *q != '\t' && *q != '\r';
                        p = lf;
                    }
                }
                const char c = *p;
                if (c == sep) {
                    EndValue();
                    ++p;
                } else if (c == '\n') {
                    EndValue();
                    ++p;
                    if (!EndRecord()) return false;
                } else if (c == ' ' || c == '\t' || c == '\r') {
                    ++p;
                } else if (c == '"') {
                    m_state = QUOTED;
                    m_bQuoted = true;
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
                    if (const uint64_t mask = HasByte(word, sepWord) | HasByte(word, LF_WORD)) {
                        q += std::countr_zero(mask) / 8;
                        break;
                    }
                    q += 8;
                }
                while (q < end && *q != sep && *q != '\n') ++q;
                Append(p, static_cast<size_t>(q - p));
                p = q;
                if (p == end) break;
                EndValue();
                if (*p++ == '\n' && !EndRecord()) return false;
                break;
            }
            case QUOTED: {
                const char* q =
                    static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
                if (!q) q = end;
                m_nLines += static_cast<uint32_t>(std::count(p, q, '\n'));
                Append(p, static_cast<size_t>(q - p));
                p = q;
                if (p < end) {
                    m_state = QUOTE_IN_QUOTED;
                    ++p;
                }
                break;
            }
            case QUOTE_IN_QUOTED:
                if (*p == '"') {  // a doubled quote stands for one
                    Append(p, 1);
                    m_state = QUOTED;
                    ++p;
                } else {
                    m_state = AFTER_QUOTED;
                }
                break;
            case AFTER_QUOTED: {
                const char c = *p;
                if (c == sep || c == '\n') {
                    EndValue();
                    ++p;
                    if (c == '\n' && !EndRecord()) return false;
                } else if (c == ' ' || c == '\t' || c == '\r') {
                    ++p;
                } else {
                    // Text after the closing quote belongs to the value.
                    Append(p, 1);
                    ++p;
                }
                break;
            }
        }
    }
    return true;
}

void CCsvNamedReader::Finish() {
    if (m_bStopped) return;
    // A last line without its line end is a line like any other.
    if (m_state == FIELD_START && m_nColumn == 0 && !m_bAnyText) return;
    EndValue();
    EndRecord();
}

}  // namespace pendrak
