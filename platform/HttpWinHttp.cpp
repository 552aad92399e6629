// HttpGet on WinHTTP, synchronously. A stop request closes the request
// handle from a watcher thread, which ends a blocking call at once.
#include <winsock2.h>
#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/HttpClient.h"

namespace pendrak {

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::string ErrorWords(DWORD code) {
    char buffer[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleA("winhttp.dll"), code, 0, buffer, sizeof buffer,
                             nullptr);
    if (n == 0)
        n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, sizeof buffer, nullptr);
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == '.')) --n;
    return n > 0 ? std::string(buffer, n) : "error " + std::to_string(code);
}

HttpFailure FailureOf(DWORD code, bool receiving) {
    switch (code) {
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return HttpFailure::dns;
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return HttpFailure::refused;
        case ERROR_WINHTTP_TIMEOUT:
        case WSAETIMEDOUT:  // wine's WinHTTP passes the socket's own on
            return receiving ? HttpFailure::timeout : HttpFailure::connect;
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        case ERROR_WINHTTP_SECURE_INVALID_CA:
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
        case ERROR_WINHTTP_SECURE_INVALID_CERT:
        case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
            return HttpFailure::tls;
        case ERROR_WINHTTP_REDIRECT_FAILED:
            return HttpFailure::redirects;
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return receiving ? HttpFailure::cutShort : HttpFailure::connect;
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
        case ERROR_WINHTTP_INVALID_URL:
            return HttpFailure::badUrl;
        default:
            return HttpFailure::other;
    }
}

std::string QueryText(HINTERNET request, DWORD what) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX))
        return {};
    value.resize(size / sizeof(wchar_t));
    return Narrow(value);
}

// Closes the request handle once; from the watcher on a stop, else at the end.
class CRequestHandle {
public:
    explicit CRequestHandle(HINTERNET h) : m_h(h) {}
    ~CRequestHandle() { Close(); }
    HINTERNET Get() const { return m_h; }
    void Close() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_h && !m_bClosed) WinHttpCloseHandle(m_h);
        m_bClosed = true;
    }

private:
    HINTERNET m_h;
    std::mutex m_mutex;
    bool m_bClosed = false;
};

struct CInternetHandle {
    HINTERNET h = nullptr;
    ~CInternetHandle() {
        if (h) WinHttpCloseHandle(h);
    }
};

}  // namespace

HttpResult HttpGet(const HttpRequest& request, IHttpBodySink& sink) {
    HttpResult result;
    result.strHost = HttpUrlHost(request.strUrl);
    const bool secure = request.strUrl.rfind("https://", 0) == 0;
    if (!secure && request.strUrl.rfind("http://", 0) != 0) {
        result.failure = HttpFailure::badUrl;
        return result;
    }
    if (!request.strExtraCaFile.empty()) {
        // WinHTTP trusts the system's store only.
        result.failure = HttpFailure::tls;
        result.strDetail = "an extra CA file cannot be used with WinHTTP";
        return result;
    }
    const std::wstring url = Wide(request.strUrl);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
        result.failure = HttpFailure::badUrl;
        result.strDetail = ErrorWords(GetLastError());
        return result;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    auto fail = [&](DWORD code, bool receiving) {
        result.failure = FailureOf(code, receiving);
        result.strDetail = ErrorWords(code);
        return result;
    };

    const std::wstring agent = Wide(request.strUserAgent);
    CInternetHandle session;
    session.h = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session.h)  // before Windows 8.1: the proxy that netsh configured
        session.h = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session.h) return fail(GetLastError(), false);
    WinHttpSetTimeouts(session.h, request.nConnectTimeoutMs, request.nConnectTimeoutMs,
                       request.nStallTimeoutMs, request.nStallTimeoutMs);
    DWORD decompression = WINHTTP_DECOMPRESSION_FLAG_ALL;
    WinHttpSetOption(session.h, WINHTTP_OPTION_DECOMPRESSION, &decompression, sizeof decompression);

    CInternetHandle connection;
    connection.h = WinHttpConnect(session.h, host.c_str(), parts.nPort, 0);
    if (!connection.h) return fail(GetLastError(), false);
    CRequestHandle handle(WinHttpOpenRequest(connection.h, L"GET", path.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             secure ? WINHTTP_FLAG_SECURE : 0));
    HINTERNET h = handle.Get();
    if (!h) return fail(GetLastError(), false);
    DWORD redirects = static_cast<DWORD>(request.nMaxRedirects);
    WinHttpSetOption(h, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects);
    if (!request.strIfNoneMatch.empty())
        WinHttpAddRequestHeaders(h, Wide("If-None-Match: " + request.strIfNoneMatch).c_str(),
                                 static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_ADD);
    if (!request.strIfModifiedSince.empty())
        WinHttpAddRequestHeaders(
            h, Wide("If-Modified-Since: " + request.strIfModifiedSince).c_str(),
            static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_ADD);

    std::mutex doneMutex;
    bool done = false;
    bool stopped = false;
    std::thread watcher;
    if (request.pStop) {
        watcher = std::thread([&] {
            for (;;) {
                {
                    std::lock_guard<std::mutex> lock(doneMutex);
                    if (done) return;
                    if (request.pStop->load()) {
                        stopped = true;
                        handle.Close();
                        return;
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    auto finish = [&]() -> HttpResult {
        {
            std::lock_guard<std::mutex> lock(doneMutex);
            done = true;
            if (stopped) {
                result.failure = HttpFailure::stopped;
                result.strDetail.clear();
            }
        }
        if (watcher.joinable()) watcher.join();
        handle.Close();
        return result;
    };

    if (!WinHttpSendRequest(h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            0)) {
        fail(GetLastError(), false);
        return finish();
    }
    // Sent: from here a silence is the server's stall.
    if (!WinHttpReceiveResponse(h, nullptr)) {
        fail(GetLastError(), true);
        return finish();
    }
    DWORD status = 0, size = sizeof status;
    WinHttpQueryHeaders(h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    result.nStatus = static_cast<int>(status);
    result.strEtag = QueryText(h, WINHTTP_QUERY_ETAG);
    result.strLastModified = QueryText(h, WINHTTP_QUERY_LAST_MODIFIED);
    result.strContentType = QueryText(h, WINHTTP_QUERY_CONTENT_TYPE);
    const std::string length = QueryText(h, WINHTTP_QUERY_CONTENT_LENGTH);
    if (!length.empty()) result.nContentLength = std::atoll(length.c_str());
    // Decompressed, the body is longer than the length sent.
    const std::string encoding = QueryText(h, WINHTTP_QUERY_CONTENT_ENCODING);
    const bool compressed = !encoding.empty() && encoding != "identity";
    if (status == 304) return finish();
    if (status != 200) {
        result.failure = HttpFailure::status;
        return finish();
    }

    char buffer[64 * 1024];
    int64_t bodyBytes = 0;
    for (;;) {
        DWORD got = 0;
        if (!WinHttpReadData(h, buffer, sizeof buffer, &got)) {
            fail(GetLastError(), true);
            return finish();
        }
        if (got == 0) break;
        bodyBytes += got;
        if (!sink.OnBody(buffer, got)) {
            result.failure = HttpFailure::sinkFailed;
            return finish();
        }
        sink.OnProgress(bodyBytes, compressed ? -1 : result.nContentLength);
    }
    result.nReceived = compressed ? result.nContentLength : bodyBytes;
    if (!compressed && result.nContentLength >= 0 && bodyBytes < result.nContentLength)
        result.failure = HttpFailure::cutShort;
    return finish();
}

}  // namespace pendrak
