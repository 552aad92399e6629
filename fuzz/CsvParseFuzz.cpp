// ParseContactsCsv over arbitrary bytes, against itself fed in pieces and
// against the import that reads the same bytes as a file.
//
// Input layout: bytes 0-3 choose the piece sizes (a 0 means the rest at
// once), byte 4 the import's read size and whether the source can be read
// twice (bit 7); the rest is the file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "csv/ContactCsv.h"
#include "csv/CsvParser.h"

namespace {

using namespace pendrak;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The images are large: kept between inputs, and only the records an input
// stores are compared.
CContactImage& Image(int which) {
    static std::unique_ptr<CContactImage> images[3];
    if (!images[which]) {
        images[which] = std::make_unique<CContactImage>();
        images[which]->ClearContactImage();
    }
    return *images[which];
}

bool SameRecords(const CContactImage& a, const CContactImage& b, int count) {
    const size_t from = ContactRecordOffset(0);  // the header holds the count
    const size_t to = static_cast<size_t>(std::max(ContactImageUsedLength(count), CONTACT_HEADER_SIZE));
    return std::memcmp(a.Bytes() + from, b.Bytes() + from, to - from) == 0 &&
           std::equal(a.RadioIdTable(), a.RadioIdTable() + count, b.RadioIdTable());
}


// Text mode done the plain way: the data ends at 0x1A, CR LF becomes LF.
std::string TextMode(const std::string& raw) {
    std::string text = raw.substr(0, raw.find('\x1A'));
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const std::string file(reinterpret_cast<const char*>(data + 5), size - 5);

    // Whole against pieces.
    CContactImage& whole = Image(0);
    const int count = ParseContactsCsv(whole, file.data(), file.size());
    Check(count >= 0 && count <= MAX_CONTACTS);
    CContactImage& pieces = Image(1);
    {
        CContactCsvParser parser(pieces);
        for (size_t pos = 0, k = 0; pos < file.size(); ++k) {
            const size_t piece = data[k % 4] ? data[k % 4] : file.size() - pos;
            const size_t take = std::min(piece, file.size() - pos);
            parser.Feed(file.data() + pos, take);
            pos += take;
        }
        Check(parser.Count() == count);
    }
    Check(SameRecords(whole, pieces, count));

    // The import (text mode, in reads) against the whole parse of the
    // converted bytes, sorted; its counting pass against both.
    const std::string text = TextMode(file);
    const int textCount = ParseContactsCsv(whole, text.data(), text.size());
    whole.SetContactCount(textCount);
    whole.SortContactsByRadioId();
    CContactCsvParser counter;
    counter.Feed(file.data(), std::min(file.size(), file.find('\x1A')));
    Check(counter.Count() == textCount);

    CContactImage& imported = Image(2);
    CCsvBytesSource source(file, (data[4] & 0x80) != 0);
    const CsvImportResult result = ImportContactsCsv(imported, source, (data[4] & 0x7F) + 1u);
    Check(result.outcome == CsvImportResult::Done && result.count == textCount);
    Check(imported.GetContactCount() == textCount);
    Check(SameRecords(whole, imported, textCount));
    for (int n = 1; n < textCount; ++n)
        Check(imported.GetContactRadioId(n - 1) < imported.GetContactRadioId(n));
    return 0;
}
