#include "app/ColumnWidths.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace pendrak {

namespace {

constexpr int MIN_WIDTH = 10;
constexpr int MAX_WIDTH = 5000;

}  // namespace

CColumnWidths::CColumnWidths(std::vector<int> defaults, int firstShared)
    : m_defaults(std::move(defaults)), m_base(m_defaults), m_nFirstShared(firstShared) {}

bool CColumnWidths::Parse(const std::string& text) {
    std::vector<int> widths;
    const char* p = text.c_str();
    while (*p) {
        char* end = nullptr;
        const long w = std::strtol(p, &end, 10);
        if (end == p || w < MIN_WIDTH || w > MAX_WIDTH) return false;
        widths.push_back(static_cast<int>(w));
        p = end;
        while (*p == ' ') ++p;
        if (*p == ',') ++p;
        else if (*p) return false;
    }
    if (widths.size() != m_defaults.size()) return false;
    m_base = std::move(widths);
    return true;
}

std::string CColumnWidths::Format() const {
    std::string text;
    for (const int w : m_base) text += (text.empty() ? "" : ",") + std::to_string(w);
    return text;
}

std::vector<int> CColumnWidths::Fit(int available) const {
    std::vector<int> widths = m_base;
    const auto shared = widths.begin() + m_nFirstShared;
    const int fixed = std::accumulate(widths.begin(), shared, 0);
    const int total = std::accumulate(shared, widths.end(), 0);
    const int target = available - fixed;
    if (total <= 0 || target == total) return widths;
    // In proportion to the base; a shrinking window stops at the defaults
    // (or at a narrower width the user chose).
    long long given = 0;
    for (size_t c = static_cast<size_t>(m_nFirstShared); c < widths.size(); ++c) {
        const long long w = static_cast<long long>(m_base[c]) * target / total;
        widths[c] = std::max(static_cast<int>(w), std::min(m_base[c], m_defaults[c]));
        given += widths[c];
    }
    // Rounding leaves a few pixels: the last column takes them when growing.
    if (target > total && given < target) widths.back() += static_cast<int>(target - given);
    return widths;
}

void CColumnWidths::SetBase(const std::vector<int>& shown) {
    if (shown.size() != m_base.size()) return;
    for (size_t c = 0; c < shown.size(); ++c) m_base[c] = std::clamp(shown[c], MIN_WIDTH, MAX_WIDTH);
}

}  // namespace pendrak
