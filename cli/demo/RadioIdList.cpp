// pendrak-demo-radioid: a worldwide user list in the layout of the RadioID
// database (header RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY,
// sorted by ID, UTF-8, RFC 4180 quotes where a value holds a comma or a
// quote), deterministic, for the tests and the benchmarks of the import.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "DemoData.h"

namespace {

using pendrak::demo::Country;
using pendrak::demo::CRandom;

// Countries whose scripts the demo list lacks, and the German-speaking
// neighbours that make the prefixes 228 and 232.
const std::vector<Country>& ExtraCountries() {
    static const std::vector<Country> extra = {
        {"Russia",
         0,
         {250, 251},
         {"R1", "R2", "RA3", "RN6", "RV9", "UA1", "UA3"},
         {{"Москва", {"Москва", "Зеленоград"}},
          {"Санкт-Петербург", {"Санкт-Петербург", "Пушкин"}},
          {"Свердловская", {"Екатеринбург", "Нижний Тагил"}},
          {"Новосибирская", {"Новосибирск", "Бердск"}}},
         {"Александр", "Сергей", "Дмитрий", "Андрей", "Алексей", "Иван", "Михаил", "Юрий", "Олег"},
         {"Иванов", "Смирнов", "Кузнецов", "Попов", "Васильев", "Петров", "Соколов", "Щербаков"}},
        {"Ukraine",
         0,
         {255},
         {"UR5", "UT2", "US1", "UX0", "UY5"},
         {{"Київська", {"Київ", "Біла Церква"}},
          {"Львівська", {"Львів", "Дрогобич"}},
          {"Харківська", {"Харків", "Лозова"}}},
         {"Олександр", "Сергій", "Андрій", "Володимир", "Юрій", "Віктор", "Ігор"},
         {"Шевченко", "Коваленко", "Бондаренко", "Ткаченко", "Кравченко", "Олійник"}},
        {"Greece",
         0,
         {202},
         {"SV1", "SV2", "SV9", "SZ1"},
         {{"Αττική", {"Αθήνα", "Πειραιάς", "Μαρούσι"}},
          {"Κεντρική Μακεδονία", {"Θεσσαλονίκη", "Σέρρες"}},
          {"Κρήτη", {"Ηράκλειο", "Χανιά"}}},
         {"Γιώργος", "Δημήτρης", "Νίκος", "Κώστας", "Γιάννης", "Παναγιώτης"},
         {"Παπαδόπουλος", "Παππάς", "Οικονόμου", "Γεωργίου", "Νικολάου", "Βλάχος"}},
        {"Switzerland",
         0,
         {228},
         {"HB9", "HB3"},
         {{"Zürich", {"Zürich", "Winterthur"}},
          {"Bern", {"Bern", "Biel/Bienne"}},
          {"Genève", {"Genève", "Carouge"}}},
         {"Jürg", "Urs", "René", "Beat", "Märta", "François"},
         {"Müller", "Meier", "Schneider", "Weiß", "Brändli", "Favre"}},
        {"Austria",
         0,
         {232},
         {"OE1", "OE3", "OE5", "OE7"},
         {{"Wien", {"Wien"}},
          {"Tirol", {"Innsbruck", "Kufstein"}},
          {"Steiermark", {"Graz", "Leoben"}}},
         {"Günther", "Jürgen", "Franz", "Josef", "Gerhard"},
         {"Gruber", "Huber", "Bauer", "Wagner", "Pöschl", "Strauß"}},
    };
    return extra;
}

struct Share {
    const char* country;
    std::vector<int> prefixes;  // first three digits of the 7-digit IDs
    int count;
};

// About 290,000 users, as many per prefix as a 7-digit ID allows.
const std::vector<Share> kShares = {
    {"United States", {310, 311, 312, 313, 314, 315, 316}, 69000},
    {"Germany", {262, 263, 264, 265}, 39000},
    {"United Kingdom", {234, 235}, 18000},
    {"Japan", {440, 441}, 17000},
    {"Russia", {250, 251}, 18000},
    {"China", {460, 461}, 13500},
    {"Italy", {222}, 9000},
    {"Spain", {214}, 9000},
    {"France", {208}, 9000},
    {"Canada", {302}, 9000},
    {"Australia", {505}, 9000},
    {"Netherlands", {204}, 9000},
    {"Poland", {260}, 9000},
    {"Brazil", {724}, 9000},
    {"Ukraine", {255}, 9000},
    {"Sweden", {240}, 8000},
    {"Denmark", {238}, 7000},
    {"Norway", {242}, 6000},
    {"Greece", {202}, 6000},
    {"Switzerland", {228}, 4000},
    {"Austria", {232}, 3499},
};

const Country& CountryNamed(const std::string& name) {
    for (const auto* list : {&pendrak::demo::DemoCountries(), &ExtraCountries()})
        for (const Country& c : *list)
            if (name == c.name) return c;
    throw std::runtime_error("no country " + name);
}

// RFC 4180: quoted when it holds a comma or a quote, quotes doubled.
std::string Csv(const std::string& value) {
    if (value.find_first_of(",\"") == std::string::npos) return value;
    std::string out = "\"";
    for (const char c : value) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

struct User {
    int id;
    std::string line;
};

std::string MakeLine(CRandom& rnd, const Country& country, int id) {
    std::string call = rnd.Pick(country.callPrefixes);
    if (call.back() < '0' || call.back() > '9') call += static_cast<char>('0' + rnd.Below(10));
    for (size_t i = 0, n = 2 + rnd.Below(2); i < n; ++i)
        call += static_cast<char>('A' + rnd.Below(26));
    std::string first = rnd.Pick(country.firstNames);
    std::string last = rnd.Pick(country.lastNames);
    const auto& region = rnd.Pick(country.regions);
    std::string city = rnd.Pick(region.cities);
    std::string state = region.name;
    // What makes such lists awkward: quotes and commas inside values.
    const size_t odd = rnd.Below(400);
    if (odd == 0) first += " \"" + std::string(rnd.Pick(country.firstNames)) + "\"";
    if (odd == 1) last += ", Jr.";
    if (odd == 2 && std::string(country.name) == "United States") {
        city = "Washington, DC";
        state = "District of Columbia";
    }
    return std::to_string(id) + ',' + call + ',' + Csv(first) + ',' + Csv(last) + ',' + Csv(city) +
           ',' + Csv(state) + ',' + Csv(country.name) + '\n';
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a RadioID-style user list (UTF-8, sorted by ID) for import tests"};
    app.name("pendrak-demo-radioid");
    app.allow_windows_style_options(false);
    uint64_t seed = 20260102;
    double scale = 1.0;
    std::string output;
    app.add_option("--seed", seed, "Seed of the generator")->capture_default_str();
    app.add_option("--scale", scale, "Share of the full list (1 gives 289,999 users)")
        ->check(CLI::Range(0.0, 1.0))
        ->capture_default_str();
    app.add_option("-o,--output", output, "File to write (default: standard output)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "pendrak-demo-radioid: " << e.what() << '\n';
        return 2;
    }

    CRandom rnd(seed);
    std::vector<User> users;
    for (const Share& share : kShares) {
        const Country& country = CountryNamed(share.country);
        // Distinct IDs: a random sample of the prefixes' 9,999 numbers each.
        std::vector<int> ids;
        for (const int prefix : share.prefixes)
            for (int n = 1; n <= 9999; ++n) ids.push_back(prefix * 10000 + n);
        const size_t count = std::min(ids.size(), static_cast<size_t>(share.count * scale + 0.5));
        for (size_t i = 0; i < count; ++i) std::swap(ids[i], ids[i + rnd.Below(ids.size() - i)]);
        for (size_t i = 0; i < count; ++i)
            users.push_back({ids[i], MakeLine(rnd, country, ids[i])});
    }
    std::sort(users.begin(), users.end(), [](const User& a, const User& b) { return a.id < b.id; });

    std::string text = "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY\n";
    for (const User& u : users) text += u.line;
    return pendrak::demo::WriteOutput("pendrak-demo-radioid", output, text);
}
