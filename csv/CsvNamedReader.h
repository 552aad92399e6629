// The reader of layouts with named columns: RFC 4180 values (quotes, doubled
// quotes, separators and line ends inside quotes; a last value needs no
// separator after it), CR LF, LF or lone CR line ends, blanks outside quotes
// dropped. A quote that never closes loses its own line only.
#pragma once

#include <string>
#include <vector>

#include "csv/CsvLayout.h"
#include "csv/CsvRecord.h"

namespace pendrak {

class CCsvNamedReader : public ICsvRecordReader {
public:
    // wantValues false: only the ID and, with wantPlace, the Country and State.
    CCsvNamedReader(const CsvLayout& layout, ICsvRecordSink& sink, bool wantValues,
                    bool wantPlace);

    bool Feed(const char* data, size_t size) override;
    void Finish() override;

    // A value longer than this keeps its first bytes only: no field of the
    // radio comes near it.
    static constexpr size_t MAX_VALUE = 1024;

private:
    enum State { FIELD_START, UNQUOTED, QUOTED, QUOTE_IN_QUOTED, AFTER_QUOTED };

    // Reads [p, end) up to its end, a stop or an unclosed quote; the bytes used.
    size_t Parse(const char* p, const char* end);
    // A run of a quoted value; false once its quote counts as unclosed.
    bool QuotedRun(const char* p, const char* end);
    bool QuotedLimit();
    // Tells the unclosed quote's line; the bytes after that line come back.
    std::string Reopen();
    void ResetRecord();

    void StartValue();
    void EndValue();
    bool EndRecord();
    void Append(const char* p, size_t n) {
        if (n == 0) return;
        m_bAnyText = true;
        if (m_bValueWanted && m_nValueBytes < MAX_VALUE) {
            const size_t take = n < MAX_VALUE - m_nValueBytes ? n : MAX_VALUE - m_nValueBytes;
            m_record.append(p, take);
            m_nValueBytes += take;
        }
    }
    std::string_view Value(size_t column) const;
    std::string_view Column(int c) const;

    CsvLayout m_layout;
    ICsvRecordSink& m_sink;
    std::vector<bool> m_wanted;  // columns whose values are kept
    size_t m_nLastWanted = 0;
    bool m_bFirst = true;  // the next record is the file's first
    bool m_bStopped = false;
    bool m_bAfterCr = false;  // a CR ended the last record: an LF next is its own
    // The quoted value: the record's lines when it opened, its file bytes,
    // whether it ran over a line end (what follows that line end is kept in
    // m_replay) and whether that line end was a CR.
    uint32_t m_nOpenLines = 1;
    size_t m_nQuotedBytes = 0;
    bool m_bSpanning = false;
    bool m_bReplayAfterCr = false;
    bool m_bQuotedCr = false;  // the quoted run's last byte was a CR
    bool m_bUnclosed = false;
    std::string m_replay;
    State m_state = FIELD_START;
    uint32_t m_nLines = 1;
    size_t m_nColumn = 0;
    bool m_bAnyText = false;  // some value of the record is not empty
    bool m_bValueWanted = false;
    bool m_bQuoted = false;    // the value began with a quote: its blanks count
    size_t m_nValueStart = 0;  // where the value's bytes begin in m_record
    size_t m_nValueBytes = 0;
    // The record's wanted values, one after the other, and where each lies.
    std::string m_record;
    struct Span {
        uint32_t start = 0, length = 0;
    };
    std::vector<Span> m_spans;  // by column, for the wanted ones
    std::string m_name;         // a Name made of first and last names
};

}  // namespace pendrak
