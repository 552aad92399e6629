// Editing single contacts of the image: change, add and remove records,
// keeping a list sorted by radio ID sorted, with undo.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

#include "contacts/ContactImage.h"

namespace pendrak {

// A record as the image stores it: tag byte, radio ID, the seven texts.
using ContactRecordBytes = std::array<unsigned char, CONTACT_RECORD_SIZE>;

ContactRecordBytes GetContactRecordBytes(const CContactImage& image, int n);
// A record with this radio ID and texts (each cut to its field's width),
// tag byte 3 as an imported contact has it (the cleared image's).
ContactRecordBytes MakeContactRecord(int32_t radioId,
                                     const std::string_view (&texts)[CONTACT_FIELD_COUNT]);
int32_t RecordRadioId(const ContactRecordBytes& record);

class CContactEditor {
public:
    // At least this many changes can be undone; fewer only when they
    // together hold more than MAX_UNDO_BYTES of records.
    static constexpr int MAX_UNDO_STEPS = 20;
    static constexpr size_t MAX_UNDO_BYTES = 64u << 20;

    explicit CContactEditor(CContactImage& image) : m_image(image) {}

    const CContactImage& Image() const { return m_image; }

    // The first contact other than `except` with this radio ID, or -1.
    int FindRadioId(int32_t radioId, int except = -1) const;

    // Each returns the index the record then has (-1: nothing was done).
    // A list sorted by radio ID stays sorted (the record goes after the
    // contacts of an equal ID); in an unsorted list a changed record keeps
    // its place and a new one goes last.
    int Replace(int n, const ContactRecordBytes& record);
    int Add(const ContactRecordBytes& record);  // -1 when the list is full
    // Rows out of range or repeated count once; false when none was removed.
    bool Remove(std::vector<int> rows);

    bool CanUndo() const { return !m_undo.empty(); }
    // Undoes the last change; the index of a contact it brought back (or
    // near where one went), -1 when there was nothing to undo.
    int Undo();
    // The image was replaced as a whole (a Read, an Import): nothing to undo.
    void ClearHistory() { m_undo.clear(); m_nUndoBytes = 0; }

private:
    using Placed = std::vector<std::pair<int, ContactRecordBytes>>;
    // One change: records taken out (their indexes before it) and put in
    // (their indexes after it), both ascending.
    struct Step {
        Placed removed, added;
    };

    bool IsSortedWithout(int skip) const;
    int SortedPlace(int32_t radioId, int skip) const;
    void Apply(const Placed& out, const Placed& in);
    void RemoveAt(const Placed& rows);
    void InsertAt(const Placed& rows);
    void Remember(Step step);

    CContactImage& m_image;
    std::deque<Step> m_undo;
    size_t m_nUndoBytes = 0;
};

}  // namespace pendrak
