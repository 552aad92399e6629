// The contact editor: every field of one contact, with its limit in bytes
// of the radio's code page shown as the user types, and what will be cut.
#pragma once

#include <QDialog>
#include <array>

#include "app/ContactDraft.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pendrak {

class CContactEditDlg : public QDialog {
    Q_OBJECT
public:
    // The contact at n (a new one for n = -1); editor answers whether an ID
    // is taken. The draft's texts are in the program's code page.
    CContactEditDlg(const CContactImage& image, int n, const CContactEditor& editor,
                    QWidget* parent);

    const CContactDraft& Draft() const { return m_draft; }
    QLineEdit* RadioIdEdit() const { return m_editRadioId; }
    QLineEdit* FieldEdit(ContactField f) const { return m_editFields[f]; }
    QLabel* RadioIdNote() const { return m_staticIdNote; }
    QLabel* FieldCount(ContactField f) const { return m_staticCounts[f]; }
    QLabel* FieldNote(ContactField f) const { return m_staticNotes[f]; }
    QPushButton* OkButton() const { return m_buttonOk; }

    // The heading of a field, as the editor and the list show it.
    static QString FieldLabel(ContactField f);

private:
    void UpdateField(ContactField f);
    void UpdateRadioId();
    void UpdateOk();

    CContactDraft m_draft;
    const CContactEditor& m_editor;
    bool m_bIdOk = false;
    QLineEdit* m_editRadioId = nullptr;
    QLabel* m_staticIdNote = nullptr;
    std::array<QLineEdit*, CONTACT_FIELD_COUNT> m_editFields{};
    std::array<QLabel*, CONTACT_FIELD_COUNT> m_staticCounts{};
    std::array<QLabel*, CONTACT_FIELD_COUNT> m_staticNotes{};
    QPushButton* m_buttonOk = nullptr;
};

}  // namespace pendrak
