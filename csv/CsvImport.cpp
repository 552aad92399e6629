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

}  // namespace

namespace {

// Steps up to the parse; the parser's tables are gone before the sort runs,
// which keeps the import's peak memory at the larger of the two.
CsvImportResult ReadAndParse(CContactImage& image, CCsvSource& source, size_t chunkSize) {
    CImageUndo undo(image);
    image.SetContactCount(0);
    CContactCsvParser parser(image, &undo);
    CTextModeReader reader(parser);
    const std::unique_ptr<char[]> buffer(new char[chunkSize]);
    CsvImportResult result;
    for (;;) {
        FileErrorCause cause = FileErrorCause::none;
        const long long got = source.Read(buffer.get(), chunkSize, cause);
        if (got < 0) {
            undo.Restore();
            result.outcome = CsvImportResult::ReadFailed;
            result.cause = cause == FileErrorCause::none ? FileErrorCause::genericException : cause;
            return result;
        }
        if (got == 0) {
            reader.Finish();
            break;
        }
        const size_t size = static_cast<size_t>(got) < chunkSize ? static_cast<size_t>(got) : chunkSize;
        if (!reader.Feed(buffer.get(), size)) break;
    }
    result.count = parser.Count();
    return result;
}

}  // namespace

CsvImportResult ImportContactsCsv(CContactImage& image, CCsvSource& source, size_t chunkSize) {
    if (chunkSize == 0) chunkSize = CSV_READ_CHUNK_SIZE;
    const CsvImportResult result = ReadAndParse(image, source, chunkSize);
    if (result.outcome == CsvImportResult::Done) {
        image.SetContactCount(result.count);
        image.SortContactsByRadioId();
    }
    return result;
}

}  // namespace pendrak
