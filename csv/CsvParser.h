// The import's line reader: one pass over the bytes, fed in pieces of any
// size, with the same result as one piece. Holds no more than one line's
// worth of field bytes, so files of any size parse in bounded memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "contacts/ContactImage.h"

namespace pendrak {

// Keeps what the import overwrites so that a failed read can put it back:
// the header, the used part of the image as it was (record by record, as
// the parser reaches it) and the radio ID table entries written.
class CImageUndo {
public:
    explicit CImageUndo(CContactImage& image);
    // Call before record n is written.
    void Keep(int n);
    void Restore();

private:
    CContactImage& m_image;
    size_t m_oldUsed;
    std::vector<unsigned char> m_bytes;  // image bytes 0 to size-1 as they were
    std::vector<int32_t> m_ids;          // radio ID table entries 0 to size-1
};

class CContactCsvParser {
public:
    explicit CContactCsvParser(CContactImage& image, CImageUndo* undo = nullptr);
    ~CContactCsvParser();
    CContactCsvParser(const CContactCsvParser&) = delete;
    CContactCsvParser& operator=(const CContactCsvParser&) = delete;

    // Parses the next bytes; gives false once MAX_CONTACTS contacts are
    // stored (the rest of the data is to be ignored).
    bool Feed(const char* data, size_t size);
    bool Full() const { return m_count >= MAX_CONTACTS; }
    // Contacts stored so far; a line still lacking its LF is not counted.
    int Count() const { return m_count; }

private:
    enum State : int {
        ID = 0,        // collecting the first value of the line
        FULL = 8,      // all seven text values taken, waiting for LF
        SKIP = 9,      // the line yields nothing
    };

    void Store();
    void NewLine() {
        m_state = ID;
        m_lineStart = true;
    }

    CContactImage& m_image;
    CImageUndo* m_undo;
    std::unique_ptr<uint64_t[]> m_seen;  // one bit per radio ID already stored
    int m_count = 0;
    int m_state = ID;
    bool m_lineStart = true;
    bool m_inDigits = false;
    uint32_t m_id = 0;
    unsigned char m_values[CONTACT_FIELD_COUNT][16 + 8];
    uint8_t m_lengths[CONTACT_FIELD_COUNT];
};

}  // namespace pendrak
