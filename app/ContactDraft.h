// What the contact editor decides without its widgets: how each typed text
// will be stored in the radio's code page (converted as an import converts,
// cut to its field), and whether the radio ID may be taken.
#pragma once

#include <QString>
#include <array>
#include <memory>
#include <string>

#include "contacts/ContactEdit.h"

namespace pendrak {

class CTextConverter;

// A typed text as it will be stored.
struct FieldFit {
    std::string bytes;      // converted, before the cut
    size_t nKept = 0;       // the bytes that fit: a prefix ending on a character
    bool bConverted = false;  // some character is stored as another (é as e) or '?'
    bool IsCut() const { return nKept < bytes.size(); }
};

enum class RadioIdCheck { Ok, Empty, NotANumber, OutOfRange, InUse };

class CContactDraft {
public:
    // The contact at n of image, or a new, empty one for n = -1; texts in
    // codePage.
    CContactDraft(const CContactImage& image, int n, int codePage);
    ~CContactDraft();

    int Row() const { return m_nRow; }
    QString RadioIdText() const { return m_strRadioId; }
    void SetRadioIdText(const QString& text) { m_strRadioId = text; }
    QString FieldText(ContactField f) const { return m_fields[f].text; }
    void SetFieldText(ContactField f, const QString& text) { m_fields[f].text = text; }

    FieldFit Fit(ContactField f) const;
    // The kept and the cut part of a field, for display.
    QString KeptText(const FieldFit& fit) const;
    QString CutText(const FieldFit& fit) const;

    // *other gets the contact that holds the ID already (InUse). An ID the
    // contact had before is its own, even where a damaged list repeats it.
    RadioIdCheck CheckRadioId(const CContactEditor& editor, int* other = nullptr) const;
    bool HasChanges() const;
    // The record to store; fields not typed in keep their bytes exactly,
    // tag byte included. Only when CheckRadioId() is Ok.
    ContactRecordBytes Record() const;

private:
    struct Field {
        std::string original;  // the stored bytes
        QString shown;         // as the editor opened
        QString text;          // as typed
    };

    int m_nRow;
    int m_codePage;
    ContactRecordBytes m_original{};
    int32_t m_nOriginalId = 0;
    QString m_strRadioIdShown;
    QString m_strRadioId;
    std::array<Field, CONTACT_FIELD_COUNT> m_fields;
    std::unique_ptr<CTextConverter> m_converter;
};

}  // namespace pendrak
