// Export of an arbitrary image to memory, then import of those bytes: the
// same contacts come back.
//
// Input layout: byte 0 chooses the import's read size (bits 0-6) and
// whether the source can be read twice (bit 7); then the contacts, each a
// 24-bit radio ID (low byte first) and seven texts ended by 0x00 (cut to
// their field width), as long as the input lasts.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "csv/ContactCsv.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace pendrak;

using fuzz::Check;

class CStringSink : public CCsvSink {
public:
    std::string bytes;
    bool Write(std::string_view b) override {
        bytes += b;
        return true;
    }
};

// Fills the image from the input; gives the count.
int FillImage(CContactImage& image, const uint8_t* p, const uint8_t* end) {
    int count = 0;
    while (end - p >= 3 && count < MAX_CONTACTS) {
        image.SetContactRadioId(count, p[0] | (p[1] << 8) | (p[2] << 16));
        p += 3;
        for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
            const auto* nul = static_cast<const uint8_t*>(std::memchr(p, 0, static_cast<size_t>(end - p)));
            const uint8_t* stop = nul ? nul : end;
            image.SetContactFieldText(static_cast<ContactField>(f), count,
                                      std::string_view(reinterpret_cast<const char*>(p),
                                                       static_cast<size_t>(stop - p)));
            p = nul ? nul + 1 : end;
        }
        ++count;
    }
    image.SetContactCount(count);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    CContactImage& image = fuzz::KeptImage(0);
    const int count = FillImage(image, data + 1, data + size);

    CStringSink raw;
    CCsvTextSink text(raw);
    Check(WriteContactsCsv(image, text) && text.Flush());
    Check(raw.bytes.rfind("Radio ID,Callsign,", 0) == 0);

    CContactImage& back = fuzz::KeptImage(1);
    CCsvBytesSource source(raw.bytes, (data[0] & 0x80) != 0);
    const CsvImportResult result = ImportContactsCsv(back, source, (data[0] & 0x7F) + 1u);
    Check(result.outcome == CsvImportResult::Done);
    Check(back.GetContactCount() == result.count);
    for (int n = 1; n < result.count; ++n)
        Check(back.GetContactRadioId(n - 1) < back.GetContactRadioId(n));

    // Every value comes back whatever bytes it holds (commas, quotes, CR,
    // LF, 0x1A): each nonzero ID once, with the texts of its first contact.
    Check(result.report.nUnclosed == 0);
    Check(result.report.nLines == std::count(raw.bytes.begin(), raw.bytes.end(), '\n'));
    std::map<int, int> first;  // radio ID -> its first contact
    for (int n = 0; n < count; ++n) first.emplace(image.GetContactRadioId(n), n);
    Check(result.count == static_cast<int>(first.size() - first.count(0)));
    for (const auto& [id, n] : first) {
        if (id == 0) continue;
        int lo = 0, hi = result.count;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (back.GetContactRadioId(mid) < id) lo = mid + 1; else hi = mid;
        }
        Check(lo < result.count && back.GetContactRadioId(lo) == id);
        for (int f = 0; f < CONTACT_FIELD_COUNT; ++f)
            Check(back.GetContactFieldText(static_cast<ContactField>(f), lo) ==
                  image.GetContactFieldText(static_cast<ContactField>(f), n));
    }
    return 0;
}
