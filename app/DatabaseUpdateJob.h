// The download of the user database for the dialog: on a thread of its own
// so that the window stays responsive, with its progress for the bar and a
// stop that ends it within a moment.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "csv/UserDatabase.h"

namespace pendrak {

class CDatabaseUpdateJob {
public:
    CDatabaseUpdateJob() = default;
    ~CDatabaseUpdateJob() { Stop(); }
    CDatabaseUpdateJob(const CDatabaseUpdateJob&) = delete;
    CDatabaseUpdateJob& operator=(const CDatabaseUpdateJob&) = delete;

    // Starts the download of `url` into `path`; false while one runs.
    bool Start(const std::string& url, const std::string& path, const std::string& userAgent);
    bool Running() const { return m_bStarted && !m_bFinished.load(); }
    bool Finished() const { return m_bStarted && m_bFinished.load(); }
    // Asks the download to end (within 0.1 s); Finished follows.
    void RequestStop() { m_bStop = true; }
    // Asks the download to end and waits for its thread.
    void Stop();
    // Once Finished: waits for the thread and hands over the outcome; the
    // job is idle again.
    DatabaseDownloadResult TakeResult();

    int64_t Received() const { return m_nReceived.load(); }
    int64_t Total() const { return m_nTotal.load(); }  // -1 when unknown
    // 0 to 100 when the total is known, else -1.
    int Percent() const;
    const std::string& Path() const { return m_strPath; }

private:
    std::unique_ptr<std::thread> m_pThread;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bFinished{false};
    std::atomic<int64_t> m_nReceived{0};
    std::atomic<int64_t> m_nTotal{-1};
    bool m_bStarted = false;
    std::string m_strPath;
    DatabaseDownloadResult m_result;  // written by the thread before m_bFinished
};

// The status line's words for a running download: "Downloading: 3.2 of
// 17.0 MB" (or without the total when it is unknown).
std::string DownloadProgressText(int64_t received, int64_t total, const ReportTextFn& text);

}  // namespace pendrak
