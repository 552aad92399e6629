#include "app/ContactDraft.h"

#include "app/DisplayText.h"
#include "platform/TextConvert.h"

namespace pendrak {

CContactDraft::CContactDraft(const CContactImage& image, int n, int codePage)
    : m_nRow(n), m_codePage(codePage), m_converter(std::make_unique<CTextConverter>()) {
    // Not a code page the converter knows: the texts are kept as typed (UTF-8).
    if (!m_converter->Open(codePage, {}, nullptr)) m_converter.reset();
    if (n < 0) return;
    CTextDecoder decoder(codePage);
    m_original = GetContactRecordBytes(image, n);
    m_nOriginalId = image.GetContactRadioId(n);
    m_strRadioIdShown = m_strRadioId = QString::number(m_nOriginalId);
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        Field& field = m_fields[static_cast<size_t>(f)];
        field.original = std::string(image.GetContactFieldText(static_cast<ContactField>(f), n));
        field.shown = field.text = decoder.Decode(field.original);
    }
}

CContactDraft::~CContactDraft() = default;

FieldFit CContactDraft::Fit(ContactField f) const {
    const Field& field = m_fields[f];
    FieldFit fit;
    if (field.text == field.shown) {
        fit.bytes = field.original;
    } else {
        const std::string utf8 = field.text.toStdString();
        if (m_converter) {
            TextConvertStats stats;
            m_converter->Convert(utf8, fit.bytes, stats);
            fit.bConverted = stats.transliterated + stats.replaced > 0;
        } else {
            fit.bytes = utf8;
        }
    }
    fit.nKept = CharBoundaryCut(fit.bytes, static_cast<size_t>(ContactFieldWidth(f)), m_codePage);
    return fit;
}

QString CContactDraft::KeptText(const FieldFit& fit) const {
    return CTextDecoder(m_codePage).Decode(std::string_view(fit.bytes).substr(0, fit.nKept));
}

QString CContactDraft::CutText(const FieldFit& fit) const {
    return CTextDecoder(m_codePage).Decode(std::string_view(fit.bytes).substr(fit.nKept));
}

RadioIdCheck CContactDraft::CheckRadioId(const CContactEditor& editor, int* other) const {
    const QString text = m_strRadioId.trimmed();
    if (text.isEmpty()) return RadioIdCheck::Empty;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return RadioIdCheck::NotANumber;
    bool ok = false;
    const qlonglong id = text.toLongLong(&ok);
    if (!ok || id < 1 || id > MAX_RADIO_ID) return RadioIdCheck::OutOfRange;
    if (m_nRow >= 0 && id == m_nOriginalId) return RadioIdCheck::Ok;
    const int n = editor.FindRadioId(static_cast<int32_t>(id), m_nRow);
    if (n < 0) return RadioIdCheck::Ok;
    if (other) *other = n;
    return RadioIdCheck::InUse;
}

bool CContactDraft::HasChanges() const {
    if (m_nRow < 0 || m_strRadioId.trimmed() != m_strRadioIdShown) return true;
    for (const Field& field : m_fields)
        if (field.text != field.shown) return true;
    return false;
}

ContactRecordBytes CContactDraft::Record() const {
    std::string stored[CONTACT_FIELD_COUNT];
    std::string_view texts[CONTACT_FIELD_COUNT];
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const FieldFit fit = Fit(static_cast<ContactField>(f));
        stored[f] = fit.bytes.substr(0, fit.nKept);
        texts[f] = stored[f];
    }
    ContactRecordBytes record =
        MakeContactRecord(static_cast<int32_t>(m_strRadioId.trimmed().toLongLong()), texts);
    if (m_nRow < 0) return record;
    // What the editor did not show stays: the tag byte, and the bytes after
    // a field's end (the radio may keep more there than a text).
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const auto field = static_cast<ContactField>(f);
        if (m_fields[static_cast<size_t>(f)].text != m_fields[static_cast<size_t>(f)].shown)
            continue;
        const int at = ContactFieldOffset(field);
        std::copy_n(m_original.begin() + at, ContactFieldWidth(field), record.begin() + at);
    }
    record[0] = m_original[0];
    return record;
}

}  // namespace pendrak
