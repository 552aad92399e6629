// The reader of the program's own layout: one pass over the bytes (as read
// in text mode), fed in pieces of any size, with the same result as one
// piece. Holds no more than one line's worth of field bytes, so files of any
// size parse in bounded memory.
#pragma once

#include <cstddef>
#include <cstdint>

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
        ID = 0,    // collecting the first value of the line
        FULL = 8,  // all seven text values taken, waiting for LF
        SKIP = 9,  // the line yields nothing
    };

    bool EmitContact(int taken);
    bool EmitOther();
    void NewLine() {
        m_state = ID;
        m_lineStart = true;
        m_bFirstLine = false;
    }

    ICsvRecordSink& m_sink;
    bool m_bWantValues;
    bool m_bStopped = false;
    bool m_bFirstLine = true;
    int m_state = ID;
    bool m_lineStart = true;
    bool m_inDigits = false;
    bool m_bNamesLike = false;  // the line begins with no digit
    uint32_t m_id = 0;
    // A field's bytes and one more, plus room for a whole word of the scan.
    unsigned char m_values[CONTACT_FIELD_COUNT][32];
    uint8_t m_lengths[CONTACT_FIELD_COUNT];
};

}  // namespace pendrak
