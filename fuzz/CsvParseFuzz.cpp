// The own layout's reader over arbitrary bytes, against itself fed in
// pieces and asked for IDs only, and ParseContactsCsv against the import that
// reads the same bytes as a file.
//
// Input layout: bytes 0-3 choose the piece sizes (a 0 means the rest at
// once), byte 4 the import's read size and whether the source can be read
// twice (bit 7); the rest is the file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "csv/ContactCsv.h"
#include "csv/CsvLayout.h"
#include "csv/CsvParser.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace pendrak;

using fuzz::Check;

bool SameRecords(const CContactImage& a, const CContactImage& b, int count) {
    const size_t from = ContactRecordOffset(0);  // the header holds the count
    const size_t to = static_cast<size_t>(std::max(ContactImageUsedLength(count), CONTACT_HEADER_SIZE));
    return std::memcmp(a.Bytes() + from, b.Bytes() + from, to - from) == 0 &&
           std::equal(a.RadioIdTable(), a.RadioIdTable() + count, b.RadioIdTable());
}

// What a reader hands on, as text; with values or IDs only.
class CRecorder : public ICsvRecordSink {
public:
    explicit CRecorder(bool values) : m_bValues(values) {}
    bool OnRecord(const CsvRecord& r) override {
        m_log += std::to_string(static_cast<int>(r.kind)) + ':' + std::to_string(r.nId) + '/' +
                 std::to_string(r.nLines);
        // A quoted value may hold a line end: escaped, so that a record stays a line.
        if (m_bValues)
            for (const std::string_view v : r.values) {
                m_log += '|';
                for (const char c : v) m_log += c == '\n' ? std::string("\\n") : c == '\\' ? std::string("\\\\") : std::string(1, c);
            }
        m_log += '\n';
        return true;
    }
    const std::string& Log() const { return m_log; }

private:
    bool m_bValues;
    std::string m_log;
};

std::string Records(const std::string& file, const uint8_t* pieceSizes, bool values) {
    CRecorder recorder(values);
    CContactCsvParser parser(recorder, values);
    for (size_t pos = 0, k = 0; pos < file.size(); ++k) {
        const size_t piece = pieceSizes && pieceSizes[k % 4] ? pieceSizes[k % 4] : file.size() - pos;
        const size_t take = std::min(piece, file.size() - pos);
        parser.Feed(file.data() + pos, take);
        pos += take;
    }
    parser.Finish();
    return recorder.Log();
}

// Text mode done the plain way: CR LF becomes LF (0x1A, which ends the
// data outside quotes, is the parser's).
std::string TextMode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const std::string file(reinterpret_cast<const char*>(data + 5), size - 5);

    // Whole against pieces, and the IDs-only reading against both.
    const std::string records = Records(file, nullptr, true);
    Check(Records(file, data, true) == records);
    std::string ids;
    for (size_t p = 0, q; (q = records.find('\n', p)) != std::string::npos; p = q + 1)
        ids += records.substr(p, records.find('|', p) - p) + '\n';
    Check(Records(file, data, false) == ids);

    // The import (text mode, in reads) against the whole parse of the
    // converted bytes, sorted, where the first line makes it the own layout.
    // As the import judges it: up to the first CR or LF.
    const std::string firstLine = file.substr(0, file.find_first_of("\r\n"));
    if (!DetectCsvLayout(firstLine).UsesOwnReader()) return 0;
    // A UTF-16 byte-order mark: the import reads the file as UTF-16.
    if (file.rfind("\xFF\xFE", 0) == 0 || file.rfind("\xFE\xFF", 0) == 0) return 0;
    const std::string text = TextMode(file);
    CContactImage& whole = fuzz::KeptImage(0);
    const int textCount = ParseContactsCsv(whole, text.data(), text.size());
    Check(textCount >= 0 && textCount <= MAX_CONTACTS);
    whole.SetContactCount(textCount);
    whole.SortContactsByRadioId();

    CContactImage& imported = fuzz::KeptImage(1);
    CCsvBytesSource source(file, (data[4] & 0x80) != 0);
    const CsvImportResult result = ImportContactsCsv(imported, source, (data[4] & 0x7F) + 1u);
    Check(result.outcome == CsvImportResult::Done && result.count == textCount);
    const CsvImportReport& r = result.report;
    Check(r.nTaken + r.nHeader + r.nEmpty + r.nRepeated + r.nNoId + r.nNotChosen + r.nOverCapacity +
              r.nUnclosed == r.nLines);
    Check(imported.GetContactCount() == textCount);
    Check(SameRecords(whole, imported, textCount));
    for (int n = 1; n < textCount; ++n)
        Check(imported.GetContactRadioId(n - 1) < imported.GetContactRadioId(n));
    return 0;
}
