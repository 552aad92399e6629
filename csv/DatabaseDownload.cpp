// The download of the user database: streamed to a hidden file beside the
// list and checked on the way (the header, the lines), so that nothing is
// ever held whole and the old list stays until a better one is complete.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "csv/CsvLayout.h"
#include "csv/UserDatabase.h"
#include "platform/System.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pendrak {

namespace {

constexpr size_t MAX_FIRST_LINE = 64 * 1024;

// Writes the body to the file, counts its lines and keeps its first line;
// refuses the rest once the first line is no contact list's header.
class CListCheck : public IHttpBodySink {
public:
    CListCheck(std::FILE* file, const std::function<void(int64_t, int64_t)>& progress)
        : m_file(file), m_progress(progress) {}

    bool OnBody(const char* data, size_t size) override {
        if (std::fwrite(data, 1, size, m_file) != size) {
            m_nWriteError = errno ? errno : EIO;
            return false;
        }
        m_nBytes += static_cast<long long>(size);
        m_nLines += std::count(data, data + size, '\n');
        m_cLast = data[size - 1];
        if (!m_bHeadDone) {
            m_head.append(data, std::min(size, MAX_FIRST_LINE - m_head.size()));
            if (m_head.find('\n') != std::string::npos || m_head.size() >= MAX_FIRST_LINE)
                return JudgeHead();
        }
        return true;
    }

    void OnProgress(int64_t received, int64_t total) override {
        if (m_progress) m_progress(received, total);
    }

    // At the end of the body: the first line may have had no line end.
    void Finish() {
        if (!m_bHeadDone) JudgeHead();
    }

    bool IsList() const { return m_bHeadDone && m_layout.kind == CsvLayout::Named; }
    bool Refused() const { return m_bHeadDone && !IsList(); }
    long long Lines() const { return m_nLines + (m_nBytes > 0 && m_cLast != '\n' ? 1 : 0); }
    long long Bytes() const { return m_nBytes; }
    int WriteError() const { return m_nWriteError; }
    const std::string& Head() const { return m_head; }

private:
    bool JudgeHead() {
        m_bHeadDone = true;
        std::string_view first(m_head.data(), std::min(m_head.find('\n'), m_head.size()));
        if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
        m_layout = DetectCsvLayout(first);
        return IsList();
    }

    std::FILE* m_file;
    const std::function<void(int64_t, int64_t)>& m_progress;
    std::string m_head;
    bool m_bHeadDone = false;
    CsvLayout m_layout;
    long long m_nLines = 0, m_nBytes = 0;
    char m_cLast = '\n';
    int m_nWriteError = 0;
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Shortened(std::string text, size_t most) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    if (text.size() > most) text = text.substr(0, most) + "...";
    return text;
}

// What came instead of a list, in a few words.
std::string DescribeBody(const std::string& head, long long bytes, const std::string& type) {
    if (bytes == 0) return "an empty answer";
    const std::string lower = Lower(head.substr(0, 4096));
    if (lower.find("<html") != std::string::npos || lower.find("<!doctype html") != std::string::npos) {
        std::string what = "an HTML page";
        const size_t open = lower.find("<title");
        const size_t start = open == std::string::npos ? open : lower.find('>', open);
        const size_t close = start == std::string::npos ? start : lower.find("</title", start);
        if (close != std::string::npos)
            what += " titled \"" + Shortened(head.substr(start + 1, close - start - 1), 60) + "\"";
        return what;
    }
    if (head.find('\0') != std::string::npos)
        return std::to_string(bytes) + " bytes of binary data" +
               (type.empty() ? "" : " (" + type + ")");
    const std::string first = head.substr(0, std::min(head.find('\n'), head.size()));
    return "text whose first line names no radio ID column (\"" + Shortened(first, 60) + "\")";
}

long long CountFileLines(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    char buffer[64 * 1024];
    long long lines = 0;
    size_t got = 0;
    char last = '\n';
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        lines += std::count(buffer, buffer + got, '\n');
        last = buffer[got - 1];
    }
    std::fclose(f);
    return lines + (last != '\n' ? 1 : 0);
}

bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::string HiddenName(const std::string& path) {
    const std::string dir = DirectoryOf(path);
    const std::string name = dir.empty() ? path : path.substr(dir.size() + 1);
    return (dir.empty() ? "" : dir + path[dir.size()]) + "." + name + ".download";
}

}  // namespace

DatabaseDownloadResult DownloadDatabase(const DatabaseDownloadRequest& request, int64_t now) {
    DatabaseDownloadResult result;
    const std::string& path = request.strPath;
    const bool haveList = PathExists(path);
    DatabaseInfo previous;
    const bool haveInfo = haveList && LoadDatabaseInfo(path, previous);
    if (haveList) {
        result.info = previous;
        result.nPreviousLines = haveInfo && previous.nLines > 0 ? previous.nLines : CountFileLines(path);
    }

    HttpRequest http = request.http;
    const bool conditional = haveInfo && previous.strUrl == http.strUrl;
    if (conditional) {
        http.strIfNoneMatch = previous.strEtag;
        http.strIfModifiedSince = previous.strLastModified;
    }

    auto fail = [&](DatabaseDownloadResult::Outcome outcome, const std::string& message) {
        result.outcome = outcome;
        result.strMessage = message;
        return result;
    };
    const std::string dir = DirectoryOf(path);
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
        std::filesystem::create_directories(dir, ec);
        if (ec) return fail(DatabaseDownloadResult::Failed, "cannot make the folder " + NativePath(dir) + ": " + ec.message());
    }
    const std::string temp = HiddenName(path);
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file)
        return fail(DatabaseDownloadResult::Failed, "cannot write in " + NativePath(dir.empty() ? "." : dir) + ": " +
                                                        SystemErrorText(LastSystemError()));
    CListCheck check(file, request.progress);
    result.http = HttpGet(http, check);
    const bool closed = std::fclose(file) == 0;
    const HttpResult& h = result.http;
    if (h.Ok() && h.nStatus == 200) check.Finish();

    auto discard = [&](DatabaseDownloadResult::Outcome outcome, const std::string& message) {
        std::remove(temp.c_str());
        return fail(outcome, message);
    };
    if (check.WriteError() != 0 || (h.Ok() && !closed))
        return discard(DatabaseDownloadResult::Failed,
                       "cannot write " + NativePath(temp) + ": " +
                           SystemErrorText(check.WriteError() ? check.WriteError() : LastSystemError()));
    if (h.failure == HttpFailure::stopped) return discard(DatabaseDownloadResult::Stopped, HttpFailureText(h));
    const std::string source = h.strHost.empty() ? http.strUrl : h.strHost;
    if (check.Refused() || (h.Ok() && h.nStatus == 200 && !check.IsList()))
        return discard(DatabaseDownloadResult::Refused,
                       source + " sent " + DescribeBody(check.Head(), check.Bytes(), h.strContentType) +
                           " instead of a contact list");
    if (!h.Ok()) return discard(DatabaseDownloadResult::Failed, HttpFailureText(h));

    if (h.nStatus == 304) {
        std::remove(temp.c_str());
        if (!conditional)
            return fail(DatabaseDownloadResult::Failed,
                        source + ": the server answered \"not modified\" to a request for the whole list");
        result.info.nChecked = now;
        SaveDatabaseInfo(path, result.info);
        result.outcome = DatabaseDownloadResult::Unchanged;
        return result;
    }
    if (!request.bForce && result.nPreviousLines > 0 && check.Lines() * 2 < result.nPreviousLines)
        return discard(DatabaseDownloadResult::Refused,
                       "the list from " + source + " has " + std::to_string(check.Lines()) +
                           " lines, fewer than half the " + std::to_string(result.nPreviousLines) +
                           " of the one kept (a broken export?); the kept list stays (--force takes the new one)");
    if (!ReplaceFile(temp, path))
        return discard(DatabaseDownloadResult::Failed,
                       "cannot put the list in place as " + NativePath(path) + ": " +
                           SystemErrorText(LastSystemError()));

    DatabaseInfo info;
    info.strUrl = http.strUrl;
    info.strEtag = h.strEtag;
    info.strLastModified = h.strLastModified;
    info.nLines = check.Lines();
    info.nBytes = check.Bytes();
    info.nChecked = now;
    const int64_t date = ParseHttpDate(h.strLastModified);
    info.nListDate = date > 0 ? date : now;
    // Without it the next run asks for the whole list again; nothing is lost.
    SaveDatabaseInfo(path, info);
    result.info = info;
    result.outcome = DatabaseDownloadResult::Downloaded;
    return result;
}

}  // namespace pendrak
