#include "contacts/ContactEdit.h"

#include <algorithm>
#include <cstring>

namespace pendrak {

namespace {

unsigned char* RecordAt(CContactImage& image, int n) {
    return image.Bytes() + ContactRecordOffset(n);
}

const unsigned char* RecordAt(const CContactImage& image, int n) {
    return image.Bytes() + ContactRecordOffset(n);
}

// An unused slot, as a cleared image has it.
void ClearRecord(CContactImage& image, int n) {
    unsigned char* record = RecordAt(image, n);
    std::memset(record, 0, CONTACT_RECORD_SIZE);
    record[0] = 3;
}

}  // namespace

ContactRecordBytes GetContactRecordBytes(const CContactImage& image, int n) {
    ContactRecordBytes record;
    std::memcpy(record.data(), RecordAt(image, n), CONTACT_RECORD_SIZE);
    return record;
}

ContactRecordBytes MakeContactRecord(int32_t radioId,
                                     const std::string_view (&texts)[CONTACT_FIELD_COUNT]) {
    ContactRecordBytes record{};
    record[0] = 3;
    record[1] = static_cast<unsigned char>(radioId);
    record[2] = static_cast<unsigned char>(radioId >> 8);
    record[3] = static_cast<unsigned char>(radioId >> 16);
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const auto field = static_cast<ContactField>(f);
        const size_t len = std::min(texts[f].size(), static_cast<size_t>(ContactFieldWidth(field)));
        if (len > 0) std::memcpy(record.data() + ContactFieldOffset(field), texts[f].data(), len);
    }
    return record;
}

int32_t RecordRadioId(const ContactRecordBytes& record) {
    return record[1] | record[2] << 8 | record[3] << 16;
}

int CContactEditor::FindRadioId(int32_t radioId, int except) const {
    const int count = m_image.GetContactCount();
    for (int n = 0; n < count; ++n)
        if (n != except && m_image.GetContactRadioId(n) == radioId) return n;
    return -1;
}

bool CContactEditor::IsSortedWithout(int skip) const {
    const int count = m_image.GetContactCount();
    int32_t last = -1;
    for (int n = 0; n < count; ++n) {
        if (n == skip) continue;
        const int32_t id = m_image.GetContactRadioId(n);
        if (id < last) return false;
        last = id;
    }
    return true;
}

// Index (in the list without `skip`) after the last contact whose ID is
// not greater.
int CContactEditor::SortedPlace(int32_t radioId, int skip) const {
    int lo = 0, hi = m_image.GetContactCount() - (skip >= 0 ? 1 : 0);
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const int n = skip >= 0 && mid >= skip ? mid + 1 : mid;
        if (m_image.GetContactRadioId(n) <= radioId) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

int CContactEditor::Replace(int n, const ContactRecordBytes& record) {
    if (n < 0 || n >= m_image.GetContactCount()) return -1;
    const ContactRecordBytes old = GetContactRecordBytes(m_image, n);
    if (old == record) return n;
    const int to = IsSortedWithout(n) ? SortedPlace(RecordRadioId(record), n) : n;
    Step step{{{n, old}}, {{to, record}}};
    Apply(step.removed, step.added);
    Remember(std::move(step));
    return to;
}

int CContactEditor::Add(const ContactRecordBytes& record) {
    const int count = m_image.GetContactCount();
    if (count >= MAX_CONTACTS) return -1;
    const int to = IsSortedWithout(-1) ? SortedPlace(RecordRadioId(record), -1) : count;
    Step step{{}, {{to, record}}};
    Apply(step.removed, step.added);
    Remember(std::move(step));
    return to;
}

bool CContactEditor::Remove(std::vector<int> rows) {
    const int count = m_image.GetContactCount();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    Step step;
    for (const int n : rows)
        if (n >= 0 && n < count) step.removed.emplace_back(n, GetContactRecordBytes(m_image, n));
    if (step.removed.empty()) return false;
    Apply(step.removed, step.added);
    Remember(std::move(step));
    return true;
}

int CContactEditor::Undo() {
    if (m_undo.empty()) return -1;
    const Step step = std::move(m_undo.back());
    m_undo.pop_back();
    m_nUndoBytes -= (step.removed.size() + step.added.size()) * CONTACT_RECORD_SIZE;
    Apply(step.added, step.removed);
    if (!step.removed.empty()) return step.removed.front().first;
    const int count = m_image.GetContactCount();
    return count == 0 ? -1 : std::min(step.added.front().first, count - 1);
}

void CContactEditor::Apply(const Placed& out, const Placed& in) {
    RemoveAt(out);
    InsertAt(in);
}

// One pass however many go: a page of rows out of 130,000 moves each
// record once.
void CContactEditor::RemoveAt(const Placed& rows) {
    if (rows.empty()) return;
    const int count = m_image.GetContactCount();
    int to = rows.front().first;
    size_t next = 0;
    for (int from = to; from < count; ++from) {
        if (next < rows.size() && rows[next].first == from) {
            ++next;
            continue;
        }
        m_image.CopyContactRecord(to++, from);
    }
    for (int n = to; n < count; ++n) ClearRecord(m_image, n);
    m_image.SetContactCount(to);
}

void CContactEditor::InsertAt(const Placed& rows) {
    if (rows.empty()) return;
    const int count = m_image.GetContactCount();
    const int total = count + static_cast<int>(rows.size());
    // From the end: each record moves up by the number inserted before it.
    int from = count - 1;
    size_t next = rows.size();
    for (int to = total - 1; to >= rows.front().first; --to) {
        if (next > 0 && rows[next - 1].first == to) {
            --next;
            std::memcpy(RecordAt(m_image, to), rows[next].second.data(), CONTACT_RECORD_SIZE);
        } else {
            m_image.CopyContactRecord(to, from--);
        }
    }
    m_image.SetContactCount(total);
}

void CContactEditor::Remember(Step step) {
    m_nUndoBytes += (step.removed.size() + step.added.size()) * CONTACT_RECORD_SIZE;
    m_undo.push_back(std::move(step));
    while (m_undo.size() > 1 &&
           (m_undo.size() > static_cast<size_t>(MAX_UNDO_STEPS) || m_nUndoBytes > MAX_UNDO_BYTES)) {
        m_nUndoBytes -= (m_undo.front().removed.size() + m_undo.front().added.size()) *
                        CONTACT_RECORD_SIZE;
        m_undo.pop_front();
    }
}

}  // namespace pendrak
