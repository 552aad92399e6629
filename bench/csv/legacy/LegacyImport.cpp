// The import as it was before files of other layouts, choices and reports
// came in, kept unchanged as the benchmark's baseline for the program's own
// files: the new import must stay within 10% of it on the same bytes.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string_view>

#include "LegacyImport.h"

namespace pendrak::legacy {

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


namespace {

static_assert(std::endian::native == std::endian::little, "byte order of the word scan");

// High bit set in each byte of `word` that is a comma or an LF; exact up to
// and including the first such byte, which is all the scan uses.
inline uint64_t DelimiterMask(uint64_t word) {
    constexpr uint64_t ONES = 0x0101010101010101u;
    constexpr uint64_t HIGHS = 0x8080808080808080u;
    const uint64_t comma = word ^ (ONES * ',');
    const uint64_t lf = word ^ (ONES * '\n');
    return ((comma - ONES) & ~comma & HIGHS) | ((lf - ONES) & ~lf & HIGHS);
}

}  // namespace

CContactCsvParser::CContactCsvParser(CContactImage& image)
    : m_image(&image) {}

CContactCsvParser::CContactCsvParser()
    : m_image(nullptr) {}

CContactCsvParser::~CContactCsvParser() = default;

bool CContactCsvParser::Feed(const char* data, size_t size) {
    if (Full()) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = p + size;
    while (p < end) {
        const int state = m_state;
        if (state == ID) {
            const unsigned char b = *p++;
            if (m_lineStart) {
                if (b == '\n') continue;
                // Every candidate of the line starts at its first byte, so a
                // wrong first byte rules the whole line out.
                if (b < '1' || b > '9') {
                    m_state = SKIP;
                    continue;
                }
                m_lineStart = false;
                m_inDigits = true;
                m_id = b - '0';
            } else if (b == ',') {
                // The duplicate test waits for the line end, by when the bit
                // has arrived from memory.
#if defined(__GNUC__) || defined(__clang__)  // MSVC has no such hint; the test works without it
                if (const uint64_t* block = m_seen[m_id >> SEEN_BLOCK_BITS].get())
                    __builtin_prefetch(&block[(m_id >> 6) & SEEN_WORD_MASK]);
#endif
                // A counting pass needs no values: the line counts once it ends.
                m_state = m_image ? 1 : FULL;
                std::memset(m_lengths, 0, sizeof m_lengths);
            } else if (b == '\n') {
                NewLine();
            } else if (m_inDigits) {
                if (b >= '0' && b <= '9') {
                    m_id = m_id * 10 + (b - '0');
                    // Too large: the line must not fall back on a later value.
                    if (m_id > static_cast<uint32_t>(MAX_RADIO_ID)) m_state = SKIP;
                } else {
                    m_inDigits = false;
                }
            }
        } else if (state < FULL) {
            const int f = state - 1;
            const uint8_t width = f == 0 ? 8 : 16;
            unsigned char* value = m_values[f];
            size_t len = m_lengths[f];
            // Eight bytes at a time while they last; the value buffer has
            // room for a whole word past the field width.
            while (end - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                const uint64_t mask = DelimiterMask(word);
                const size_t k = mask ? static_cast<size_t>(std::countr_zero(mask)) / 8 : 8;
                if (len < width) {
                    std::memcpy(value + len, p, 8);
                    len = std::min<size_t>(width, len + k);
                }
                p += k;
                if (mask) break;
            }
            while (p < end && *p != ',' && *p != '\n') {
                if (len < width) value[len++] = *p;
                ++p;
            }
            m_lengths[f] = static_cast<uint8_t>(len);
            if (p == end) break;
            if (*p++ == ',') {
                m_state = state + 1;
            } else {
                Store();
                if (Full()) return false;
            }
        } else {
            const auto* lf = static_cast<const unsigned char*>(
                std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (!lf) break;
            p = lf + 1;
            if (state == FULL) {
                Store();
                if (Full()) return false;
            } else {
                NewLine();
            }
        }
    }
    return !Full();
}

void CContactCsvParser::Store() {
    std::unique_ptr<uint64_t[]>& block = m_seen[m_id >> SEEN_BLOCK_BITS];
    if (!block) block = std::make_unique<uint64_t[]>(SEEN_WORD_MASK + 1);
    uint64_t& seen = block[(m_id >> 6) & SEEN_WORD_MASK];
    const uint64_t bit = uint64_t{1} << (m_id & 63);
    if (seen & bit) {  // the first line with an ID wins
        NewLine();
        return;
    }
    seen |= bit;
    if (!m_image) {
        ++m_count;
        NewLine();
        return;
    }
    const int n = m_count;
    const int taken = m_state - 1;  // comma-ended text values of the line
    m_image->SetContactRadioId(n, static_cast<int32_t>(m_id));
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const std::string_view text =
            f < taken ? std::string_view(reinterpret_cast<const char*>(m_values[f]), m_lengths[f])
                      : std::string_view("", 0);  // never a null pointer for memcpy
        m_image->SetContactFieldText(static_cast<ContactField>(f), n, text);
    }
    ++m_count;
    NewLine();
}


namespace {

// Text-mode reading over a stream of chunks: CR LF becomes LF, a lone CR
// stays, 0x1A ends the data. A CR that ends a chunk waits for the next one.
class CTextModeReader {
public:
    explicit CTextModeReader(CContactCsvParser& parser) : m_parser(parser) {}

    // Converts the chunk in place and parses it; false when no more data is
    // wanted (0x1A seen or the contact limit reached).
    bool Feed(char* data, size_t size) {
        if (size == 0) return true;
        if (m_pendingCr) {
            m_pendingCr = false;
            if (data[0] != '\n' && !m_parser.Feed("\r", 1)) return false;
        }
        bool ended = false;
        if (const void* eof = std::memchr(data, 0x1A, size)) {
            size = static_cast<size_t>(static_cast<const char*>(eof) - data);
            ended = true;
        }
        // A CR before an LF changes no count: it sits where a line is already
        // ruled out or only its LF is looked for.
        if (m_parser.CountsOnly()) return m_parser.Feed(data, size) && !ended;
        if (size > 0 && data[size - 1] == '\r' && !ended) {
            m_pendingCr = true;
            --size;
        }
        size = DropCrBeforeLf(data, size);
        return m_parser.Feed(data, size) && !ended;
    }

    // A CR that ended the last chunk is a lone CR.
    void Finish() {
        if (m_pendingCr) m_parser.Feed("\r", 1);
        m_pendingCr = false;
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

    CContactCsvParser& m_parser;
    bool m_pendingCr = false;
};

// One pass over the source through `parser`, up to the end of the data, the
// 0x1A or the contact limit; false with `cause` set when a read failed.
bool ReadThrough(CCsvSource& source, CContactCsvParser& parser, char* buffer, size_t chunkSize,
                 FileErrorCause& cause) {
    CTextModeReader reader(parser);
    for (;;) {
        cause = FileErrorCause::none;
        const long long got = source.Read(buffer, chunkSize, cause);
        if (got < 0) {
            if (cause == FileErrorCause::none) cause = FileErrorCause::genericException;
            return false;
        }
        if (got == 0) {
            reader.Finish();
            return true;
        }
        const size_t size = static_cast<size_t>(got) < chunkSize ? static_cast<size_t>(got) : chunkSize;
        if (!reader.Feed(buffer, size)) return true;
    }
}

// Lines the first pass reads without parsing: more than a full file holds.
constexpr long long SCAN_LINE_LIMIT = 2LL * MAX_CONTACTS;

enum class ScanEnd { End, TooLong, Failed };

// Reads the source through to the end of its data (the end or a 0x1A),
// counting lines only, which costs about as much as a copy. A file with
// more lines than any that is read to its end is left to the parser.
ScanEnd ScanThrough(CCsvSource& source, char* buffer, size_t chunkSize, FileErrorCause& cause) {
    long long lines = 0;
    for (;;) {
        cause = FileErrorCause::none;
        const long long got = source.Read(buffer, chunkSize, cause);
        if (got < 0) {
            if (cause == FileErrorCause::none) cause = FileErrorCause::genericException;
            return ScanEnd::Failed;
        }
        if (got == 0) return ScanEnd::End;
        size_t size = static_cast<size_t>(got) < chunkSize ? static_cast<size_t>(got) : chunkSize;
        const void* eof = std::memchr(buffer, 0x1A, size);
        if (eof) size = static_cast<size_t>(static_cast<const char*>(eof) - buffer);
        lines += std::count(buffer, buffer + size, '\n');
        if (eof) return ScanEnd::End;
        if (lines > SCAN_LINE_LIMIT) return ScanEnd::TooLong;
    }
}

CsvImportResult ReadFailed(FileErrorCause cause) {
    CsvImportResult result;
    result.outcome = CsvImportResult::ReadFailed;
    result.cause = cause;
    return result;
}

}  // namespace

CsvImportResult ImportContactsCsv(CContactImage& image, CCsvSource& source, size_t chunkSize) {
    if (chunkSize == 0) chunkSize = CSV_READ_CHUNK_SIZE;
    const std::unique_ptr<char[]> buffer(new char[chunkSize]);
    FileErrorCause cause = FileErrorCause::none;
    // Everything the import will use is read once before the image changes,
    // so a file that cannot be read costs the user nothing. This takes no
    // copy of the old contacts, which would double the memory of the import.
    if (source.Rewind()) {
        const ScanEnd scan = ScanThrough(source, buffer.get(), chunkSize, cause);
        if (scan == ScanEnd::Failed) return ReadFailed(cause);
        if (scan == ScanEnd::TooLong) {
            // Only as far as the contacts reach the limit: the storing pass
            // reads no further.
            if (!source.Rewind()) return ReadFailed(FileErrorCause::badSeek);
            CContactCsvParser counter;
            if (!ReadThrough(source, counter, buffer.get(), chunkSize, cause)) return ReadFailed(cause);
        }
        if (!source.Rewind()) return ReadFailed(FileErrorCause::badSeek);
    }
    int count = 0;
    {
        // Only records and their radio ID table entries change until the count does.
        CContactCsvParser parser(image);
        if (!ReadThrough(source, parser, buffer.get(), chunkSize, cause)) {
            // The file failed since the first pass (or a pipe failed): a
            // partly replaced list would pass for the file's, so none is shown.
            if (parser.Count() > 0) image.SetContactCount(0);
            return ReadFailed(cause);
        }
        count = parser.Count();
    }  // the parser's tables go before the sort: the peak is the larger of the two
    image.SetContactCount(count);
    image.SortContactsByRadioId();
    CsvImportResult result;
    result.count = count;
    return result;
}

}  // namespace pendrak::legacy
