// What is kept beside a downloaded list, its dates and its age in words.
#include "csv/UserDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/System.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pendrak {

const char DEFAULT_DATABASE_URL[] = "https://radioid.net/static/user.csv";

namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

std::string Fill(std::string pattern, const std::string& a, const std::string& b) {
    for (const auto& [mark, value] : {std::pair<const char*, const std::string&>{"%1", a}, {"%2", b}})
        if (const size_t at = pattern.find(mark); at != std::string::npos) pattern.replace(at, 2, value);
    return pattern;
}

}  // namespace

std::string DatabaseInfoPath(const std::string& listPath) {
    return listPath + ".meta";
}

bool LoadDatabaseInfo(const std::string& listPath, DatabaseInfo& info) {
    std::FILE* f = std::fopen(DatabaseInfoPath(listPath).c_str(), "rb");
    if (!f) return false;
    info = DatabaseInfo();
    char line[2048];
    while (std::fgets(line, sizeof line, f)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const size_t eq = text.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = text.substr(0, eq), value = text.substr(eq + 1);
        if (key == "url") info.strUrl = value;
        else if (key == "etag") info.strEtag = value;
        else if (key == "last_modified") info.strLastModified = value;
        else if (key == "lines") info.nLines = std::atoll(value.c_str());
        else if (key == "bytes") info.nBytes = std::atoll(value.c_str());
        else if (key == "checked") info.nChecked = std::atoll(value.c_str());
        else if (key == "list_date") info.nListDate = std::atoll(value.c_str());
    }
    std::fclose(f);
    return true;
}

bool SaveDatabaseInfo(const std::string& listPath, const DatabaseInfo& info) {
    const std::string path = DatabaseInfoPath(listPath);
    const std::string temp = path + ".new";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    const int written = std::fprintf(
        f, "url=%s\netag=%s\nlast_modified=%s\nlines=%lld\nbytes=%lld\nchecked=%lld\nlist_date=%lld\n",
        info.strUrl.c_str(), info.strEtag.c_str(), info.strLastModified.c_str(), info.nLines,
        info.nBytes, static_cast<long long>(info.nChecked), static_cast<long long>(info.nListDate));
    const bool ok = std::fclose(f) == 0 && written > 0;
#ifdef _WIN32
    if (ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
#else
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
#endif
    std::remove(temp.c_str());
    return false;
}

std::string DefaultDatabasePath() {
    const std::string dir = UserCacheDir();
#ifdef _WIN32
    return dir.empty() ? dir : dir + "\\user.csv";
#else
    return dir.empty() ? dir : dir + "/user.csv";
#endif
}

int64_t ParseHttpDate(const std::string& text) {
    // RFC 7231's preferred form; the obsolete ones are not sent by servers
    // of today.
    static const char* const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char month[4] = "";
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    const size_t comma = text.find(", ");
    if (comma == std::string::npos ||
        std::sscanf(text.c_str() + comma + 2, "%2d %3s %4d %2d:%2d:%2d", &day, month, &year, &hour,
                    &minute, &second) != 6)
        return 0;
    for (unsigned m = 0; m < 12; ++m) {
        if (std::strcmp(month, MONTHS[m]) != 0) continue;
        if (day < 1 || day > 31 || year < 1970 || hour > 23 || minute > 59 || second > 60) return 0;
        return DaysFromCivil(year, m + 1, static_cast<unsigned>(day)) * 86400 + hour * 3600 +
               minute * 60 + second;
    }
    return 0;
}

std::string FormatIsoDate(int64_t unixTime) {
    int64_t days = unixTime / 86400;
    if (unixTime % 86400 < 0) --days;
    int y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", y, m, d);
    return text;
}

void ApplyHttpEnvironment(HttpRequest& request) {
    if (const char* scale = std::getenv("PENDRAK_TIMEOUT_SCALE")) {
        const double factor = std::atof(scale);
        if (factor > 0 && factor <= 100) {
            request.nConnectTimeoutMs = static_cast<int>(request.nConnectTimeoutMs * factor);
            request.nStallTimeoutMs = static_cast<int>(request.nStallTimeoutMs * factor);
        }
    }
    if (const char* ca = std::getenv("PENDRAK_TEST_CA_FILE"); ca && *ca) request.strExtraCaFile = ca;
}

std::string FormatDatabaseAge(const DatabaseInfo& info, int64_t now, const ReportTextFn& text) {
    const int64_t date = info.nListDate > 0 ? info.nListDate : info.nChecked;
    const std::string day = FormatIsoDate(date);
    const int64_t days = now > date ? (now - date) / 86400 : 0;
    if (days > STALE_DATABASE_DAYS)
        return Fill(text("IDS_DB_AGE_STALE",
                         "Out of date: user database of %1, %2 days old"),
                    day, std::to_string(days));
    if (days == 0) return Fill(text("IDS_DB_AGE_TODAY", "User database of %1, 0 days old"), day, "");
    if (days == 1) return Fill(text("IDS_DB_AGE_ONE", "User database of %1, 1 day old"), day, "");
    return Fill(text("IDS_DB_AGE", "User database of %1, %2 days old"), day, std::to_string(days));
}

std::string FormatUnchanged(const DatabaseInfo& info, const ReportTextFn& text) {
    const int64_t date = info.nListDate > 0 ? info.nListDate : info.nChecked;
    return Fill(text("IDS_DB_UNCHANGED", "User database unchanged since %1"), FormatIsoDate(date), "");
}

}  // namespace pendrak
