// Find over a full image of 130,000 contacts, against the baseline of only
// reading every searched field once.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "contacts/ContactFind.h"
#include "platform/CodePage.h"
#include "platform/TextConvert.h"

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

bool GbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// GBK as the dialog and pendrak-cli find have it: letters of every kind
// fold, through the code page's own conversions.
ContactTextRules GbkFolding() {
    return ContactTextRules(
        false, GbkLead, [](std::string_view bytes) { return ToUtf8(bytes, CP_GBK_ID); },
        [](std::string_view utf8, std::string& out) { return FromUtf8(utf8, CP_GBK_ID, out); });
}

// Made once per code page in the dialog: every GBK character decoded.
void BM_MakeGbkFoldingRules(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GbkFolding().folds->size());
}
BENCHMARK(BM_MakeGbkFoldingRules)->Unit(benchmark::kMillisecond);

// Arguments: the query (kQueries, 1 the last callsign); 0 for lead bytes
// alone (ASCII letters fold), 1 for GBK's folding.
void BM_FindContacts(benchmark::State& state) {
    const CContactImage& image = FullImage();
    const ContactTextRules gbk = state.range(1) ? GbkFolding() : ContactTextRules(false, GbkLead);
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
BENCHMARK(BM_FindContacts)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 4, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pendrak
