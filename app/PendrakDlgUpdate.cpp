// "Update from the user database…": the download as a job with the
// progress bar, then its list loaded as an Import loads a file, and the
// list's age in the status line.
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <ctime>

#include "app/DatabaseUpdateJob.h"
#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/ImportReportView.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"
#include "settings/AppData.h"

namespace pendrak {

QString CPendrakDlg::UpdateMenuText() const {
    if (m_pDatabaseJob && m_pDatabaseJob->Running())
        return LangStringOr("IDS_DB_CANCEL", "Cancel the download");
    return LangStringOr("IDS_DB_UPDATE", "Update from the user database…");
}

bool CPendrakDlg::IsDatabaseUpdateRunning() const {
    return m_pDatabaseJob && m_pDatabaseJob->Running();
}

void CPendrakDlg::OnUpdateFromDatabase() {
    if (IsDatabaseUpdateRunning()) {
        // The job ends within a moment; the timer reports it.
        StopDatabaseUpdate(false);
        return;
    }
    if (IsJobRunning()) return;
    const std::string path = DefaultDatabasePath();
    if (path.empty()) {
        AppMessageBox(this,
                      LangStringOr("IDS_DB_NOCACHE",
                                   "There is no folder for the user database (HOME or "
                                   "LOCALAPPDATA is not set)."),
                      BoxIcon::Error);
        return;
    }
    if (!m_pDatabaseJob) m_pDatabaseJob = std::make_unique<CDatabaseUpdateJob>();
    const std::string url =
        theAppData.m_strDatabaseUrl.empty() ? DEFAULT_DATABASE_URL : theAppData.m_strDatabaseUrl;
    // The image stays as it is until the list has come; Read and Write
    // wait, as during a radio job.
    theAppData.m_bRadioBusy = 1;
    m_bJobActive = true;
    SetJobControlsEnabled(false);
    m_progress->setValue(0);
    m_staticStatus->SetFullText(QString::fromStdString(DownloadProgressText(0, -1, DialogReportText())));
    m_pDatabaseJob->Start(url, path, std::string("pendrak/") + PENDRAK_VERSION);
}

void CPendrakDlg::StopDatabaseUpdate(bool wait) {
    if (!m_pDatabaseJob) return;
    if (!wait) {
        m_pDatabaseJob->RequestStop();
        return;
    }
    if (!m_pDatabaseJob->Running() && !m_pDatabaseJob->Finished()) return;
    m_pDatabaseJob->Stop();
    m_pDatabaseJob->TakeResult();
    // Nobody will report this job: the window is going.
    theAppData.m_bRadioBusy = 0;
    m_bJobActive = false;
}

void CPendrakDlg::PollDatabaseUpdate() {
    if (!m_pDatabaseJob) return;
    if (m_pDatabaseJob->Running()) {
        const int percent = m_pDatabaseJob->Percent();
        if (percent >= 0) m_progress->setValue(percent * PROGRESS_RANGE / 100);
        m_staticStatus->SetFullText(QString::fromStdString(DownloadProgressText(
            m_pDatabaseJob->Received(), m_pDatabaseJob->Total(), DialogReportText())));
        return;
    }
    if (!m_pDatabaseJob->Finished()) return;
    const DatabaseDownloadResult result = m_pDatabaseJob->TakeResult();
    ReportJobEnd();
    switch (result.outcome) {
        case DatabaseDownloadResult::Stopped:
            m_staticStatus->SetFullText(LangStringOr("IDS_DB_CANCELLED", "Download cancelled; nothing changed."));
            return;
        case DatabaseDownloadResult::Failed:
        case DatabaseDownloadResult::Refused:
            m_staticStatus->SetFullText(LangStringOr("IDS_DB_FAILEDSTATUS", "The download failed."));
            AppMessageBox(this,
                          LangStringOr("IDS_DB_FAILED",
                                       "The user database could not be downloaded:\n%1\n\nThe "
                                       "list shown and the list kept are unchanged.")
                              .arg(QString::fromStdString(result.strMessage)),
                          BoxIcon::Error);
            return;
        case DatabaseDownloadResult::Downloaded:
        case DatabaseDownloadResult::Unchanged:
            break;
    }
    m_progress->setValue(PROGRESS_RANGE);
    const QString age = QString::fromStdString(
        FormatDatabaseAge(result.info, std::time(nullptr), DialogReportText()));
    m_staticStatus->SetFullText(age);
    if (!ImportFile(QFile::decodeName(QByteArray::fromStdString(m_pDatabaseJob->Path())), false)) return;
    m_staticStatus->SetFullText(
        LangStringOr("IDS_DB_STATUS", "%1; %2").arg(age, m_staticStatus->FullText()));
}

}  // namespace pendrak
