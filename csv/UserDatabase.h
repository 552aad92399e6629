// The user database (the worldwide list of DMR users) fetched over HTTP into
// a local file: asked for only when changed, put in place only when whole
// and a contact list, and never replaced by a list half as long.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "csv/ImportReport.h"
#include "platform/HttpClient.h"

namespace pendrak {

extern const char DEFAULT_DATABASE_URL[];

// What is known of a downloaded list, kept beside it in FILE.meta.
struct DatabaseInfo {
    std::string strUrl;
    std::string strEtag;
    std::string strLastModified;  // as the server wrote it
    long long nLines = 0;
    long long nBytes = 0;
    int64_t nChecked = 0;   // Unix time the server last answered for it (200 or 304)
    int64_t nListDate = 0;  // Unix time of Last-Modified, else of the download
};

std::string DatabaseInfoPath(const std::string& listPath);
// False when there is no readable FILE.meta; a list without one has no
// known age or validators.
bool LoadDatabaseInfo(const std::string& listPath, DatabaseInfo& info);
bool SaveDatabaseInfo(const std::string& listPath, const DatabaseInfo& info);

// The cache folder's user.csv; empty when the system names no such folder.
std::string DefaultDatabasePath();

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT") as Unix time; 0 when it is
// not one.
int64_t ParseHttpDate(const std::string& text);
// "2026-12-08" (UTC).
std::string FormatIsoDate(int64_t unixTime);

struct DatabaseDownloadRequest {
    HttpRequest http;       // the URL, time-outs, user agent, stop flag
    std::string strPath;    // the list to fetch into
    bool bForce = false;    // take a list even when it is less than half the last one
    std::function<void(int64_t received, int64_t total)> progress;
};

struct DatabaseDownloadResult {
    enum Outcome {
        Downloaded,  // a new list is in place
        Unchanged,   // the server has nothing newer (304): the file is as it was
        Failed,      // the network, the server or the file failed: the old list kept
        Refused,     // what came is no list, or too short: the old list kept
        Stopped,     // stopped on request: the old list kept
    } outcome = Failed;
    std::string strMessage;  // for Failed and Refused, in English, naming the cause
    DatabaseInfo info;       // of the list in place after the run
    long long nPreviousLines = 0;
    HttpResult http;
};

// One request: conditional when the list and its FILE.meta exist. The body
// goes to a hidden file beside the list, which replaces the list only once
// complete and checked; every other end removes it.
DatabaseDownloadResult DownloadDatabase(const DatabaseDownloadRequest& request, int64_t now);

// Request defaults from the environment: PENDRAK_TIMEOUT_SCALE multiplies
// the time-outs; PENDRAK_TEST_CA_FILE names the one CA to trust (tests).
void ApplyHttpEnvironment(HttpRequest& request);

// "User database of 2026-12-08, 1 day old", in the user's language; older
// than STALE_DATABASE_DAYS it says so.
constexpr int STALE_DATABASE_DAYS = 30;
std::string FormatDatabaseAge(const DatabaseInfo& info, int64_t now, const ReportTextFn& text);

// "unchanged since 2026-12-08".
std::string FormatUnchanged(const DatabaseInfo& info, const ReportTextFn& text);

}  // namespace pendrak
