#include "csv/CsvImportParts.h"

#include <algorithm>
#include <cstring>

#include "csv/CsvNamedReader.h"
#include "csv/CsvParser.h"

namespace pendrak {

namespace {

// Text-mode reading for the own layout: CR LF becomes LF, a lone CR stays,
// 0x1A ends the data. A CR that ends a chunk waits for the next one.
class CTextModeReader : public ICsvRecordReader {
public:
    explicit CTextModeReader(std::unique_ptr<ICsvRecordReader> reader)
        : m_reader(std::move(reader)) {}

    // Converts the chunk in place; false when no more data is wanted.
    bool Feed(const char* constData, size_t size) override {
        char* data = const_cast<char*>(constData);  // the callers' own buffers
        if (size == 0) return true;
        if (m_pendingCr) {
            m_pendingCr = false;
            if (data[0] != '\n' && !m_reader->Feed("\r", 1)) return false;
        }
        bool ended = false;
        if (const void* eof = std::memchr(data, 0x1A, size)) {
            size = static_cast<size_t>(static_cast<const char*>(eof) - data);
            ended = true;
        }
        if (size > 0 && data[size - 1] == '\r' && !ended) {
            m_pendingCr = true;
            --size;
        }
        size = DropCrBeforeLf(data, size);
        return m_reader->Feed(data, size) && !ended;
    }

    // A CR that ended the last chunk is a lone CR.
    void Finish() override {
        if (m_pendingCr) m_reader->Feed("\r", 1);
        m_pendingCr = false;
        m_reader->Finish();
    }

private:
    static size_t DropCrBeforeLf(char* data, size_t size) {
        char* cr = static_cast<char*>(std::memchr(data, '\r', size));
        if (!cr) return size;
        char* out = cr;
        const char* in = cr;
        const char* const end = data + size;
        while (in < end) {
            const char* next = static_cast<const char*>(
                std::memchr(in + 1, '\r', static_cast<size_t>(end - in - 1)));
            if (!next) next = end;
            // `in` points at a CR: it goes only when LF follows it.
            const char* from = (in + 1 < end && in[1] == '\n') ? in + 1 : in;
            const size_t len = static_cast<size_t>(next - from);
            std::memmove(out, from, len);
            out += len;
            in = next;
        }
        return static_cast<size_t>(out - data);
    }

    std::unique_ptr<ICsvRecordReader> m_reader;
    bool m_pendingCr = false;
};

// The first line decides the layout; one longer than this is judged by its start.
constexpr size_t MAX_FIRST_LINE = 64 * 1024;

std::unique_ptr<ICsvRecordReader> MakeReader(const CsvLayout& layout, CImportSink& sink,
                                             bool wantValues, bool wantPlace) {
    if (!layout.UsesOwnReader())
        return std::make_unique<CCsvNamedReader>(layout, sink, wantValues, wantPlace);
    return std::make_unique<CTextModeReader>(
        std::make_unique<CContactCsvParser>(sink, wantValues || wantPlace));
}

}  // namespace

bool ReadCsvSource(CCsvSource& source, char* buffer, size_t chunkSize, CImportSink& sink,
                   bool wantValues, bool wantPlace, FileErrorCause& cause, long long& bytesRead) {
    std::string head;  // the bytes up to the first line end, until the layout is known
    std::unique_ptr<ICsvRecordReader> reader;
    auto start = [&]() -> bool {
        const size_t lf = std::min(head.find('\n'), head.size());
        std::string_view first(head.data(), lf);
        if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
        const CsvLayout layout = DetectCsvLayout(first);
        sink.OnLayout(layout);
        reader = MakeReader(layout, sink, wantValues, wantPlace);
        const size_t skip = layout.bByteOrderMark && !layout.UsesOwnReader() ? 3 : 0;
        return reader->Feed(head.data() + skip, head.size() - skip);
    };
    for (;;) {
        cause = FileErrorCause::none;
        const long long got = source.Read(buffer, chunkSize, cause);
        if (got < 0) {
            if (cause == FileErrorCause::none) cause = FileErrorCause::genericException;
            return false;
        }
        if (got == 0) break;
        const size_t size =
            static_cast<size_t>(got) < chunkSize ? static_cast<size_t>(got) : chunkSize;
        bytesRead += static_cast<long long>(size);
        if (!reader) {
            head.append(buffer, size);
            if (head.find('\n') == std::string::npos && head.size() < MAX_FIRST_LINE) continue;
            if (!start()) {
                reader->Finish();
                return true;
            }
            head = std::string();
            continue;
        }
        if (!reader->Feed(buffer, size)) {
            reader->Finish();
            return true;
        }
    }
    if (!reader) start();
    reader->Finish();
    return true;
}

bool CSeenIds::TestAndSet(uint32_t id) {
    std::unique_ptr<uint64_t[]>& block = m_blocks[id >> BLOCK_BITS];
    if (!block) block = std::make_unique<uint64_t[]>(WORD_MASK + 1);
    uint64_t& word = block[(id >> 6) & WORD_MASK];
    const uint64_t bit = uint64_t{1} << (id & 63);
    const bool seen = (word & bit) != 0;
    word |= bit;
    return seen;
}

bool CSeenIds::Test(uint32_t id) const {
    const uint64_t* block = m_blocks[id >> BLOCK_BITS].get();
    return block && (block[(id >> 6) & WORD_MASK] >> (id & 63) & 1) != 0;
}

void CStagedRecords::Add(const CsvRecord& record, uint32_t index, CTextConverter* converter,
                         int codePage) {
    constexpr size_t MAX_ENTRY = 12 + CONTACT_FIELD_COUNT * (1 + 16);
    if (m_blocks.empty() || m_used.back() + MAX_ENTRY > BLOCK_SIZE) {
        m_blocks.push_back(std::make_unique<char[]>(BLOCK_SIZE));
        m_used.push_back(0);
    }
    auto* const start = reinterpret_cast<unsigned char*>(m_blocks.back().get() + m_used.back());
    unsigned char* p = start + HeadSize();
    int cut = 0;
    TextConvertStats stats;
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        std::string_view text = record.values[f];
        if (converter && !text.empty()) {
            m_converted.clear();
            converter->Convert(text, m_converted, stats);
            text = m_converted;
        }
        const size_t width = static_cast<size_t>(ContactFieldWidth(static_cast<ContactField>(f)));
        if (text.size() > width) {
            text = text.substr(0, CharBoundaryCut(text, width, codePage));
            ++cut;
        }
        *p++ = static_cast<unsigned char>(text.size());
        // An empty value may have no bytes at all: memcpy must not see its null.
        if (!text.empty()) std::memcpy(p, text.data(), text.size());
        p += text.size();
    }
    const uint32_t id = record.nId;
    if (m_bAllTaken) {
        m_nCut += cut;
        m_stats.transliterated += stats.transliterated;
        m_stats.replaced += stats.replaced;
        start[0] = static_cast<unsigned char>(id);
        start[1] = static_cast<unsigned char>(id >> 8);
        start[2] = static_cast<unsigned char>(id >> 16);
        m_used.back() += static_cast<size_t>(p - start);
        return;
    }
    const auto clamp16 = [](long long v) { return static_cast<uint32_t>(std::min(v, 0xFFFFLL)); };
    const uint32_t translit = clamp16(stats.transliterated), replaced = clamp16(stats.replaced);
    const unsigned char headBytes[12] = {
        static_cast<unsigned char>(index),       static_cast<unsigned char>(index >> 8),
        static_cast<unsigned char>(index >> 16), static_cast<unsigned char>(index >> 24),
        static_cast<unsigned char>(id),          static_cast<unsigned char>(id >> 8),
        static_cast<unsigned char>(id >> 16),    static_cast<unsigned char>(cut),
        static_cast<unsigned char>(translit),    static_cast<unsigned char>(translit >> 8),
        static_cast<unsigned char>(replaced),    static_cast<unsigned char>(replaced >> 8)};
    std::memcpy(start, headBytes, sizeof headBytes);
    m_used.back() += static_cast<size_t>(p - start);
}

}  // namespace pendrak
