#include "app/DatabaseUpdateJob.h"

#include <cstdio>
#include <ctime>

namespace pendrak {

bool CDatabaseUpdateJob::Start(const std::string& url, const std::string& path,
                               const std::string& userAgent) {
    if (Running()) return false;
    if (m_pThread && m_pThread->joinable()) m_pThread->join();
    m_bStop = false;
    m_bFinished = false;
    m_nReceived = 0;
    m_nTotal = -1;
    m_strPath = path;
    m_bStarted = true;
    DatabaseDownloadRequest request;
    request.http.strUrl = url;
    request.http.strUserAgent = userAgent;
    request.http.pStop = &m_bStop;
    ApplyHttpEnvironment(request.http);
    request.strPath = path;
    request.progress = [this](int64_t received, int64_t total) {
        m_nReceived = received;
        m_nTotal = total;
    };
    m_pThread = std::make_unique<std::thread>([this, request] {
        m_result = DownloadDatabase(request, std::time(nullptr));
        m_bFinished = true;
    });
    return true;
}

void CDatabaseUpdateJob::Stop() {
    m_bStop = true;
    if (m_pThread && m_pThread->joinable()) m_pThread->join();
}

DatabaseDownloadResult CDatabaseUpdateJob::TakeResult() {
    if (m_pThread && m_pThread->joinable()) m_pThread->join();
    m_bStarted = false;
    return m_result;
}

int CDatabaseUpdateJob::Percent() const {
    const int64_t total = m_nTotal.load();
    if (total <= 0) return -1;
    const int64_t received = m_nReceived.load();
    return received >= total ? 100 : static_cast<int>(received * 100 / total);
}

std::string DownloadProgressText(int64_t received, int64_t total, const ReportTextFn& text) {
    auto megabytes = [](int64_t bytes) {
        char out[32];
        std::snprintf(out, sizeof out, "%.1f", static_cast<double>(bytes) / 1e6);
        return std::string(out);
    };
    std::string pattern = total > 0
                              ? text("IDS_DB_PROGRESS", "Downloading: %1 of %2 MB")
                              : text("IDS_DB_PROGRESS_NOTOTAL", "Downloading: %1 MB");
    if (const size_t at = pattern.find("%1"); at != std::string::npos)
        pattern.replace(at, 2, megabytes(received));
    if (const size_t at = pattern.find("%2"); at != std::string::npos)
        pattern.replace(at, 2, megabytes(total));
    return pattern;
}

}  // namespace pendrak
