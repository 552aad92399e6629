// The user database's download into a file: what replaces the kept list,
// what is refused, and the list's age in words.
#include <gtest/gtest.h>

#include <filesystem>

#include "CsvTestSupport.h"
#include "csv/UserDatabase.h"
#include "tests/platform/HttpTestServer.h"

namespace pendrak::test {
namespace {

namespace fs = std::filesystem;
using httptest::Route;

std::string List(int lines, const char* call = "K") {
    std::string text = "RADIO_ID,CALLSIGN,COUNTRY\n";
    for (int i = 1; i < lines; ++i) text += std::to_string(2000000 + i) + "," + call + ",Germany\n";
    return text;
}

constexpr int64_t DAY = 86400;
const int64_t DEC_8_2026 = ParseHttpDate("Tue, 08 Dec 2026 03:00:00 GMT");

TEST(UserDatabase, KeptOnlyWhenWholeAndAList) {
    httptest::CHttpTestServer server;
    const fs::path dir = fs::temp_directory_path() / ("pendrak-db-" + std::to_string(server.Port()));
    fs::remove_all(dir);
    const std::string path = (dir / "cache" / "user.csv").string();
    const std::string first = List(1000), newer = List(900, "N");
    Route cut(200, newer);
    cut.nSendOnly = newer.size() - 100;
    Route html(200, "<!DOCTYPE html><html><head><title>Just a moment...</title>", "\"h\"");
    html.strType = "text/html";
    const struct {
        Route route;
        bool force;
        DatabaseDownloadResult::Outcome outcome;
        const char* message;  // a part of it
        const std::string* kept;
        long long lines;
    } cases[] = {
        {Route(200, first, "\"v1\"", "Tue, 08 Dec 2026 03:00:00 GMT"), false,
         DatabaseDownloadResult::Downloaded, "", &first, 1000},
        {Route(200, first, "\"v1\""), false, DatabaseDownloadResult::Unchanged, "", &first, 1000},
        {html, false, DatabaseDownloadResult::Refused, "an HTML page titled \"Just a moment...\"", &first, 1000},
        {Route(200, "Radio,Name\n1,2\n"), false, DatabaseDownloadResult::Refused, "names no radio ID column", &first, 1000},
        {Route(404, "<html>gone</html>"), false, DatabaseDownloadResult::Failed, "HTTP status 404", &first, 1000},
        {cut, false, DatabaseDownloadResult::Failed, "before the whole file came", &first, 1000},
        {Route(200, List(499)), false, DatabaseDownloadResult::Refused, "499 lines, fewer than half the 1000", &first, 1000},
        {Route(200, List(500)), false, DatabaseDownloadResult::Downloaded, "", nullptr, 500},
        {Route(200, newer, "\"v2\""), false, DatabaseDownloadResult::Downloaded, "", &newer, 900},
        {Route(200, List(449)), true, DatabaseDownloadResult::Downloaded, "", nullptr, 449},
    };
    int64_t now = DEC_8_2026 + DAY;
    for (const auto& c : cases) {
        server.Set("/user.csv", c.route);
        DatabaseDownloadRequest request;
        request.http.strUrl = server.Url("/user.csv");
        request.strPath = path;
        request.bForce = c.force;
        const DatabaseDownloadResult r = DownloadDatabase(request, ++now);
        const std::string what = std::to_string(c.route.nStatus) + " " + c.route.strBody.substr(0, 20);
        EXPECT_EQ(r.outcome, c.outcome) << what << ": " << r.strMessage;
        EXPECT_NE(r.strMessage.find(c.message), std::string::npos) << r.strMessage;
        if (c.kept) {
            EXPECT_EQ(ReadFileBytes(path), *c.kept) << what;
        }
        DatabaseInfo info;
        ASSERT_TRUE(LoadDatabaseInfo(path, info));
        EXPECT_EQ(info.nLines, c.lines) << what;
        // Nothing but the list and what is known of it stays behind.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "cache"), fs::directory_iterator()), 2) << what;
    }
    const std::vector<std::string> seen = server.Requests();
    ASSERT_EQ(seen.size(), std::size(cases));
    EXPECT_NE(seen[1].find("If-None-Match: \"v1\""), std::string::npos);
    EXPECT_NE(seen[1].find("If-Modified-Since: Tue, 08 Dec 2026 03:00:00 GMT"), std::string::npos);
    EXPECT_EQ(seen[0].find("If-None-Match"), std::string::npos);
    DatabaseInfo info;
    ASSERT_TRUE(LoadDatabaseInfo(path, info));
    EXPECT_EQ(info.nChecked, now);
    fs::remove_all(dir);
}

TEST(UserDatabase, AgeInWords) {
    const ReportTextFn english = [](const char*, const char* text) { return std::string(text); };
    const struct {
        int64_t listDate, checked, now;
        const char* text;
    } cases[] = {
        {DEC_8_2026, 0, DEC_8_2026 + DAY - 1, "User database of 2026-12-08, 0 days old"},
        {DEC_8_2026, 0, DEC_8_2026 + DAY, "User database of 2026-12-08, 1 day old"},
        {DEC_8_2026, 0, DEC_8_2026 + 2 * DAY, "User database of 2026-12-08, 2 days old"},
        {DEC_8_2026, 0, DEC_8_2026 + 31 * DAY - 1, "User database of 2026-12-08, 30 days old"},
        {DEC_8_2026, 0, DEC_8_2026 + 31 * DAY,
         "Out of date: user database of 2026-12-08, 31 days old"},
        {0, DEC_8_2026 - 60 * DAY, DEC_8_2026,
         "Out of date: user database of 2026-10-09, 60 days old"},
    };
    for (const auto& c : cases) {
        DatabaseInfo info;
        info.nListDate = c.listDate;
        info.nChecked = c.checked;
        EXPECT_EQ(FormatDatabaseAge(info, c.now, english), c.text);
    }
    EXPECT_EQ(FormatIsoDate(ParseHttpDate("Mon, 29 Feb 2016 23:59:59 GMT")), "2016-02-29");
    EXPECT_EQ(ParseHttpDate("Thu, 01 Jan 1970 00:00:10 GMT"), 10);
    for (const char* bad : {"", "yesterday", "Tue, 08 Foo 2026 03:00:00 GMT", "Tue, 32 Dec 2026 03:00:00 GMT"})
        EXPECT_EQ(ParseHttpDate(bad), 0) << bad;
}

}  // namespace
}  // namespace pendrak::test
