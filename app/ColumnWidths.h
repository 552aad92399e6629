// The widths of the list's columns: the user's (dragged, kept in
// setting.txt) as the base, and the text columns sharing whatever room the
// window has beyond them.
#pragma once

#include <string>
#include <vector>

namespace pendrak {

class CColumnWidths {
public:
    // Columns from firstShared on share the room; the defaults are also
    // the narrowest a shrinking window makes them.
    CColumnWidths(std::vector<int> defaults, int firstShared);

    // "50,80,..." as setting.txt keeps them; false (the widths left as they
    // were) for a text that is not one width per column, 10 to 5000 each.
    bool Parse(const std::string& text);
    std::string Format() const;

    // The widths for a view `available` pixels wide.
    std::vector<int> Fit(int available) const;
    // The user dragged a column: the widths shown become the base.
    void SetBase(const std::vector<int>& shown);
    const std::vector<int>& Base() const { return m_base; }

private:
    std::vector<int> m_defaults;
    std::vector<int> m_base;
    int m_nFirstShared;
};

}  // namespace pendrak
