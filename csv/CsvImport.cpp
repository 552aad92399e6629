#include <algorithm>
#include <cstring>
#include <memory>

#include "csv/ContactCsv.h"
#include "csv/CsvParser.h"

namespace pendrak {

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

long long CCsvBytesSource::Read(char* buffer, size_t size, FileErrorCause&) {
    const size_t got = std::min(size, m_bytes.size() - m_pos);
    if (got > 0) std::memcpy(buffer, m_bytes.data() + m_pos, got);
    m_pos += got;
    return static_cast<long long>(got);
}

bool CCsvBytesSource::Rewind() {
    if (!m_rewindable) return false;
    m_pos = 0;
    return true;
}

}  // namespace pendrak
