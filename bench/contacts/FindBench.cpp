// Find over a full image of 130,000 contacts, against the baseline of only
// reading every searched field once.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "contacts/ContactFind.h"

namespace pendrak {
namespace {

const char* const kNames[] = {"John Smith",       "Maria Garcia",     "Hans Mueller",
                              "\xCD\xF5\xCE\xB0", "\xC0\xEE\xC4\xC8", "Anna Kowalska",
                              "Pierre Martin",    "\xD5\xC5\xC3\xF7"};
const char* const kCities[] = {"Shenzhen",         "Berlin", "Hollywood",
                               "\xB1\xB1\xBE\xA9", "Leeds",  "Sydney"};

// Every callsign unique; one in three names Chinese (GBK).
std::unique_ptr<CContactImage> MakeFullImage() {
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    for (int n = 0; n < MAX_CONTACTS; ++n) {
        std::string call = "BG" + std::to_string(n % 10);
        for (int v = n / 10, i = 0; i < 4; ++i, v /= 26) call += static_cast<char>('A' + v % 26);
        image->SetContactRadioId(n, 4600000 + n);
        image->SetContactFieldText(CONTACT_CALLSIGN, n, call);
        image->SetContactFieldText(CONTACT_NAME, n, kNames[n % 8]);
        image->SetContactFieldText(CONTACT_NICKNAME, n, n % 2 ? "" : "Op");
        image->SetContactFieldText(CONTACT_CITY, n, kCities[n % 6]);
        image->SetContactFieldText(CONTACT_STATE, n, "Guangdong");
        image->SetContactFieldText(CONTACT_COUNTRY, n, n % 3 ? "China" : "United States");
        image->SetContactFieldText(CONTACT_REMARKS, n, "DMR");
    }
    image->SetContactCount(MAX_CONTACTS);
    return image;
}

const CContactImage& FullImage() {
    static const auto image = MakeFullImage();
    return *image;
}

void BM_ReadSearchedFieldsBaseline(benchmark::State& state) {
    const CContactImage& image = FullImage();
    for (auto _ : state) {
        size_t bytes = 0;
        for (int n = 0; n < MAX_CONTACTS; ++n)
            for (int f = 0; f < CONTACT_FIND_FIELDS; ++f)
                bytes += image.GetContactFieldText(static_cast<ContactField>(f), n).size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadSearchedFieldsBaseline)->Unit(benchmark::kMillisecond);

const char* const kQueries[] = {
    "qxqz",              // no match: the whole image, nothing found
    "",                  // the callsign of the last contact only
    "a",                 // nearly every contact
    "\xCD\xF5\xCE\xB0",  // a GBK name, every eighth contact
    "4729999",           // a radio ID
};

void BM_FindContacts(benchmark::State& state) {
    const CContactImage& image = FullImage();
    const ContactTextRules gbk(false, [](unsigned char b) { return b >= 0x81 && b <= 0xFE; });
    const std::string text =
        state.range(0) == 1
            ? std::string(image.GetContactFieldText(CONTACT_CALLSIGN, MAX_CONTACTS - 1))
            : kQueries[state.range(0)];
    const CContactQuery query(text, gbk);
    size_t found = 0;
    for (auto _ : state) {
        found = FindContacts(image, query).size();
        benchmark::DoNotOptimize(found);
    }
    state.SetLabel(text[0] == '\xCD' ? "GBK name" : text);
    state.counters["matches"] = static_cast<double>(found);
}
BENCHMARK(BM_FindContacts)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pendrak
