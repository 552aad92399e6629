// Export of an arbitrary image to memory, then import of those bytes.
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

bool HoldsAny(const CContactImage& image, int n, std::string_view bytes) {
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f)
        if (image.GetContactFieldText(static_cast<ContactField>(f), n).find_first_of(bytes) !=
            std::string_view::npos)
            return true;
    return false;
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

    // An LF in a text makes lines of its own, which may take a later
    // contact's ID first; a 0x1A ends the data. Without either, every
    // contact is one line.
    bool linesAreContacts = true;
    std::map<int, int> uses;  // radio ID -> how many contacts hold it
    for (int n = 0; n < count; ++n) {
        ++uses[image.GetContactRadioId(n)];
        if (HoldsAny(image, n, std::string_view("\n\x1A", 2))) linesAreContacts = false;
    }
    if (!linesAreContacts) return 0;
    Check(result.count == static_cast<int>(uses.size() - uses.count(0)));
    for (int n = 0; n < count; ++n) {
        const int id = image.GetContactRadioId(n);
        if (id == 0 || uses[id] != 1 || HoldsAny(image, n, ",")) continue;
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
