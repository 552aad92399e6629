// Word lists for the demo contact generator: countries with their DMR ID
// prefixes, callsign prefixes, regions, cities and names. Every text fits
// its record field (16 bytes, callsigns 8) and holds no comma.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

// Writes text to the file `output` (standard output when empty); the exit
// status, after a line naming `program` on stderr when that failed.
int WriteOutput(const char* program, const std::string& output, const std::string& text);

// splitmix64: small, fast and the same on every platform.
class CRandom {
public:
    explicit CRandom(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
    template <class T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(items.size())];
    }

private:
    uint64_t m_state;
};

}  // namespace pendrak::demo
