// A running job's button stops it (a Write asks first, as closing the window
// does), and a Write asks before it replaces the radio's list, naming both
// lists; the radio's count comes from its own header.
#include <QPushButton>

#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/JobProgress.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

QString WriteConfirmQuestion(int writing, int radioHolds) {
    // A count the radio cannot hold: erased memory, which a Read shows empty.
    if (radioHolds <= 0 || radioHolds > MAX_CONTACTS)
        return LangStringOr("IDS_ASK_WRITEEMPTY", "Write %1 contacts to the radio? It holds none now.")
            .arg(GroupedNumber(writing));
    return LangStringOr("IDS_ASK_WRITE", "Write %1 contacts to the radio, replacing the %2 it holds?")
        .arg(GroupedNumber(writing), GroupedNumber(radioHolds));
}

}  // namespace

void CPendrakDlg::ShowStopButton(bool stop) {
    auto* read = static_cast<QPushButton*>(GetDlgItem(IDC_READ));
    auto* write = static_cast<QPushButton*>(GetDlgItem(IDC_WRITE));
    if (!m_bRadioJobActive) {
        // Another job (the user database's download): Read and Write wait.
        read->setEnabled(!stop);
        write->setEnabled(!stop);
        return;
    }
    QPushButton* busy = m_job.nMode.load() == JOB_MODE_READ ? read : write;
    if (stop && m_strBusyButtonText.isNull()) {
        m_strBusyButtonText = busy->text();
        busy->setText(LangStringOr("IDS_STOP", "Stop"));
    } else if (!stop && !m_strBusyButtonText.isNull()) {
        busy->setText(m_strBusyButtonText);
        m_strBusyButtonText.clear();  // null again
    }
    busy->setEnabled(true);
    (busy == read ? write : read)->setEnabled(!stop);
}

void CPendrakDlg::OnStopJob() {
    if (!m_bRadioJobActive || m_bAsking || IsJobEndState(m_job.nState.load())) return;
    if (m_job.nMode.load() == JOB_MODE_WRITE) {
        m_bAsking = true;
        const bool yes = DialogServices().AskYesNo(
            this,
            LangStringOr("IDS_ASK_STOPWRITEBUTTON",
                         "A Write is under way. Stopping it now leaves the radio with part of the "
                         "new list and part of the old one.\n\nStop the Write?"),
            LangString("IDS_PROMPT_WRITE"));
        m_bAsking = false;
        if (!yes) {
            FocusList();
            return;
        }
    }
    // The worker stops between blocks and tells where, as any failure does.
    m_job.bStopRequested = true;
}

void CPendrakDlg::OnWriteConfirm() {
    // The timer runs on under the question: ask once.
    if (m_bAsking || m_job.nConfirmAnswer.load() != 0) return;
    m_bAsking = true;
    bool noMore = false;
    const bool yes = DialogServices().AskYesNoCheck(
        this,
        WriteConfirmQuestion(theAppData.m_contacts.GetContactCount(), m_job.nRadioCount.load()),
        LangString("IDS_PROMPT_WRITE"), LangStringOr("IDS_ASK_NOMORE", "Do not ask again"),
        &noMore);
    // Kept once the user said yes, before the first block goes.
    const bool go = yes && KeepWriteBackup();
    m_bAsking = false;
    if (yes && noMore &&
        WriteSettingValues(theAppData.m_strSettingFile, {{"confirm_write", "0"}}, nullptr))
        theAppData.m_bConfirmWrite = 0;
    m_job.nConfirmAnswer = go ? 1 : -1;
}

}  // namespace pendrak
