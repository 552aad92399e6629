// Editing single contacts: the order by radio ID is kept, records move
// whole across sector gaps, and undo gives back the image byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "contacts/ContactEdit.h"

namespace pendrak {
namespace {

class ContactEditTest : public ::testing::Test {
protected:
    // Contact n: radio ID 10 * (n + 1), Callsign "C<n>", tag byte n % 7 so
    // that a record moved without its tag shows.
    void Fill(int count) {
        image->ClearContactImage();
        for (int n = 0; n < count; ++n) {
            image->SetContactRadioId(n, 10 * (n + 1));
            image->SetContactFieldText(CONTACT_CALLSIGN, n, "C" + std::to_string(n));
            image->Bytes()[ContactRecordOffset(n)] = static_cast<unsigned char>(n % 7);
        }
        image->SetContactCount(count);
    }
    std::vector<unsigned char> Used() const {
        const int count = image->GetContactCount();
        std::vector<unsigned char> bytes(image->Bytes(),
                                         image->Bytes() + ContactImageUsedLength(count));
        bytes.resize(bytes.size() + 3, static_cast<unsigned char>(count));  // count alone
        return bytes;
    }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (int n = 0; n < image->GetContactCount(); ++n) ids.push_back(image->GetContactRadioId(n));
        return ids;
    }
    static ContactRecordBytes Record(int id, const char* name) {
        const std::string_view texts[CONTACT_FIELD_COUNT] = {"NEW", name, "", "", "", "", ""};
        return MakeContactRecord(id, texts);
    }

    std::unique_ptr<CContactImage> image = std::make_unique<CContactImage>();
    CContactEditor editor{*image};
};

TEST_F(ContactEditTest, ChangedIdMovesToItsPlaceAfterEqualIds) {
    Fill(80);  // records 36/37 and 73/74 lie on either side of a sector gap
    const std::vector<unsigned char> before = Used();
    const struct {
        int row, id, place;
    } cases[] = {
        {2, 745, 73},   // up, across two gaps, after the contact holding 740
        {75, 370, 37},  // down, after the equal 370 (contact 36)
        {79, 5, 0},     // the last to the front
        {0, 900, 79},   // the first to the end
        {40, 405, 40},  // a new ID that keeps its place
    };
    for (const auto& c : cases) {
        Fill(80);
        const int to = editor.Replace(c.row, Record(c.id, "Moved"));
        EXPECT_EQ(to, c.place) << c.id;
        EXPECT_EQ(image->GetContactRadioId(to), c.id);
        EXPECT_EQ(image->GetContactFieldText(CONTACT_NAME, to), "Moved");
        EXPECT_EQ(image->GetContactCount(), 80);
        const std::vector<int> ids = Ids();
        EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end())) << c.id;
        EXPECT_EQ(editor.Undo(), c.row);
        EXPECT_EQ(Used(), before) << c.id;
    }
}

TEST_F(ContactEditTest, AddAndRemoveKeepOrderAndUndoRestoresEveryByte) {
    Fill(80);
    const std::vector<unsigned char> before = Used();
    EXPECT_EQ(editor.Add(Record(365, "Added")), 36);
    EXPECT_EQ(editor.Add(Record(1, "First")), 0);
    EXPECT_EQ(image->GetContactCount(), 82);
    // Two from either side of a gap, one repeated, one out of range.
    EXPECT_TRUE(editor.Remove({38, 37, 38, 75, 200, -1}));
    EXPECT_EQ(image->GetContactCount(), 79);
    const std::vector<int> expected = Ids();
    EXPECT_EQ(expected[36], 360);
    EXPECT_EQ(expected[37], 380);  // 365 and 370 went
    EXPECT_EQ(expected[72], 730);
    EXPECT_EQ(expected[73], 750);  // and 740
    // The slots freed at the end are unused slots again.
    EXPECT_EQ(image->Bytes()[ContactRecordOffset(79)], 3);
    EXPECT_EQ(image->GetContactRadioId(81), 0);
    EXPECT_FALSE(editor.Remove({79, 500}));

    EXPECT_EQ(editor.Undo(), 37);
    EXPECT_EQ(image->GetContactCount(), 82);
    EXPECT_EQ(editor.Undo(), 0);  // near where the first one went
    EXPECT_EQ(editor.Undo(), 36);
    EXPECT_EQ(Used(), before);
    EXPECT_FALSE(editor.CanUndo());
    EXPECT_EQ(editor.Undo(), -1);
}

TEST_F(ContactEditTest, UnsortedListKeepsItsOrder) {
    Fill(5);
    image->SwapContactRecords(0, 4);  // IDs 50 20 30 40 10, as a backup may hold
    EXPECT_EQ(editor.Replace(2, Record(35, "Kept")), 2);
    EXPECT_EQ(editor.Add(Record(15, "Last")), 5);
    EXPECT_EQ(Ids(), (std::vector<int>{50, 20, 35, 40, 10, 15}));
    EXPECT_EQ(editor.FindRadioId(40), 3);
    EXPECT_EQ(editor.FindRadioId(40, 3), -1);
}

TEST_F(ContactEditTest, FullListAndUndoDepth) {
    Fill(MAX_CONTACTS);
    EXPECT_EQ(editor.Add(Record(5, "None")), -1);
    EXPECT_FALSE(editor.CanUndo());

    Fill(30);
    std::vector<std::vector<unsigned char>> states;
    for (int i = 0; i < CContactEditor::MAX_UNDO_STEPS + 3; ++i) {
        states.push_back(Used());
        editor.Replace(i, Record(10 * (i + 1), ("N" + std::to_string(i)).c_str()));
    }
    // The newest MAX_UNDO_STEPS changes come back, in order; the three oldest not.
    for (int i = CContactEditor::MAX_UNDO_STEPS + 2; i >= 3; --i) {
        ASSERT_TRUE(editor.CanUndo()) << i;
        editor.Undo();
        EXPECT_EQ(Used(), states[static_cast<size_t>(i)]) << i;
    }
    EXPECT_FALSE(editor.CanUndo());
    EXPECT_NE(Used(), states[0]);
}

}  // namespace
}  // namespace pendrak
