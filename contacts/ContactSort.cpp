// The radio's exchange sort, for j = 1..m-1 and k = 0..j-1, exchanges records
// k and j whenever id[k] > id[j]. Position j then holds the original record j
// and 0..j-1 are sorted, so iteration j inserts record j: it joins the end of
// the run of its own ID, and every non-empty run of larger IDs is rotated
// left by one place (its first record is carried on to the next run). Only
// the order inside each run needs working out: a run's final order follows
// from its join times and the number of smaller IDs inserted between joins.
// Undoing that history backwards (rotate back, drop the last joiner) needs
// only deletions, which a Fenwick tree over the run's slots answers in
// O(log s). Records then move once, along the permutation's cycles.
#include <algorithm>
#include <cstring>
#include <vector>

#include "contacts/ContactImage.h"

namespace pendrak {

namespace {

// Fenwick tree over 0/1 flags, 1-based internally.
class AliveSlots {
public:
    void Reset(int size) {
        m_size = size;
        m_tree.assign(static_cast<size_t>(size) + 1, 0);
        for (int i = 1; i <= size; ++i) m_tree[i] = i & -i;  // all alive
        m_log = 1;
        while ((m_log << 1) <= size) m_log <<= 1;
    }
    void Remove(int slot) {
        for (int i = slot + 1; i <= m_size; i += i & -i) --m_tree[i];
    }
    // Alive slots before `slot`.
    int Rank(int slot) const {
        int sum = 0;
        for (int i = slot; i > 0; i -= i & -i) sum += m_tree[i];
        return sum;
    }
    // The slot of the k-th alive slot, k from 0.
    int Select(int k) const {
        int pos = 0;
        for (int step = m_log; step > 0; step >>= 1) {
            if (pos + step <= m_size && m_tree[pos + step] <= k) {
                pos += step;
                k -= m_tree[pos];
            }
        }
        return pos;
    }

private:
    int m_size = 0;
    int m_log = 1;
    std::vector<int> m_tree;
};

}  // namespace

void CContactImage::SortContactsByRadioId() {
    const int m = GetContactCount();
    for (int i = 0; i < m; ++i) {
        m_sortOrder[i] = i;
        m_radioIds[i] = GetContactRadioId(i);
    }
    if (m < 2) return;

    // Positions ordered by (ID, position): a stable radix sort on the 24-bit
    // IDs, two passes of 12 bits. Equal IDs then stand in join order, and one
    // pass over them gives each record the rank of its ID.
    std::vector<int> joins(m);
    {
        constexpr int BITS = 12, MASK = (1 << BITS) - 1;
        std::vector<int> scratch(m);
        std::vector<int> start(MASK + 2);
        const int32_t* ids = m_radioIds.data();
        auto scatter = [&](int shift, auto source, int* to) {
            std::fill(start.begin(), start.end(), 0);
            for (int i = 0; i < m; ++i) ++start[((ids[source(i)] >> shift) & MASK) + 1];
            for (int b = 0; b <= MASK; ++b) start[b + 1] += start[b];
            for (int i = 0; i < m; ++i) {
                const int t = source(i);
                to[start[(ids[t] >> shift) & MASK]++] = t;
            }
        };
        scatter(0, [](int i) { return i; }, scratch.data());
        scatter(BITS, [&](int i) { return scratch[i]; }, joins.data());
    }
    std::vector<int> rank(m);
    // runStart[r]: first final position of the run of rank r; also the number
    // of records with a smaller ID.
    std::vector<int> runStart;
    runStart.reserve(static_cast<size_t>(m) + 1);
    for (int q = 0; q < m; ++q) {
        if (q == 0 || m_radioIds[joins[q]] != m_radioIds[joins[q - 1]]) runStart.push_back(q);
        rank[joins[q]] = static_cast<int>(runStart.size()) - 1;
    }
    const int k = static_cast<int>(runStart.size());
    runStart.push_back(m);

    // smallerBefore[t]: records before position t with a smaller ID.
    std::vector<int> smallerBefore(m);
    {
        std::vector<int> fenwick(static_cast<size_t>(k) + 1, 0);
        for (int t = 0; t < m; ++t) {
            int sum = 0;
            for (int i = rank[t]; i > 0; i -= i & -i) sum += fenwick[i];
            smallerBefore[t] = sum;
            for (int i = rank[t] + 1; i <= k; i += i & -i) ++fenwick[i];
        }
    }

    // Replay each run's history backwards. Slot p of the run holds its final
    // index p; `head` is the slot at logical index 0.
    AliveSlots slots;
    for (int r = 0; r < k; ++r) {
        const int first = runStart[r];
        const int s = runStart[r + 1] - first;
        const int* t = &joins[first];
        if (s == 1) {
            m_sortOrder[first] = t[0];
            continue;
        }
        slots.Reset(s);
        int head = 0;
        auto slotAt = [&](int logical, int size) {
            return slots.Select((slots.Rank(head) + logical) % size);
        };
        // Rotations after the last join: every smaller ID inserted since.
        int rotations = runStart[r] - smallerBefore[t[s - 1]];
        for (int c = s; c >= 1; --c) {
            head = slotAt((c - rotations % c) % c, c);
            const int slot = slotAt(c - 1, c);  // the c-th joiner sits last
            m_sortOrder[first + slot] = t[c - 1];
            slots.Remove(slot);
            if (c > 1) rotations = smallerBefore[t[c - 1]] - smallerBefore[t[c - 2]];
        }
    }

    // Move the records along the cycles of the permutation.
    std::vector<char> placed(m, 0);
    unsigned char saved[CONTACT_RECORD_SIZE];
    for (int i = 0; i < m; ++i) {
        if (placed[i] || m_sortOrder[i] == i) continue;
        std::memcpy(saved, Record(i), CONTACT_RECORD_SIZE);
        int j = i;
        while (m_sortOrder[j] != i) {
            std::memcpy(Record(j), Record(m_sortOrder[j]), CONTACT_RECORD_SIZE);
            placed[j] = 1;
            j = m_sortOrder[j];
        }
        std::memcpy(Record(j), saved, CONTACT_RECORD_SIZE);
        placed[j] = 1;
    }
}

}  // namespace pendrak
