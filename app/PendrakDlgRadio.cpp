// Read and Write: the connection check on the dialog's thread, the worker on
// a thread of its own, and the 20 ms timer that shows progress and outcome.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>
#include <system_error>

#include "app/DialogMessages.h"
#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/JobProgress.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"
#include "radio/RadioLink.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

// The connection check's failure, kept for the box that follows it.
class CDlgRadioMessages : public IRadioMessages {
public:
    void RadioFailed(const char* key) override { m_key = key; }
    const char* m_key = nullptr;
};

}  // namespace

// While its job runs, the button stops it.
void CPendrakDlg::OnBnClickedRead() {
    if (m_bRadioJobActive) OnStopJob();
    else if (!IsJobRunning()) StartRadioJob(JOB_MODE_READ);
}

void CPendrakDlg::OnBnClickedWrite() {
    if (m_bRadioJobActive) OnStopJob();
    else if (!IsJobRunning()) StartRadioJob(JOB_MODE_WRITE);
}

void CPendrakDlg::StartRadioJob(int mode) {
    if (theAppData.m_bRadioBusy) return;
    ReloadSettings();  // a hand edit of setting.txt counts from now
    theAppData.m_bRadioBusy = 1;

    SetRadioAddress(theAppData.m_strRadio.empty() ? std::string("usb") : theAppData.m_strRadio);
    // Only a Write may make a fresh emulated radio; a Read must find one.
    SetRadioMayCreate(mode == JOB_MODE_WRITE);
    // A silent radio holds the check for seconds: show the wait cursor.
    CDlgRadioMessages messages;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool connected = ConnectRadio(messages);
    QApplication::restoreOverrideCursor();
    if (!connected) {
        if (messages.m_key) {
            QString text = LangString(messages.m_key);
            // Why the link would not open (a permission, a path) helps the user most;
            // for the emulator or a TCP radio the USB text would mislead.
            QString why = QString::fromUtf8(RadioOpenFailure());
            if (std::string(messages.m_key) == "IDS_ERR_PORTCONN" && !why.isEmpty()) {
                if (RadioAddressIsUsb()) {
                    text += QStringLiteral("\n\n") + why;
                } else {
                    why[0] = why[0].toUpper();  // a sentence of its own in the box
                    text = why;
                }
            }
            DialogServices().MessageBox(this, text, LangString("IDS_ERROR"), BoxIcon::Error);
        }
        theAppData.m_bRadioBusy = 0;
        return;
    }
    // Asked once the radio has said how many it holds; the backup then
    // follows the answer. Nothing to send replaces nothing: no question.
    const bool ask = mode == JOB_MODE_WRITE && theAppData.m_bConfirmWrite != 0 &&
                     theAppData.m_contacts.GetContactCount() > 0;
    if (mode == JOB_MODE_WRITE && !ask && !KeepWriteBackup()) {
        RadioClose();
        theAppData.m_bRadioBusy = 0;
        return;
    }

    // The previous worker has ended (its outcome was reported): reap it.
    if (m_pJobThread && m_pJobThread->joinable()) m_pJobThread->join();
    m_job.nMode = mode;
    m_job.nState = JOB_IDLE;
    m_job.nProgress = 0;
    m_job.bStopRequested = false;
    m_job.pImage = &theAppData.m_contacts;
    if (mode == JOB_MODE_READ) {
        // Into a copy: a Read that fails leaves the list shown as it was.
        SpareImage().CopyFrom(theAppData.m_contacts);
        m_job.pImage = &SpareImage();
    }
    m_job.bVerify = mode == JOB_MODE_WRITE && theAppData.m_bVerify != 0;
    m_job.bConfirmWrite = ask;
    m_job.nConfirmAnswer = 0;

    m_bJobActive = true;
    m_bRadioJobActive = true;
    SetJobControlsEnabled(false);
    try {
        m_pJobThread = std::make_unique<std::thread>(RadioJobThread, &m_job);
    } catch (const std::system_error&) {
        // No worker: the job fails as a whole, with its usual message.
        RadioClose();
        m_job.nState = mode == JOB_MODE_READ ? JOB_READ_FAILED : JOB_WRITE_FAILED;
    }
}

CContactImage& CPendrakDlg::SpareImage() {
    if (!m_pSpareImage) m_pSpareImage = std::make_unique<CContactImage>();
    return *m_pSpareImage;
}

void CPendrakDlg::SetJobControlsEnabled(bool enabled) {
    ShowStopButton(!enabled);
    GetDlgItem(IDC_IMPORT)->setEnabled(enabled);
    GetDlgItem(IDC_EXPORT)->setEnabled(enabled);
    m_editPage->setEnabled(enabled);
    m_findBar->Edit()->setEnabled(enabled);
    UpdatePageControls();
#ifdef Q_OS_WIN
    RefreshSystemMenu();
#endif
}

void CPendrakDlg::ReportJobEnd() {
    theAppData.m_bRadioBusy = 0;
    m_bJobActive = false;
    SetJobControlsEnabled(true);
    m_bRadioJobActive = false;
}

void CPendrakDlg::OnTimer(int nIDEvent) {
    if (nIDEvent != ID_TIMER_JOB) return;
    const int32_t state = m_job.nState.load();
    switch (state) {
    case JOB_READING:
    case JOB_WRITING:
    case JOB_VERIFYING: {
        const int percent = std::clamp(m_job.nProgress.load(), 0, 100);
        // A tick renames the line for a screen reader without speaking over it.
        m_staticStatus->SetFullText(JobProgressText(state, m_job.nBytesDone.load(),
                                                    m_job.nBytesTotal.load(), percent),
                                    false);
        m_progress->setValue(percent * PROGRESS_RANGE / 100);
        break;
    }
    case JOB_WRITE_CONFIRM:
        OnWriteConfirm();
        break;
    case JOB_WRITE_CANCELLED:
        m_job.nState = JOB_IDLE;
        if (m_pJobThread && m_pJobThread->joinable()) m_pJobThread->join();
        m_progress->setValue(0);
        m_staticStatus->SetFullText(LangStringOr("IDS_WRITE_CANCELLED", "Nothing was written."));
        ReportJobEnd();
        FocusList();
        break;
    case JOB_READ_FAILED:
    case JOB_WRITE_FAILED:
    case JOB_VERIFY_FAILED:
    case JOB_READ_DONE:
    case JOB_WRITE_DONE: {
        // A question about closing is open: its answer decides what follows.
        if (m_bAsking) break;
        m_job.nState = JOB_IDLE;
        // The worker posts its end state last; it is returning, or gone.
        if (m_pJobThread && m_pJobThread->joinable()) m_pJobThread->join();
        // The bar shows where the job ended, not the last tick's percent.
        const int reached = state == JOB_READ_DONE || state == JOB_WRITE_DONE
                                ? 100
                                : std::clamp(m_job.nProgress.load(), 0, 100);
        m_progress->setValue(reached * PROGRESS_RANGE / 100);
        QString text;
        const char* caption = "IDS_ERROR";
        BoxIcon icon = BoxIcon::Error;
        QString backupWarning;
        QString status;  // when the box's text is too long for the status line
        QString detail;  // where a failed job stopped, why, and what the radio holds
        const QString why = QString::fromUtf8(RadioLinkFault());
        if (state == JOB_READ_FAILED) {
            text = LangString("IDS_ERR_READ");
            detail = JobFailureDetail(m_job, why);
        } else if (state == JOB_WRITE_FAILED) {
            text = LangString("IDS_ERR_WRITE");
            detail = JobFailureDetail(m_job, why);
            if (const QString left = IncompleteRadioText(m_job, m_strWriteBackup); !left.isEmpty())
                detail += QStringLiteral("\n\n") + left;
        } else if (state == JOB_VERIFY_FAILED) {
            text = VerifyOutcomeText();
            status = LangStringOr("IDS_ERR_VERIFYSTATUS", "Verify failed.");
        } else if (state == JOB_READ_DONE) {
            theAppData.m_contacts.CopyFrom(SpareImage());
            OnContactsReplaced();
            m_unwritten.ReadFromRadio();
            // As the radio holds it, before the sort: a Write restores it exactly.
            backupWarning = KeepReadBackup();
            theAppData.m_contacts.SortContactsByRadioId();
            ShowContactPage();
            text = LangString("IDS_PROMPT_READSUCC");
            status = LangStringOr("IDS_PROMPT_READCOUNT", "Contacts read from the radio: %1.")
                         .arg(theAppData.m_contacts.GetContactCount());
            caption = "IDS_PROMPT_READ";
            icon = BoxIcon::Information;
        } else {
            m_unwritten.Written();
            text = m_job.bVerify ? LangStringOr("IDS_PROMPT_VERIFYSUCC", "Written and verified.")
                                 : LangString("IDS_PROMPT_WRITESUCC");
            caption = "IDS_PROMPT_WRITE";
            icon = BoxIcon::Information;
        }
        // A failure keeps its step and cause in view once the box is gone.
        if (status.isEmpty() && (state == JOB_READ_FAILED || state == JOB_WRITE_FAILED)) {
            QString where = JobFailureDetail(m_job, why);
            status = (text + QLatin1Char(' ') + where.replace(QLatin1Char('\n'), QLatin1Char(' ')))
                         .trimmed();
        }
        m_staticStatus->SetFullText(status.isEmpty() ? text : status);
        // A verify failure names its place itself; the others say where and why.
        if (detail.isEmpty() && state == JOB_VERIFY_FAILED && !why.isEmpty()) detail = why;
        DialogServices().MessageBox(
            this, detail.isEmpty() ? text : text + QStringLiteral("\n\n") + detail,
            LangString(caption), icon);
        if (!backupWarning.isEmpty()) AppMessageBox(this, backupWarning, BoxIcon::Warning);
        ReportJobEnd();
        FocusList();
        break;
    }
    default:
        break;
    }
}

bool CPendrakDlg::MayClose() {
    const bool writing = IsJobRunning() && m_job.nMode.load() == JOB_MODE_WRITE;
    const CloseAsk ask = CloseQuestionFor(writing, m_unwritten);
    if (ask == CloseAsk::Nothing) return true;
    m_bAsking = true;
    const bool yes = DialogServices().AskYesNo(
        this, ask == CloseAsk::StopWrite ? StopWriteQuestion() : m_unwritten.DropQuestion(),
        AppName());
    m_bAsking = false;
    if (!yes) {
        FocusList();
        return false;
    }
    if (ask != CloseAsk::StopWrite) return true;
    if (!IsJobEndState(m_job.nState.load())) {
        StopJob();
        const QString left = IncompleteRadioText(m_job, m_strWriteBackup);
        if (!left.isEmpty()) AppMessageBox(this, left, BoxIcon::Warning);
    } else {
        // It ended while the question was open: its outcome is told as usual.
        OnTimer(ID_TIMER_JOB);
    }
    return true;
}

void CPendrakDlg::StopJob() {
    StopDatabaseUpdate(true);
    if (!m_pJobThread || !m_pJobThread->joinable()) return;
    m_job.bStopRequested = true;
    m_pJobThread->join();
    if (m_bJobActive) {
        // Nobody will report this job: the window is going.
        m_job.nState = JOB_IDLE;
        theAppData.m_bRadioBusy = 0;
        m_bJobActive = false;
        m_bRadioJobActive = false;
    }
}

}  // namespace pendrak
