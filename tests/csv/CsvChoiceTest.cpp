// Which contacts are taken when there are more than the radio holds, merges
// into the contacts already there, and files that change between the two
// readings.
#include <gtest/gtest.h>

#include "CsvTestSupport.h"
#include "platform/CodePage.h"

namespace pendrak::test {
namespace {

// MAX_CONTACTS contacts 1000000, 1000001, ... in the United States, then 20
// in China (4600001..4600020) that file order would leave out.
const std::string& OverfullFile() {
    static const std::string file = [] {
        std::string f = CSV_HEADER;
        for (int i = 0; i < MAX_CONTACTS; ++i)
            f += std::to_string(1000000 + i) + ",K,,,,,United States,\n";
        for (int i = 1; i <= 20; ++i) f += std::to_string(4600000 + i) + ",B,,,,,China,\n";
        return f;
    }();
    return file;
}

struct Taken {
    int chinese = 0;  // of the 20
    int lowest = 0, highest = 0;
};

Taken Summarise(const CContactImage& image) {
    Taken t;
    const int count = image.GetContactCount();
    for (int n = 0; n < count; ++n) t.chinese += image.GetContactRadioId(n) >= 4600000;
    t.lowest = image.GetContactRadioId(0);
    t.highest = image.GetContactRadioId(count - 1);
    return t;
}

TEST(CsvChoice, EachChoiceAloneAndTogether) {
    const struct {
        const char* what;
        const char *prefer, *nearId, *only, *exclude;
        bool once;  // a source read only once
        int count, chinese, lowest, highest;
        long long notChosen, over;
    } cases[] = {
        {"file order", "", "", "", "", false, MAX_CONTACTS, 0, 1000000, 1129999, 0, 20},
        {"prefer prefixes", "460", "", "", "", false, MAX_CONTACTS, 20, 1000000, 4600020, 0, 20},
        {"prefer a country", "china", "", "", "", false, MAX_CONTACTS, 20, 1000000, 4600020, 0, 20},
        {"prefer, read once", "4600001,460", "", "", "", true, MAX_CONTACTS, 20, 1000000, 4600020,
         0, 20},
        {"near", "", "4600010", "", "", false, MAX_CONTACTS, 20, 1000020, 4600020, 0, 20},
        {"only", "", "", "46", "", false, 20, 20, 4600001, 4600020, MAX_CONTACTS, 0},
        {"exclude", "", "", "", "1000", false, MAX_CONTACTS - 1000 + 20, 20, 1001000, 4600020, 1000,
         0},
        {"together", "China", "1129999", "", "4600001", false, MAX_CONTACTS, 19, 1000019, 4600020,
         1, 19},
    };
    auto image = NewImage();
    for (const auto& c : cases) {
        CsvImportOptions options;
        std::string error;
        ASSERT_TRUE(options.choice.SetPrefer(c.prefer, &error) &&
                    options.choice.SetNear(c.nearId, &error) &&
                    options.choice.SetOnly(c.only, &error) &&
                    options.choice.SetExclude(c.exclude, &error))
            << error;
        CMemorySource source(OverfullFile());
        source.rewindable = !c.once;
        const CsvImportResult result = ImportContactsCsv(*image, {&source}, options);
        ASSERT_EQ(result.outcome, CsvImportResult::Done) << c.what;
        EXPECT_EQ(result.count, c.count) << c.what;
        const Taken t = Summarise(*image);
        EXPECT_EQ(t.chinese, c.chinese) << c.what;
        EXPECT_EQ(t.lowest, c.lowest) << c.what;
        EXPECT_EQ(t.highest, c.highest) << c.what;
        const CsvImportReport& r = result.report;
        EXPECT_EQ(r.nNotChosen, c.notChosen) << c.what;
        EXPECT_EQ(r.nOverCapacity, c.over) << c.what;
        EXPECT_EQ(r.nTaken, c.count) << c.what;
        EXPECT_EQ(r.nTaken + r.nHeader + r.nNotChosen + r.nOverCapacity, r.nLines) << c.what;
    }
}

TEST(CsvChoice, MergeKeepsWhatIsThereAndTheFileReplacesItsIds) {
    auto image = NewImage();
    AddContact(*image, 3, {"old3"});
    AddContact(*image, 1, {"old1"});
    AddContact(*image, 2, {"old2"});
    image->Bytes()[ContactRecordOffset(0)] = 7;  // the tag byte goes with its record
    CsvImportOptions options;
    options.bMerge = true;
    const CsvImportResult result = ImportBytes(*image, "ID,Callsign\n2,new2\n4,new4\n", options);
    ASSERT_EQ(result.outcome, CsvImportResult::Done);
    EXPECT_EQ(Contacts(*image),
              (Lines{"1,old1,,,,,,,", "2,new2,,,,,,,", "3,old3,,,,,,,", "4,new4,,,,,,,"}));
    EXPECT_EQ(image->Bytes()[ContactRecordOffset(2)], 7);
    const CsvImportReport& r = result.report;
    EXPECT_TRUE(r.bMerge);
    EXPECT_EQ(r.nImageKept, 2);
    EXPECT_EQ(r.nImageReplaced, 1);
    EXPECT_EQ(r.nImageDropped, 0);
    EXPECT_EQ(r.nTaken, 2);
}

// Over capacity the choice decides over the union; without one, what was
// there comes first.
TEST(CsvChoice, MergeOverCapacityChoosesOverTheUnion) {
    const std::string file = "ID,Callsign\n4600001,a\n4600002,b\n1000005,c\n";
    for (const bool prefer : {false, true}) {
        auto image = NewImage();
        for (int i = 0; i < MAX_CONTACTS; ++i) AddContact(*image, 1000000 + i, {"old"});
        CsvImportOptions options;
        options.bMerge = true;
        std::string error;
        ASSERT_TRUE(options.choice.SetPrefer(prefer ? "460" : "", &error));
        const CsvImportResult result = ImportBytes(*image, file, options);
        ASSERT_EQ(result.outcome, CsvImportResult::Done);
        EXPECT_EQ(result.count, MAX_CONTACTS);
        const CsvImportReport& r = result.report;
        EXPECT_EQ(r.nImageReplaced, 1);  // 1000005, by the file's line
        EXPECT_EQ(r.nImageKept, prefer ? MAX_CONTACTS - 3 : MAX_CONTACTS - 1);
        EXPECT_EQ(r.nImageDropped, prefer ? 2 : 0);
        EXPECT_EQ(r.nTaken, prefer ? 3 : 1);
        EXPECT_EQ(r.nOverCapacity, prefer ? 0 : 2);
        EXPECT_EQ(Summarise(*image).chinese, prefer ? 2 : 0);
    }
}

// The first reading decides; a file that reads otherwise the second time
// is a read failure that changes nothing.
TEST(CsvChoice, FileChangedBetweenTheReadingsChangesNothing) {
    const std::string file = "1,a,\n2,b,\n3,c,\n";
    const struct {
        const char* what;
        std::string second;
    } cases[] = {
        {"shrunk", "1,a,\n2,b,\n"},
        {"shrunk inside a line", "1,a,\n2,b,\n3"},
        {"grown", file + "4,d,\n"},
        {"another ID", "1,a,\n5,b,\n3,c,\n"},
        {"another layout", "ID,Callsign\n1,a\n2,b\n"},
    };
    for (const auto& c : cases) {
        auto image = NewImage();
        AddContact(*image, 9, {"keep"});
        CMemorySource source(file);
        source.changed = c.second;
        const CsvImportResult result = ImportContactsCsv(*image, source);
        EXPECT_EQ(result.outcome, CsvImportResult::ReadFailed) << c.what;
        EXPECT_TRUE(result.bChanged) << c.what;
        EXPECT_EQ(Contacts(*image), Lines{"9,keep,,,,,,,"}) << c.what;
    }
}

}  // namespace
}  // namespace pendrak::test
