// The pieces of the import that its two readings share: reading one file by
// its layout, the IDs seen, and the store of the records taken.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "csv/ContactCsv.h"
#include "csv/CsvLayout.h"
#include "csv/CsvRecord.h"
#include "platform/TextConvert.h"

namespace pendrak {

// A sink that also learns each file's layout before its first record.
class CImportSink : public ICsvRecordSink {
public:
    virtual void OnLayout(const CsvLayout& layout) = 0;
};

// Reads the source to its end (or the own layout's 0x1A, or until the sink
// wants no more) through the reader of its layout, adding the bytes read to
// `bytesRead`. False with `cause` set when a read failed.
bool ReadCsvSource(CCsvSource& source, char* buffer, size_t chunkSize, CImportSink& sink,
                   bool wantValues, bool wantPlace, FileErrorCause& cause, long long& bytesRead);

// One bit per radio ID, in blocks of 65,536 IDs made on first use: a short
// file costs a few pages, not the whole 2 MB.
class CSeenIds {
public:
    // True when the ID was seen before; it is seen from now on.
    bool TestAndSet(uint32_t id);
    bool Test(uint32_t id) const;
    // Starts loading the ID's bit, for a test a little later.
    void Prefetch(uint32_t id) const {
#if defined(__GNUC__) || defined(__clang__)  // MSVC has no such hint; the test works without it
        if (const uint64_t* block = m_blocks[id >> BLOCK_BITS].get())
            __builtin_prefetch(&block[(id >> 6) & WORD_MASK]);
#else
        (void)id;
#endif
    }

private:
    static constexpr int BLOCK_BITS = 16;
    static constexpr uint32_t WORD_MASK = (1u << (BLOCK_BITS - 6)) - 1;
    std::unique_ptr<uint64_t[]> m_blocks[(MAX_RADIO_ID + 1) >> BLOCK_BITS];
};

// Records made ready for the image, compactly: converted and cut, with
// what that did to them. Kept in blocks, so that growing copies nothing.
// Records that are all taken keep only their ID and texts; the others also
// their place among the records read and what the conversion did.
class CStagedRecords {
public:
    explicit CStagedRecords(bool allTaken) : m_bAllTaken(allTaken) {}

    struct Entry {
        uint32_t nIndex;  // the record's place among the contact records read
        uint32_t nId;
        uint8_t nCut;
        uint16_t nTransliterated, nReplaced;
        std::string_view texts[CONTACT_FIELD_COUNT];
    };

    // converter null: the values are the radio's bytes already.
    void Add(const CsvRecord& record, uint32_t index, CTextConverter* converter, int codePage);
    template <typename Fn>
    void ForEach(Fn fn) const;
    // For records that are all taken: what the conversions did.
    long long ValuesCut() const { return m_nCut; }
    const TextConvertStats& Stats() const { return m_stats; }

private:
    size_t HeadSize() const { return m_bAllTaken ? 3 : 12; }

    bool m_bAllTaken;
    long long m_nCut = 0;
    TextConvertStats m_stats;
    static constexpr size_t BLOCK_SIZE = 1 << 20;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<size_t> m_used;
    std::string m_converted;
};

template <typename Fn>
void CStagedRecords::ForEach(Fn fn) const {
    uint32_t index = 0;
    for (size_t b = 0; b < m_blocks.size(); ++b) {
        const auto* p = reinterpret_cast<const unsigned char*>(m_blocks[b].get());
        const auto* const end = p + m_used[b];
        while (p < end) {
            Entry e{};
            if (m_bAllTaken) {
                e.nIndex = index++;
                e.nId = p[0] | (p[1] << 8) | (p[2] << 16);
            } else {
                e.nIndex = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
                e.nId = p[4] | (p[5] << 8) | (p[6] << 16);
                e.nCut = p[7];
                e.nTransliterated = static_cast<uint16_t>(p[8] | (p[9] << 8));
                e.nReplaced = static_cast<uint16_t>(p[10] | (p[11] << 8));
            }
            p += HeadSize();
            for (auto& text : e.texts) {
                text = std::string_view(reinterpret_cast<const char*>(p + 1), p[0]);
                p += 1 + p[0];
            }
            fn(e);
        }
    }
}

}  // namespace pendrak
