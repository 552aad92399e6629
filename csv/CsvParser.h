// The import's line reader: one pass over the bytes, fed in pieces of any
// size, with the same result as one piece. Holds no more than one line's
// worth of field bytes, so files of any size parse in bounded memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "contacts/ContactImage.h"

namespace pendrak {

class CContactCsvParser {
public:
    // Stores the contacts into records 0, 1, ... of `image`.
    explicit CContactCsvParser(CContactImage& image);
    // Only counts the contacts, at the cost of finding line ends: the import
    // learns how far it will read without touching the image.
    CContactCsvParser();
    ~CContactCsvParser();
    CContactCsvParser(const CContactCsvParser&) = delete;
    CContactCsvParser& operator=(const CContactCsvParser&) = delete;

    // Parses the next bytes; gives false once MAX_CONTACTS contacts are
    // stored (the rest of the data is to be ignored).
    bool Feed(const char* data, size_t size);
    bool CountsOnly() const { return m_image == nullptr; }
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

    CContactImage* m_image;  // null when only counting
    // One bit per radio ID already stored, in blocks of 65,536 IDs made on
    // first use: a short file costs a few pages, not the whole 2 MB.
    static constexpr int SEEN_BLOCK_BITS = 16;
    static constexpr uint32_t SEEN_WORD_MASK = (1u << (SEEN_BLOCK_BITS - 6)) - 1;
    std::unique_ptr<uint64_t[]> m_seen[(MAX_RADIO_ID + 1) >> SEEN_BLOCK_BITS];
    int m_count = 0;
    int m_state = ID;
    bool m_lineStart = true;
    bool m_inDigits = false;
    uint32_t m_id = 0;
    unsigned char m_values[CONTACT_FIELD_COUNT][16 + 8];
    uint8_t m_lengths[CONTACT_FIELD_COUNT];
};

}  // namespace pendrak
