// The user's own entries on top of a list, and choices by Country/State.
#include <gtest/gtest.h>

#include "CsvTestSupport.h"

namespace pendrak::test {
namespace {

// MAX_CONTACTS contacts from 1000000 in the United States, then 20 in China.
const std::string& FullList() {
    static const std::string file = [] {
        std::string f = "RADIO_ID,CALLSIGN,COUNTRY\n";
        for (int i = 0; i < MAX_CONTACTS; ++i) f += std::to_string(1000000 + i) + ",K,United States\n";
        for (int i = 1; i <= 20; ++i) f += std::to_string(4600000 + i) + ",B,China\n";
        return f;
    }();
    return file;
}

int FindId(const CContactImage& image, int id) {
    for (int n = 0; n < image.GetContactCount(); ++n)
        if (image.GetContactRadioId(n) == id) return n;
    return -1;
}

TEST(CsvOwnEntries, TakenWhateverTheChoiceAndReplaceTheListsIds) {
    // Own entries in the program's own layout: one of them twice.
    const std::string own = "1000005,MINE,Mine,,,,,\n4600003,OWNCN,,,,,,\n9000001,CLUB,,,,,,\n"
                            "1000005,DUP,,,,,,\n";
    const struct {
        const char *prefer, *exclude;
        bool once;
    } cases[] = {{"", "", false}, {"460", "9000001,1000005,China", true}, {"1", "", false}};
    for (const auto& c : cases) {
        auto image = NewImage();
        CsvImportOptions options;
        std::string error;
        ASSERT_TRUE(options.choice.SetPrefer(c.prefer, &error) &&
                    options.choice.SetExclude(c.exclude, &error));
        options.nOwnEntrySources = 1;
        CMemorySource mine(own), list(FullList());
        mine.rewindable = list.rewindable = !c.once;
        const CsvImportResult result = ImportContactsCsv(*image, {&mine, &list}, options);
        ASSERT_EQ(result.outcome, CsvImportResult::Done) << c.prefer;
        const CsvImportReport& r = result.report;
        const long long excludedChina = std::string(c.exclude).find("China") != std::string::npos ? 19 : 0;
        EXPECT_EQ(r.nOwnTaken, 3) << c.prefer;
        EXPECT_EQ(r.nOwnReplaced, 2) << c.prefer;  // the list's 1000005 and 4600003
        EXPECT_EQ(r.nRepeated, 1) << c.prefer;     // the own file's second 1000005
        EXPECT_EQ(r.nNotChosen, excludedChina) << c.prefer;
        EXPECT_EQ(r.nTaken, MAX_CONTACTS) << c.prefer;
        EXPECT_EQ(r.nOverCapacity, MAX_CONTACTS + 20 - 2 - excludedChina + 3 - MAX_CONTACTS) << c.prefer;
        EXPECT_EQ(r.nTaken + r.nHeader + r.nRepeated + r.nNotChosen + r.nOverCapacity + r.nOwnReplaced,
                  r.nLines);
        EXPECT_TRUE(r.files[0].bOwnEntries && !r.files[1].bOwnEntries);
        for (const int id : {1000005, 4600003, 9000001}) EXPECT_GE(FindId(*image, id), 0) << id;
        EXPECT_EQ(image->GetContactFieldText(CONTACT_CALLSIGN, FindId(*image, 1000005)), "MINE");
        EXPECT_EQ(image->GetContactFieldText(CONTACT_CALLSIGN, FindId(*image, 4600003)), "OWNCN");
    }
}

// In a merge the contacts already there come first in the order: an own
// entry must still win over all of them.
TEST(CsvOwnEntries, WinOverAFullImageInAMerge) {
    auto image = NewImage();
    for (int i = 0; i < MAX_CONTACTS; ++i) AddContact(*image, 1000000 + i, {"old"});
    CsvImportOptions options;
    options.bMerge = true;
    options.nOwnEntrySources = 1;
    std::string error;
    ASSERT_TRUE(options.choice.SetPrefer("1", &error));
    CMemorySource mine("ID,Callsign\n9000001,CLUB\n"), list("ID,Callsign\n4600001,X\n");
    const CsvImportResult result = ImportContactsCsv(*image, {&mine, &list}, options);
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_GE(FindId(*image, 9000001), 0);
    EXPECT_EQ(FindId(*image, 4600001), -1);
    EXPECT_EQ(result.report.nImageDropped, 1);
    EXPECT_EQ(result.report.nOwnTaken, 1);
}

TEST(CsvOwnEntries, ChoiceByCountryAndState) {
    const std::string named =
        "ID,Callsign,State,Country\n1,A,Texas,United States\n2,B, TEXAS ,united states\n"
        "3,C,Ohio,United States\n4,D,Bayern,Germany\n5,E,Berlin,Germany\n6,F,Texas,Mexico\n";
    const std::string ownLayout =
        "1,A,,,,Texas,United States,\n2,B,,,,TEXAS,united states,\n3,C,,,,Ohio,United States,\n"
        "4,D,,,,Bayern,Germany,\n5,E,,,,Berlin,Germany,\n6,F,,,,Texas,Mexico,\n";
    const struct {
        const char *only, *exclude;
        Lines ids;
    } cases[] = {
        {"United States/Texas", "", {"1", "2"}},
        {" united states / texas ,Germany", "", {"1", "2", "4", "5"}},
        {"", "Germany/Bayern", {"1", "2", "3", "5", "6"}},
        {"Germany", "Germany/Berlin", {"4"}},
    };
    for (const std::string& file : {named, ownLayout})
        for (const auto& c : cases) {
            auto image = NewImage();
            CsvImportOptions options;
            std::string error;
            ASSERT_TRUE(options.choice.SetOnly(c.only, &error) &&
                        options.choice.SetExclude(c.exclude, &error))
                << error;
            ASSERT_EQ(ImportBytes(*image, file, options).outcome, CsvImportResult::Done);
            Lines ids;
            for (int n = 0; n < image->GetContactCount(); ++n)
                ids.push_back(std::to_string(image->GetContactRadioId(n)));
            EXPECT_EQ(ids, c.ids) << c.only << " / " << c.exclude << " in " << file.substr(0, 4);
        }
    CContactChoice choice;
    std::string error;
    for (const char* bad : {"Germany/", "/Bayern", "460, / "}) {
        EXPECT_FALSE(choice.SetPrefer(bad, &error)) << bad;
        EXPECT_NE(error.find("Country/State"), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace pendrak::test
