// Find: radio IDs exactly, texts ignoring case, in the radio's code page.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contacts/ContactFind.h"

namespace pendrak {
namespace {

bool GbkLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

const ContactTextRules kGbk(false, GbkLead);
const ContactTextRules kUtf8(true, [](unsigned char) { return false; });
const ContactTextRules kLatin(false, [](unsigned char) { return false; });

struct Contact {
    int id;
    std::vector<std::string> fields;  // from Callsign on
};

class ContactFindTest : public ::testing::Test {
protected:
    std::unique_ptr<CContactImage> image = std::make_unique<CContactImage>();

    void Fill(const std::vector<Contact>& contacts) {
        image->ClearContactImage();
        for (size_t n = 0; n < contacts.size(); ++n) {
            image->SetContactRadioId(static_cast<int>(n), contacts[n].id);
            for (size_t f = 0; f < contacts[n].fields.size(); ++f)
                image->SetContactFieldText(static_cast<ContactField>(f), static_cast<int>(n),
                                           contacts[n].fields[f]);
        }
        image->SetContactCount(static_cast<int>(contacts.size()));
    }

    std::vector<int> Find(const std::string& text, const ContactTextRules& rules) {
        return FindContacts(*image, CContactQuery(text, rules));
    }
};

using Matches = std::vector<int>;

TEST_F(ContactFindTest, GbkListByIdAndText) {
    Fill({
        {1000005, {"BG5ABC", "\xCD\xF5\xCE\xB0", "", "Shenzhen", "Guangdong", "China"}},  // 王伟
        {10000051, {"DL1ABC", "Hans Mueller", "Hans", "Berlin", "Berlin", "Germany"}},
        {2345, {"K4SWL", "Thomas", "", "Swannanoa", "North CarolinaXY", "United States", "wang"}},
        // Two characters whose trail bytes are 'A' and 'a'.
        {77, {"", "\x81\x41\x81\x61", "", "", "", ""}},
        {78, {"", "\377abcdef", "xy\xCD\xF5", "", "", ""}},
    });
    const struct {
        const char* query;
        Matches expected;
    } cases[] = {
        {"1000005", {0}},  // the ID exactly, not the longer one
        {" 2345 ", {2}},   // blanks around an ID
        {"10000051", {1}},
        {"99999999", {}},  // above the largest ID: only a text
        {"abc", {0, 1}},   // in callsigns, any case
        {"bg5", {0}},
        {"HANS", {1}},         // Name and Nickname: listed once
        {"carolinaxy", {2}},   // a field filled to its width
        {"\xCD\xF5", {0, 4}},  // 王 in Name, and at the end of a Nickname
        {"\xCE\xB0", {0}},
        {"ger", {1}},              // Country
        {"wang", {}},              // Remarks are not searched
        {"a", {0, 1, 2}},          // trail bytes 'A' and 'a' never start a match
        {"\x81\x61", {3}},         // the character itself
        {"\x81\x41\x81\x41", {}},  // trail bytes keep their case
        {"abcdef", {}},            // a field beginning with FF is empty
        {"ABC\xCD", {}},           // a match never spans two fields
        {"North Carolina and more", {}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Find(c.query, kGbk), c.expected) << c.query;
}

TEST_F(ContactFindTest, Utf8LettersFoldCaseAndAccents) {
    Fill({
        {1, {"DL2XYZ", "Jürgen Müller"}},
        {2, {"SV1AA", "Σοφία"}},
        {3, {"R3AB", "Иван"}},
        {4, {"", "Ÿ", "", "København", "", "€"}},
        {5, {"SP5Z", "Łukasz", "", "Łódź", "", "Straße"}},
        {6, {"3W1A", "Nguyễn Văn An", "", "", "", "ŻAŽ"}},
    });
    const struct {
        const char* query;
        Matches expected;
    } cases[] = {
        // No transliteration (ü is no ue); final sigma folds too; € stays as
        // it is; never a match from inside a character.
        {"MÜLLER", {0}}, {"jurgen", {0}},    {"mueller", {}},     {"σοφια", {1}},
        {"ςΟ", {1}},     {"иВАН", {2}},      {"ÿ", {0, 3, 5}},     {"KOBEN", {3}},
        {"€", {3}},      {"\x82\xAC", {}}, {"\xBC", {}},         {"lodz", {4}},
        {"ŁUK", {4}},    {"strasse", {4}},   {"STRAẞE", {4}},     {"nguyen van", {5}},
        {"NGUYỄN", {5}}, {"zaz", {5}},       {"Ž", {0, 4, 5}},
    };
    for (const auto& c : cases) EXPECT_EQ(Find(c.query, kUtf8), c.expected) << c.query;
}

// A code page's conversions, as the caller hands them over: ISO-8859-1,
// and a made-up one whose lead byte 0x81 carries three characters.
std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) out += c;
        else out += {static_cast<char>(0xC0 | (b >> 6)), static_cast<char>(0x80 | (b & 0x3F))};
    }
    return out;
}

bool Utf8ToLatin1(std::string_view utf8, std::string& out) {
    out.clear();
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) out += utf8[i];
        else if ((b == 0xC2 || b == 0xC3) && i + 1 < utf8.size())
            out += static_cast<char>(((b & 3) << 6) | (utf8[++i] & 0x3F));
        else return false;
    }
    return true;
}

const std::pair<std::string, std::string> kMadeUp[] = {
    {"\x81\x41", "И"}, {"\x81\x61", "и"}, {"\x81\x42", "É"}};

std::string MadeUpToUtf8(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            out += bytes[i];
            continue;
        }
        std::string utf8 = "\xEF\xBF\xBD";
        for (const auto& [code, text] : kMadeUp)
            if (bytes.substr(i, 2) == code) utf8 = text;
        out += utf8;
        i += bytes[i] == '\x81';
    }
    return out;
}

bool Utf8ToMadeUp(std::string_view utf8, std::string& out) {
    for (const auto& [code, text] : kMadeUp)
        if (utf8 == text) return out = code, true;
    if (utf8.size() != 1 || static_cast<unsigned char>(utf8[0]) >= 0x80) return false;
    out = std::string(utf8);
    return true;
}

TEST_F(ContactFindTest, OtherCodePagesFoldThroughTheirConversions) {
    const ContactTextRules latin1(false, [](unsigned char) { return false; }, Latin1ToUtf8,
                                  Utf8ToLatin1);
    Fill({{5, {"F1ABC", "Andr\xE9", "", "", "", ""}},
          {6, {"F1ABD", "ANDR\xC9", "", "K\xF6ln", "", "Stra\xDF" "e"}}});
    EXPECT_EQ(Find("andr\xE9", kLatin), Matches{0});  // without conversions: ASCII only
    EXPECT_EQ(Find("andr", kLatin), (Matches{0, 1}));
    EXPECT_EQ(Find("andr\xE9", latin1), (Matches{0, 1}));
    EXPECT_EQ(Find("andre", latin1), (Matches{0, 1}));
    EXPECT_EQ(Find("koln", latin1), Matches{1});
    EXPECT_EQ(Find("strasse", latin1), Matches{1});  // one byte becomes two
    EXPECT_EQ(Find("\xDF" "e", latin1), Matches{1});

    const ContactTextRules madeUp(false, [](unsigned char b) { return b == 0x81; }, MadeUpToUtf8,
                                  Utf8ToMadeUp);
    Fill({{7, {"", "\x81\x41"}}, {8, {"", "\x81\x61x"}}, {9, {"", "\x81\x42"}}, {10, {"", "a"}}});
    EXPECT_EQ(Find("\x81\x61", madeUp), (Matches{0, 1}));
    EXPECT_EQ(Find("\x81\x41", madeUp), (Matches{0, 1}));
    EXPECT_EQ(Find("e", madeUp), Matches{2});
    EXPECT_EQ(Find("a", madeUp), Matches{3});  // trail bytes 'A' and 'a' are no letters
}

TEST_F(ContactFindTest, OnlyTheCountedContacts) {
    Fill({{1, {"AA1"}}, {2, {"AA2"}}, {3, {"AA3"}}});
    image->SetContactCount(2);
    EXPECT_EQ(Find("aa", kLatin), (Matches{0, 1}));
    EXPECT_EQ(Find("3", kLatin), Matches{});
}

TEST(NextMatchTest, WrapsAroundBothWays) {
    const std::vector<int> matches = {3, 10, 20};
    const struct {
        int current;
        bool forward;
        int expected;
        bool wrapped;
    } cases[] = {
        {-1, true, 3, false},  {3, true, 10, false},  {15, true, 20, false},  {20, true, 3, true},
        {25, true, 3, true},   {10, false, 3, false}, {15, false, 10, false}, {3, false, 20, true},
        {-1, false, 20, true}, {0, false, 20, true},
    };
    for (const auto& c : cases) {
        bool wrapped = !c.wrapped;
        EXPECT_EQ(NextMatch(matches, c.current, c.forward, &wrapped), c.expected)
            << c.current << (c.forward ? " forward" : " back");
        EXPECT_EQ(wrapped, c.wrapped) << c.current;
    }
    bool wrapped = true;
    EXPECT_EQ(NextMatch({}, 5, true, &wrapped), -1);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(NextMatch({7}, 7, true), 7);
}

}  // namespace
}  // namespace pendrak
