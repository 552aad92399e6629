#include "contacts/ContactChoice.h"

#include <algorithm>

#include "contacts/ContactImage.h"

namespace pendrak {

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

int DigitCount(uint32_t v) {
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

std::string Quoted(std::string_view text) {
    std::string out(1, '\'');
    out.append(text);
    out += '\'';
    return out;
}

constexpr uint32_t POW10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

}  // namespace

bool CContactChoice::Parse(std::string_view list, std::vector<Entry>& out, std::string* error) {
    out.clear();
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view item = Trimmed(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (item.empty()) continue;
        Entry e;
        e.bPrefix =
            std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (e.bPrefix) {
            // IDs have at most 8 digits and none begins with 0.
            if (item.size() > 8 || item[0] == '0') {
                if (error)
                    *error = Quoted(item) +
                             " is no radio ID prefix (1 to 8 digits, not beginning with 0)";
                return false;
            }
            for (const char c : item) e.nPrefix = e.nPrefix * 10 + static_cast<uint32_t>(c - '0');
            e.nDigits = static_cast<int>(item.size());
        } else if (const size_t slash = item.find('/'); slash != std::string_view::npos) {
            e.strName = std::string(Trimmed(item.substr(0, slash)));
            e.strState = std::string(Trimmed(item.substr(slash + 1)));
            if (e.strName.empty() || e.strState.empty()) {
                if (error) *error = Quoted(item) + " names no country or no state (Country/State)";
                return false;
            }
        } else {
            e.strName = std::string(item);
        }
        out.push_back(std::move(e));
    }
    return true;
}

bool CContactChoice::SetPrefer(std::string_view list, std::string* error) {
    if (!Parse(list, m_prefer, error)) return false;
    if (m_prefer.size() > MAX_PREFER) {
        if (error) *error = "at most " + std::to_string(MAX_PREFER) + " entries to prefer";
        m_prefer.clear();
        return false;
    }
    return true;
}

bool CContactChoice::SetOnly(std::string_view list, std::string* error) {
    return Parse(list, m_only, error);
}

bool CContactChoice::SetExclude(std::string_view list, std::string* error) {
    return Parse(list, m_exclude, error);
}

bool CContactChoice::SetNear(std::string_view id, std::string* error) {
    id = Trimmed(id);
    m_bNear = false;
    if (id.empty()) return true;
    uint32_t value = 0;
    bool ok = id.size() <= 8;
    for (const char c : id) {
        ok = ok && c >= '0' && c <= '9';
        if (ok) value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (!ok || value == 0 || value > static_cast<uint32_t>(MAX_RADIO_ID)) {
        if (error)
            *error = Quoted(id) + " is no radio ID (1 to " + std::to_string(MAX_RADIO_ID) + ")";
        return false;
    }
    m_bNear = true;
    m_nNear = value;
    return true;
}

bool CContactChoice::IsEmpty() const {
    return m_prefer.empty() && m_only.empty() && m_exclude.empty() && !m_bNear;
}

bool CContactChoice::NeedsPlace() const {
    for (const auto* list : {&m_prefer, &m_only, &m_exclude})
        for (const Entry& e : *list)
            if (!e.bPrefix) return true;
    return false;
}

bool CContactChoice::Matches(const Entry& e, uint32_t id, int idDigits, std::string_view country,
                             std::string_view state) {
    if (!e.bPrefix)
        return EqualsIgnoringCase(e.strName, country) &&
               (e.strState.empty() || EqualsIgnoringCase(e.strState, state));
    return idDigits >= e.nDigits && id / POW10[idDigits - e.nDigits] == e.nPrefix;
}

bool CContactChoice::AnyMatches(const std::vector<Entry>& list, uint32_t id,
                                std::string_view country, std::string_view state) {
    country = Trimmed(country);
    state = Trimmed(state);
    const int digits = DigitCount(id);
    for (const Entry& e : list)
        if (Matches(e, id, digits, country, state)) return true;
    return false;
}

bool CContactChoice::Allowed(uint32_t id, std::string_view country, std::string_view state) const {
    if (!m_only.empty() && !AnyMatches(m_only, id, country, state)) return false;
    return m_exclude.empty() || !AnyMatches(m_exclude, id, country, state);
}

int CContactChoice::Class(uint32_t id, std::string_view country, std::string_view state) const {
    if (m_prefer.empty()) return RestClass();
    country = Trimmed(country);
    state = Trimmed(state);
    const int digits = DigitCount(id);
    for (size_t i = 0; i < m_prefer.size(); ++i)
        if (Matches(m_prefer[i], id, digits, country, state)) return static_cast<int>(i);
    return RestClass();
}

uint64_t CContactChoice::Key(int cls, uint32_t id, uint32_t position) const {
    uint64_t distance = 0;
    if (m_bNear && cls == RestClass()) distance = id > m_nNear ? id - m_nNear : m_nNear - id;
    return (static_cast<uint64_t>(cls) << 56) | (distance << 32) | position;
}

uint64_t ChoiceCutoff(std::vector<uint64_t>& keys, size_t capacity) {
    if (keys.size() <= capacity) return UINT64_MAX;
    std::nth_element(keys.begin(), keys.begin() + static_cast<ptrdiff_t>(capacity - 1), keys.end());
    return keys[capacity - 1];
}

}  // namespace pendrak
