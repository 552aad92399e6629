// Finding contacts over the whole image: by radio ID, or by a text in
// Callsign, Name, Nickname, City, State or Country, ignoring case and
// accents.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/ContactImage.h"
#include "contacts/ContactTextFold.h"

namespace pendrak {

// Fields 0 to 5; Remarks is not searched.
constexpr int CONTACT_FIND_FIELDS = 6;

class CContactQuery {
public:
    // text: the bytes in the radio's code page, as typed. Digits alone (with
    // blanks around them) also name a radio ID, matched exactly.
    CContactQuery(std::string_view text, const ContactTextRules& rules);

    bool IsEmpty() const { return m_text.empty() && m_nRadioId < 0; }
    bool Matches(const CContactImage& image, int n) const;

private:
    bool FieldMatches(std::string_view field) const;

    ContactTextRules m_rules;
    std::string m_text;                    // folded
    std::array<bool, 256> m_firstBytes{};  // bytes that may begin a match
    // The same bytes when there are one or two, else none: a record holding
    // neither in its searched fields is passed over at once.
    unsigned char m_firstByteList[2] = {};
    int m_nFirstByteCount = 0;
    int m_nRadioId = -1;  // -1 when the text is no ID
};

// Indexes of the contacts that match, in list order.
std::vector<int> FindContacts(const CContactImage& image, const CContactQuery& query);

// The match after (forward) or before `current` in the sorted `matches`,
// wrapping around past the ends; -1 when there are none. `current` need not
// be a match itself (-1 finds the first going forward, the last going back).
int NextMatch(const std::vector<int>& matches, int current, bool forward, bool* wrapped = nullptr);

}  // namespace pendrak
