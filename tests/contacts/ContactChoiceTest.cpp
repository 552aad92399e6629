// Lists of what to prefer, keep only and leave out, and the order they give.
#include <gtest/gtest.h>

#include <algorithm>

#include "contacts/ContactChoice.h"

namespace pendrak {
namespace {

TEST(ContactChoice, ListsAndTheirMistakes) {
    CContactChoice choice;
    std::string error;
    EXPECT_TRUE(choice.SetPrefer(" 460, 461 ,,China ", &error));
    EXPECT_TRUE(choice.NeedsPlace());
    for (const char* bad : {"0460", "123456789", "46a0"}) {
        // Digits with a letter are a (strange) country name, not an error.
        const bool ok = choice.SetOnly(bad, &error);
        EXPECT_EQ(ok, std::string(bad) == "46a0") << bad;
        if (!ok) {
            EXPECT_NE(error.find(bad), std::string::npos) << error;
        }
    }
    for (const char* bad : {"0", "16777216", "12x", "-5"})
        EXPECT_FALSE(choice.SetNear(bad, &error)) << bad;
    EXPECT_TRUE(choice.SetNear(" 4600001 ", &error));
    EXPECT_TRUE(choice.SetNear("", &error));
    CContactChoice none;
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_FALSE(none.NeedsPlace());
}

TEST(ContactChoice, ClassesAndFilters) {
    CContactChoice choice;
    std::string error;
    ASSERT_TRUE(choice.SetPrefer("4601,460,Germany", &error));
    ASSERT_TRUE(choice.SetExclude("4609,france", &error));
    const struct {
        uint32_t id;
        const char* country;
        int cls;
        bool allowed;
    } cases[] = {
        {4601234, "China", 0, true},
        {4602345, "China", 1, true},
        {460, "", 1, true},
        {46, "", 3, true},
        {2621234, " GERMANY ", 2, true},
        {4609000, "China", 1, false},
        {2081234, "France", 3, false},
        {3101234, "United States", 3, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(choice.Class(c.id, c.country), c.cls) << c.id;
        EXPECT_EQ(choice.Allowed(c.id, c.country), c.allowed) << c.id;
    }
    CContactChoice only;
    ASSERT_TRUE(only.SetOnly("234,235", &error));
    EXPECT_TRUE(only.Allowed(2345678, ""));
    EXPECT_FALSE(only.Allowed(2365678, ""));
}

// Keys order by class, then (for the rest) by closeness to `near`, then
// by position; the cutoff keeps exactly the smallest.
TEST(ContactChoice, KeysAndCutoff) {
    CContactChoice choice;
    std::string error;
    ASSERT_TRUE(choice.SetPrefer("505", &error));
    ASSERT_TRUE(choice.SetNear("3100100", &error));
    const int rest = choice.RestClass();
    EXPECT_LT(choice.Key(0, 5050001, 900), choice.Key(rest, 3100100, 0));
    EXPECT_LT(choice.Key(rest, 3100099, 7), choice.Key(rest, 3100102, 1));
    EXPECT_LT(choice.Key(rest, 3100102, 1), choice.Key(rest, 3100098, 2));  // as close: file order
    EXPECT_LT(choice.Key(0, 5059999, 1), choice.Key(0, 5050001, 2));  // no closeness inside a class

    std::vector<uint64_t> keys = {50, 10, 40, 20, 30};
    EXPECT_EQ(ChoiceCutoff(keys, 3), 30u);
    keys = {5, 1};
    EXPECT_EQ(ChoiceCutoff(keys, 3), UINT64_MAX);
}

}  // namespace
}  // namespace pendrak
