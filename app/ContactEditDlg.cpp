#include "app/ContactEditDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DisplayText.h"
#include "platform/CodePage.h"

namespace pendrak {

namespace {

struct FieldName {
    const char* key;
    const char* english;
};

constexpr FieldName kFieldNames[CONTACT_FIELD_COUNT] = {
    {"IDS_FIELD_CALLSIGN", "Callsign"}, {"IDS_FIELD_NAME", "Name"},
    {"IDS_FIELD_NICKNAME", "Nickname"}, {"IDS_FIELD_CITY", "City"},
    {"IDS_FIELD_STATE", "State"},       {"IDS_FIELD_COUNTRY", "Country"},
    {"IDS_FIELD_REMARKS", "Remarks"},
};

QString Red(const QString& html) {
    return QStringLiteral("<span style=\"color:#c00000\">%1</span>").arg(html);
}

}  // namespace

QString CContactEditDlg::FieldLabel(ContactField f) {
    return LangStringOr(kFieldNames[f].key, kFieldNames[f].english);
}

CContactEditDlg::CContactEditDlg(const CContactImage& image, int n, const CContactEditor& editor,
                                 QWidget* parent)
    : QDialog(parent), m_draft(image, n, GetProgramCodePage()), m_editor(editor) {
    setWindowTitle(n < 0 ? LangStringOr("IDS_EDIT_NEWTITLE", "New contact")
                         : LangStringOr("IDS_EDIT_TITLE", "Edit contact"));
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    const int width = fontMetrics().horizontalAdvance(QLatin1Char('M')) * 18;

    int row = 0;
    auto* idLabel = new QLabel(LangStringOr("IDS_FIELD_RADIOID", "Radio ID"), this);
    grid->addWidget(idLabel, row, 0);
    m_editRadioId = new QLineEdit(m_draft.RadioIdText(), this);
    idLabel->setBuddy(m_editRadioId);  // the field's name for a screen reader
    m_editRadioId->setObjectName(QStringLiteral("radioId"));
    m_editRadioId->setMinimumWidth(width);
    grid->addWidget(m_editRadioId, row++, 1);
    m_staticIdNote = new QLabel(this);
    m_staticIdNote->setTextFormat(Qt::PlainText);
    m_staticIdNote->setStyleSheet(QStringLiteral("color:#c00000"));
    grid->addWidget(m_staticIdNote, row++, 1, 1, 2);
    connect(m_editRadioId, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_draft.SetRadioIdText(text);
        UpdateRadioId();
    });

    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const auto field = static_cast<ContactField>(f);
        auto* label = new QLabel(FieldLabel(field), this);
        auto* edit = new QLineEdit(m_draft.FieldText(field), this);
        edit->setObjectName(QStringLiteral("field%1").arg(f));
        label->setBuddy(edit);
        auto* count = new QLabel(this);
        count->setTextFormat(Qt::PlainText);
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* note = new QLabel(this);
        note->setTextFormat(Qt::RichText);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(count, row++, 2);
        grid->addWidget(note, row++, 1, 1, 2);
        m_editFields[f] = edit;
        m_staticCounts[f] = count;
        m_staticNotes[f] = note;
        connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
            m_draft.SetFieldText(field, text);
            UpdateField(field);
        });
        UpdateField(field);
    }

    auto* buttons = new QDialogButtonBox(this);
    m_buttonOk = buttons->addButton(LangStringOr("IDS_OK", "OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(LangStringOr("IDS_CANCEL", "Cancel"), QDialogButtonBox::RejectRole);
    m_buttonOk->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_bIdOk) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    UpdateRadioId();
    (n < 0 ? m_editRadioId : m_editFields[CONTACT_CALLSIGN])->setFocus();
}

void CContactEditDlg::UpdateField(ContactField f) {
    const FieldFit fit = m_draft.Fit(f);
    const int width = ContactFieldWidth(f);
    const int used = static_cast<int>(fit.bytes.size());
    QLabel* count = m_staticCounts[f];
    count->setText(LangStringOr("IDS_EDIT_BYTES", "%1/%2 bytes").arg(used).arg(width));
    count->setStyleSheet(used > width ? QStringLiteral("color:#c00000") : QString());

    QLabel* note = m_staticNotes[f];
    // Said with the field: its bytes, and what will be stored when that differs.
    m_editFields[f]->setAccessibleDescription(count->text());
    if (!fit.IsCut() && !fit.bConverted) {
        note->clear();
        note->hide();
        return;
    }
    // The stored text, and the part that does not fit in red, struck out.
    QString stored = m_draft.KeptText(fit).toHtmlEscaped();
    if (fit.IsCut())
        stored += QStringLiteral("<s>%1</s>").arg(Red(m_draft.CutText(fit).toHtmlEscaped()));
    const char* key = fit.IsCut() ? "IDS_EDIT_CUT" : "IDS_EDIT_STORED";
    const char* english =
        fit.IsCut() ? "Stored as: %1 (the part in red does not fit)" : "Stored as: %1";
    note->setText(LangStringOr(key, english).toHtmlEscaped().arg(QStringLiteral("<b>%1</b>").arg(stored)));
    note->show();
    m_editFields[f]->setAccessibleDescription(
        count->text() + QStringLiteral(". ") + QTextDocumentFragment::fromHtml(note->text()).toPlainText());
    // The note's line needs room: the open window grows to it.
    if (isVisible()) QTimer::singleShot(0, this, [this] { resize(size().expandedTo(sizeHint())); });
}

void CContactEditDlg::UpdateRadioId() {
    int other = -1;
    QString problem;
    switch (m_draft.CheckRadioId(m_editor, &other)) {
    case RadioIdCheck::Ok:
        break;
    case RadioIdCheck::Empty:
        problem = LangStringOr("IDS_EDIT_IDEMPTY", "Enter the radio ID.");
        break;
    case RadioIdCheck::NotANumber:
        problem = LangStringOr("IDS_EDIT_IDNUMBER", "A radio ID has digits only.");
        break;
    case RadioIdCheck::OutOfRange:
        problem = LangStringOr("IDS_EDIT_IDRANGE", "A radio ID is 1 to %1.").arg(MAX_RADIO_ID);
        break;
    case RadioIdCheck::InUse:
        problem = LangStringOr("IDS_EDIT_IDUSED", "Contact %1 (%2) has this radio ID.")
                      .arg(other + 1)
                      .arg(FromProgramBytes(
                          m_editor.Image().GetContactFieldText(CONTACT_CALLSIGN, other)));
        break;
    }
    m_bIdOk = problem.isEmpty();
    m_staticIdNote->setText(problem);
    m_staticIdNote->setVisible(!m_bIdOk);
    m_editRadioId->setAccessibleDescription(problem);
    UpdateOk();
}

void CContactEditDlg::UpdateOk() {
    m_buttonOk->setEnabled(m_bIdOk);
}

}  // namespace pendrak
