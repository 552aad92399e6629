// The reader of the program's own layout: one pass over the bytes (as read
// in text mode), fed in pieces of any size, with the same result as one
// piece. Holds no more than one line's worth of field bytes (and, while a
// quoted value runs over line ends, the bytes since its first line end), so
// files of any size parse in bounded memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "csv/CsvRecord.h"

namespace pendrak {

class CContactCsvParser : public ICsvRecordReader {
public:
    // wantValues false: only IDs, at the cost of finding line ends.
    CContactCsvParser(ICsvRecordSink& sink, bool wantValues);

    bool Feed(const char* data, size_t size) override;
    void Finish() override;

private:
    enum State : int {
        ID = 0,          // collecting the first value of the line
        FULL = 8,        // all seven text values taken, waiting for LF
        SKIP = 9,        // the line yields nothing
        QUOTED = 10,     // inside a value that began with a quote
        QUOTE_END = 11,  // a quote inside it: a doubled one or the end
    };

    // Parses [p, end) up to its end, a stop, or an unclosed quote; how
    // many bytes it used.
    size_t Parse(const unsigned char* p, const unsigned char* const end);
    void OpenQuote(int field, int back);
    // A run of the quoted value's bytes, and a quote inside it (inValue: a
    // doubled one's second); false once the quote counts as unclosed.
    bool QuotedRun(const unsigned char* p, const unsigned char* end);
    bool QuoteMark(bool inValue);
    bool QuotedLimit();
    void AddToQuoted(const unsigned char* bytes, size_t n);
    // The unclosed quote's line is told, and the bytes after it come back
    // to be read again.
    std::string Reopen();
    bool EmitContact(int taken);
    bool EmitOther();
    bool Emit(const CsvRecord& record);
    void NewLine() {
        m_state = ID;
        m_lineStart = true;
        m_bFirstLine = false;
        m_nLines = 1;
    }

    ICsvRecordSink& m_sink;
    bool m_bWantValues;
    bool m_bStopped = false;  // the sink wants no more
    bool m_bEnded = false;    // 0x1A outside quotes: the end of the data
    bool m_bFirstLine = true;
    int m_state = ID;
    bool m_lineStart = true;
    bool m_inDigits = false;
    bool m_bNamesLike = false;  // the line begins with no digit
    bool m_bValueStart = false;  // the next byte begins a value
    uint32_t m_id = 0;
    uint32_t m_nLines = 1;  // lines of the file the record spans so far
    // The quoted value: where it goes (-1 nowhere), the state after it, the
    // record's lines when it opened, its bytes so far, and whether it has
    // run over a line end (then what follows that line end is kept in
    // m_replay, for an unclosed quote).
    int m_nQuotedField = -1;
    int m_nQuoteBack = SKIP;
    uint32_t m_nOpenLines = 1;
    size_t m_nQuotedBytes = 0;
    bool m_bSpanning = false;
    bool m_bUnclosed = false;
    std::string m_replay;
    // A field's bytes and one more, plus room for a whole word of the scan.
    unsigned char m_values[CONTACT_FIELD_COUNT][32];
    uint8_t m_lengths[CONTACT_FIELD_COUNT];
};

}  // namespace pendrak
