// Which contacts are taken when there are more than the radio holds: lists
// of ID prefixes, country names and Country/State names to prefer, to keep
// only or to leave out, and an ID whose neighbours come next.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pendrak {

class CContactChoice {
public:
    // Lists as users write them: "460,461, Germany, United States/Texas".
    // An entry of digits is an ID prefix, one with a slash a country and a
    // state, any other a country name (ASCII case ignored). Each gives false
    // with a message for a list it cannot use.
    bool SetPrefer(std::string_view list, std::string* error);
    bool SetOnly(std::string_view list, std::string* error);
    bool SetExclude(std::string_view list, std::string* error);
    // A radio ID, or empty for none.
    bool SetNear(std::string_view id, std::string* error);

    bool IsEmpty() const;
    // True when some entry is a name, so the Country and State values count.
    bool NeedsPlace() const;
    // Rewrites the country and state names, for values in another encoding.
    template <typename Fn>
    void TranslateNames(Fn translate) {
        for (auto* list : {&m_prefer, &m_only, &m_exclude})
            for (Entry& e : *list) {
                if (e.bPrefix) continue;
                e.strName = translate(e.strName);
                if (!e.strState.empty()) e.strState = translate(e.strState);
            }
    }

    // False for a contact outside `only` or inside `exclude`.
    bool Allowed(uint32_t id, std::string_view country, std::string_view state = {}) const;
    // Priority class: the first `prefer` entry that matches, else
    // RestClass(). Lower is taken first.
    int Class(uint32_t id, std::string_view country, std::string_view state = {}) const;
    int RestClass() const { return static_cast<int>(m_prefer.size()); }
    // Ordering key: class, then closeness to `near` (the rest only), then
    // the position in the list. Unique for distinct positions.
    uint64_t Key(int cls, uint32_t id, uint32_t position) const;

    static constexpr int MAX_PREFER = 250;

private:
    struct Entry {
        bool bPrefix = false;
        uint32_t nPrefix = 0;
        int nDigits = 0;
        std::string strName;   // the country
        std::string strState;  // empty: any state of it
    };
    static bool Parse(std::string_view list, std::vector<Entry>& out, std::string* error);
    // The place already trimmed: once per contact, not once per entry.
    static bool Matches(const Entry& e, uint32_t id, int idDigits, std::string_view country,
                        std::string_view state);
    static bool AnyMatches(const std::vector<Entry>& list, uint32_t id, std::string_view country,
                           std::string_view state);

    std::vector<Entry> m_prefer, m_only, m_exclude;
    bool m_bNear = false;
    uint32_t m_nNear = 0;
};

// The largest key among the `capacity` (more than 0) smallest of `keys`
// (the list is reordered): a key at most that is taken. UINT64_MAX when all
// fit.
uint64_t ChoiceCutoff(std::vector<uint64_t>& keys, size_t capacity);

}  // namespace pendrak
