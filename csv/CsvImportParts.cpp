#include "csv/CsvImportParts.h"

#include <algorithm>
#include <cstring>

#include "csv/CsvNamedReader.h"
#include "csv/CsvParser.h"
#include "platform/Utf16Decoder.h"

namespace pendrak {

namespace {

// Text-mode reading for the own layout: CR LF becomes LF, a lone CR stays
// (0x1A, the end of the data, is the parser's: inside quotes it is a byte).
// A CR that ends a chunk waits for the next one.
class CTextModeReader : public ICsvRecordReader {
public:
    CTextModeReader(std::unique_ptr<ICsvRecordReader> reader, ICsvRecordSink& sink)
        : m_reader(std::move(reader)), m_sink(sink) {}

    // Converts the chunk in place; false when no more data is wanted.
    bool Feed(const char* constData, size_t size) override {
        char* data = const_cast<char*>(constData);  // the callers' own buffers
        if (size == 0) return true;
        if (m_pendingCr) {
            m_pendingCr = false;
            if (data[0] != '\n') {
                m_bLoneCr = true;
                if (!m_reader->Feed("\r", 1)) return false;
            }
        }
        if (size > 0 && data[size - 1] == '\r') {
            m_pendingCr = true;
            --size;
        }
        m_bLf = m_bLf || std::memchr(data, '\n', size);
        size = DropCrBeforeLf(data, size);
        m_bLoneCr = m_bLoneCr || std::memchr(data, '\r', size);
        return m_reader->Feed(data, size);
    }

    // A CR that ended the last chunk is a lone CR.
    void Finish() override {
        if (m_pendingCr) {
            m_bLoneCr = true;
            m_reader->Feed("\r", 1);
        }
        m_pendingCr = false;
        m_reader->Finish();
        if (m_bLoneCr && !m_bLf) m_sink.OnCrOnlyLineEnds();
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
    ICsvRecordSink& m_sink;
    bool m_pendingCr = false;
    bool m_bLf = false, m_bLoneCr = false;
};

// The first line decides the layout; one longer than this is judged by its start.
constexpr size_t MAX_FIRST_LINE = 64 * 1024;

constexpr char UTF8_BOM[] = "\xEF\xBB\xBF";

std::unique_ptr<ICsvRecordReader> MakeReader(const CsvLayout& layout, CImportSink& sink,
                                             bool wantValues, bool wantPlace) {
    if (!layout.UsesOwnReader())
        return std::make_unique<CCsvNamedReader>(layout, sink, wantValues, wantPlace);
    return std::make_unique<CTextModeReader>(
        std::make_unique<CContactCsvParser>(sink, wantValues || wantPlace), sink);
}

}  // namespace

bool ReadCsvSource(CCsvSource& source, char* buffer, size_t chunkSize, CImportSink& sink,
                   bool wantValues, bool wantPlace, FileErrorCause& cause, long long& bytesRead) {
    std::string head;  // the bytes up to the first line end, until the layout is known
    std::unique_ptr<ICsvRecordReader> reader;
    auto start = [&]() -> bool {
        const size_t eol = std::min(head.find_first_of("\r\n"), head.size());
        const CsvLayout layout = DetectCsvLayout(std::string_view(head.data(), eol));
        sink.OnLayout(layout);
        reader = MakeReader(layout, sink, wantValues, wantPlace);
        const size_t skip = layout.bByteOrderMark && !layout.UsesOwnReader() ? 3 : 0;
        return reader->Feed(head.data() + skip, head.size() - skip);
    };
    // Text for the readers (a UTF-16 file's already as UTF-8): false when no
    // more is wanted.
    auto pass = [&](const char* data, size_t size) -> bool {
        if (reader) return reader->Feed(data, size);
        head.append(data, size);
        if (head.find_first_of("\r\n") == std::string::npos && head.size() < MAX_FIRST_LINE)
            return true;
        const bool more = start();
        head = std::string();
        return more;
    };
    std::string lead;  // the first bytes, until they tell whether the file is UTF-16
    bool leadKnown = false;
    std::unique_ptr<CUtf16Decoder> utf16;
    std::string decoded;
    auto take = [&](const char* data, size_t size) -> bool {
        if (!leadKnown) {
            lead.append(data, size);
            if (lead.size() < 2) return true;
            leadKnown = true;
            utf16 = CUtf16Decoder::ForByteOrderMark(lead);
            if (!utf16) return pass(lead.data(), lead.size());
            decoded = UTF8_BOM;  // read on as a UTF-8 file with its mark
            utf16->Decode(lead.data() + 2, lead.size() - 2, decoded);
            return pass(decoded.data(), decoded.size());
        }
        if (!utf16) return pass(data, size);
        decoded.clear();
        utf16->Decode(data, size, decoded);
        return pass(decoded.data(), decoded.size());
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
        if (!take(buffer, size)) {
            reader->Finish();
            return true;
        }
    }
    bool more = true;
    if (!leadKnown && !lead.empty()) more = pass(lead.data(), lead.size());
    if (more && utf16) {
        decoded.clear();
        utf16->Finish(decoded);
        more = pass(decoded.data(), decoded.size());
    }
    if (more && !reader) start();
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
