// pendrak-demo-contacts: a realistic, deterministic contact list in the
// program's CSV format, for the demo and for tests that want volume. The
// same seed and count always give the same bytes.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "DemoData.h"

namespace {

using pendrak::demo::Country;
using pendrak::demo::CRandom;

// At most `width` bytes, never ending inside a UTF-8 character.
std::string Fit(std::string text, size_t width) {
    if (text.size() <= width) return text;
    size_t cut = width;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text;
}

struct Contact {
    int id;
    std::string fields[7];
};

std::string MakeCallsign(CRandom& rnd, const Country& country, std::set<std::string>& used) {
    for (;;) {
        std::string call = rnd.Pick(country.callPrefixes);
        if (call.back() < '0' || call.back() > '9') call += static_cast<char>('0' + rnd.Below(10));
        const size_t letters = 2 + rnd.Below(2);
        for (size_t i = 0; i < letters && call.size() < 8; ++i) call += static_cast<char>('A' + rnd.Below(26));
        if (used.insert(call).second) return call;
    }
}

Contact MakeContact(CRandom& rnd, const Country& country, int id, std::set<std::string>& calls) {
    Contact c{id, {}};
    const std::string first = rnd.Pick(country.firstNames);
    const std::string last = rnd.Pick(country.lastNames);
    std::string name = country.familyNameFirst ? last + first : first + " " + last;
    // The initial is the first character, never a part of one.
    size_t initial = 1;
    while (initial < first.size() && (static_cast<unsigned char>(first[initial]) & 0xC0) == 0x80)
        ++initial;
    if (name.size() > 16) name = first.substr(0, initial) + ". " + last;
    const auto& region = rnd.Pick(country.regions);
    c.fields[0] = MakeCallsign(rnd, country, calls);
    c.fields[1] = Fit(name, 16);
    c.fields[2] = rnd.Below(10) < 4 ? Fit(first, 16) : std::string();
    c.fields[3] = Fit(rnd.Pick(region.cities), 16);
    c.fields[4] = Fit(region.name, 16);
    c.fields[5] = Fit(country.name, 16);
    static const std::vector<std::string> remarks = {"DMR", "DMR", "DMR", "", "Portable", "Mobile", "Hotspot"};
    c.fields[6] = rnd.Pick(remarks);
    return c;
}

std::vector<Contact> MakeContacts(int count, uint64_t seed) {
    CRandom rnd(seed);
    const auto& countries = pendrak::demo::DemoCountries();
    std::vector<bool> idUsed(10000000, false);
    std::set<std::string> calls;
    std::vector<Contact> contacts;
    contacts.reserve(static_cast<size_t>(count));
    auto share = [count](const Country& c) { return static_cast<int>(static_cast<int64_t>(count) * c.weight / 100); };
    int others = 0;
    for (size_t k = 1; k < countries.size(); ++k) others += share(countries[k]);
    for (size_t k = 0; k < countries.size(); ++k) {
        const Country& country = countries[k];
        // The first country takes what rounding leaves over.
        const int n = k == 0 ? count - others : share(country);
        for (int i = 0; i < n; ++i) {
            int id = 0;
            do {
                id = rnd.Pick(country.idPrefixes) * 10000 + static_cast<int>(rnd.Below(10000));
            } while (idUsed[static_cast<size_t>(id)] || id % 10000 == 0);
            idUsed[static_cast<size_t>(id)] = true;
            contacts.push_back(MakeContact(rnd, country, id, calls));
        }
    }
    // Radios are filled in no particular order; Import sorts.
    for (size_t i = contacts.size(); i > 1; --i) std::swap(contacts[i - 1], contacts[rnd.Below(i)]);
    return contacts;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a realistic, deterministic contact list as a contact CSV file"};
    app.name("pendrak-demo-contacts");
    app.allow_windows_style_options(false);
    int count = 130000;
    uint64_t seed = 20260101;
    std::string output;
    app.add_option("-n,--count", count, "Number of contacts (at most 1000000)")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    app.add_option("--seed", seed, "Seed of the generator")->capture_default_str();
    app.add_option("-o,--output", output, "File to write (default: standard output)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "pendrak-demo-contacts: " << e.what() << '\n';
        return 2;
    }

    std::string text = "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n";
    for (const Contact& c : MakeContacts(count, seed)) {
        text += std::to_string(c.id);
        for (const std::string& f : c.fields) text += "," + f;
        text += ",\r\n";
    }
    return pendrak::demo::WriteOutput("pendrak-demo-contacts", output, text);
}
