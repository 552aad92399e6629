// Word lists for the demo contact generator: countries with their DMR ID
// prefixes, callsign prefixes, regions, cities and names. Every text fits
// its record field (16 bytes, callsigns 8) and holds no comma.
#pragma once

#include <vector>

namespace pendrak::demo {

struct Region {
    const char* name;
    std::vector<const char*> cities;
};

struct Country {
    const char* name;
    int weight;                            // share of the list, in percent
    std::vector<int> idPrefixes;           // first three digits of the 7-digit IDs
    std::vector<const char*> callPrefixes; // followed by a digit and 2-3 letters
    std::vector<Region> regions;
    std::vector<const char*> firstNames;
    std::vector<const char*> lastNames;
    bool familyNameFirst = false;          // written without a space between (Chinese)
};

const std::vector<Country>& DemoCountries();

}  // namespace pendrak::demo
