// The sort must give exactly the permutation of the radio's exchange sort,
// equal IDs included; checked against that loop on many random images.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "contacts/ContactImage.h"

namespace pendrak {
namespace {

// The exchange sort as the radio's own software runs it, on the order table
// alone: records move with their order entries, so record i ends as the
// pre-sort record order[i].
std::vector<int32_t> ExchangeSortOrder(const std::vector<int32_t>& ids) {
    const int m = static_cast<int>(ids.size());
    std::vector<int32_t> order(ids.size());
    for (int i = 0; i < m; ++i) order[i] = i;
    for (int j = 1; j < m; ++j)
        for (int k = 0; k < j; ++k)
            if (ids[order[k]] > ids[order[j]]) std::swap(order[k], order[j]);
    return order;
}

using Record = std::array<unsigned char, CONTACT_RECORD_SIZE>;

class ContactSortTest : public ::testing::Test {
protected:
    std::unique_ptr<CContactImage> image = std::make_unique<CContactImage>();
    std::mt19937 rng{20261208};

    Record RecordAt(int n) const {
        Record r;
        std::memcpy(r.data(), image->Bytes() + ContactRecordOffset(n), r.size());
        return r;
    }

    // Fills records 0..m-1 with random bytes and IDs drawn from `distinct`
    // values, then sorts and compares with the exchange sort.
    void CheckRandomCase(int m, int distinct) {
        std::vector<int32_t> pool(static_cast<size_t>(distinct));
        std::uniform_int_distribution<int32_t> anyId(0, MAX_RADIO_ID);
        for (auto& v : pool) v = anyId(rng);
        std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
        std::uniform_int_distribution<int> byte(0, 255);

        std::vector<Record> before(static_cast<size_t>(m));
        std::vector<int32_t> ids(static_cast<size_t>(m));
        for (int n = 0; n < m; ++n) {
            unsigned char* rec = image->Bytes() + ContactRecordOffset(n);
            for (int b = 0; b < CONTACT_RECORD_SIZE; ++b)
                rec[b] = static_cast<unsigned char>(byte(rng));
            ids[n] = pool[pick(rng)];
            image->SetContactRadioId(n, ids[n]);
            before[n] = RecordAt(n);
        }
        const Record next = RecordAt(m);  // must stay as it is
        image->SetContactCount(m);
        image->Bytes()[5] = 0x5A;

        image->SortContactsByRadioId();

        const std::vector<int32_t> order = ExchangeSortOrder(ids);
        for (int i = 0; i < m; ++i) {
            ASSERT_EQ(image->SortOrderTable()[i], order[i]) << "m=" << m << " i=" << i;
            ASSERT_EQ(image->RadioIdTable()[i], ids[i]) << "m=" << m << " i=" << i;
            ASSERT_EQ(RecordAt(i), before[order[i]]) << "m=" << m << " i=" << i;
        }
        EXPECT_EQ(RecordAt(m), next);
        EXPECT_EQ(image->GetContactCount(), m);
        EXPECT_EQ(image->Bytes()[5], 0x5A);
    }
};

TEST_F(ContactSortTest, MatchesExchangeSortOnSmallImages) {
    std::uniform_int_distribution<int> size(0, 60);
    for (int c = 0; c < 3000; ++c) {
        const int m = size(rng);
        std::uniform_int_distribution<int> distinct(1, m + 1);
        CheckRandomCase(m, distinct(rng));
        if (HasFatalFailure()) return;
    }
}

TEST_F(ContactSortTest, MatchesExchangeSortOnLargerImages) {
    // Few distinct IDs make long runs that are rotated many times.
    for (int m : {61, 100, 255, 400, 777, 1500}) {
        for (int distinct : {1, 2, 7, m / 10 + 1, m}) {
            CheckRandomCase(m, distinct);
            if (HasFatalFailure()) return;
        }
    }
    CheckRandomCase(3000, 300);
    CheckRandomCase(2999, 3);
}

TEST_F(ContactSortTest, EqualIdsEndInTheExchangeSortOrder) {
    const int32_t ids[] = {1, 1, 0};
    for (int n = 0; n < 3; ++n) {
        image->SetContactRadioId(n, ids[n]);
        image->SetContactFieldText(CONTACT_CALLSIGN, n, std::string(1, static_cast<char>('a' + n)));
    }
    image->SetContactCount(3);
    image->SortContactsByRadioId();
    EXPECT_EQ(image->GetContactFieldText(CONTACT_CALLSIGN, 0), "c");
    EXPECT_EQ(image->GetContactFieldText(CONTACT_CALLSIGN, 1), "b");
    EXPECT_EQ(image->GetContactFieldText(CONTACT_CALLSIGN, 2), "a");
    EXPECT_EQ(image->SortOrderTable()[0], 2);
    EXPECT_EQ(image->SortOrderTable()[1], 1);
    EXPECT_EQ(image->SortOrderTable()[2], 0);
}

TEST_F(ContactSortTest, CountOfZeroOrOneOrOutOfRangeMovesNothing) {
    for (int n = 0; n < 3; ++n) image->SetContactRadioId(n, 3 - n);
    for (const int count : {0, 1}) {
        image->Bytes()[0] = static_cast<unsigned char>(count);
        image->SortContactsByRadioId();
        EXPECT_EQ(image->GetContactRadioId(0), 3);
        EXPECT_EQ(image->GetContactRadioId(1), 2);
    }
    image->Bytes()[0] = image->Bytes()[1] = image->Bytes()[2] = 0xFF;  // reads as 0
    image->SortContactsByRadioId();
    EXPECT_EQ(image->GetContactRadioId(0), 3);
}

}  // namespace
}  // namespace pendrak
