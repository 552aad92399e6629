// Verify (setting verify=1): the Write's read-back, its progress and what
// it found.
#include "app/DisplayText.h"
#include "app/PendrakDlg.h"
#include "contacts/ContactImageFile.h"
#include "settings/AppData.h"

namespace pendrak {

QString CPendrakDlg::VerifyOutcomeText() const {
    const int offset = m_job.nMismatchOffset.load();
    if (offset < 0) return LangStringOr("IDS_ERR_VERIFYREAD", "Reading the radio back failed.");
    const ImageOffsetPlace place = LocateImageOffset(offset);
    if (place.kind != ImageOffsetPlace::Record)
        return LangStringOr("IDS_ERR_VERIFYAT", "Verify failed: image byte %1 differs.")
            .arg(offset);
    // Numbered as the list's rows are.
    return LangStringOr("IDS_ERR_VERIFY", "Verify failed: contact %1 (radio ID %2) differs.")
        .arg(QString::number(place.nRecord + 1),
             QString::number(theAppData.m_contacts.GetContactRadioId(place.nRecord)));
}

}  // namespace pendrak
