// HttpGet on libcurl. The multi interface runs the transfer in steps of at
// most 0.1 s, so that a stop request and the stall time-out are seen at
// once, whatever the server does.
#include <curl/curl.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/HttpClient.h"

namespace pendrak {

namespace {

using Clock = std::chrono::steady_clock;

struct CurlTransfer {
    const HttpRequest* pRequest = nullptr;
    IHttpBodySink* pSink = nullptr;
    HttpResult result;
    bool bSinkFailed = false;
    bool bStatusRefused = false;  // a final status other than 200: its body is not wanted
    Clock::time_point lastActivity = Clock::now();
};

bool StartsWithNoCase(const char* text, size_t size, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return size >= n && curl_strnequal(text, prefix, n);
}

std::string HeaderValue(const char* line, size_t size, size_t nameLength) {
    size_t start = nameLength, end = size;
    while (start < end && (line[start] == ' ' || line[start] == '\t')) ++start;
    while (end > start && (line[end - 1] == '\r' || line[end - 1] == '\n' || line[end - 1] == ' '))
        --end;
    return std::string(line + start, end - start);
}

size_t OnHeader(char* line, size_t, size_t size, void* user) {
    auto* t = static_cast<CurlTransfer*>(user);
    t->lastActivity = Clock::now();
    HttpResult& r = t->result;
    if (StartsWithNoCase(line, size, "HTTP/")) {
        // A new answer (after a redirect): only the last one's headers count.
        r.strEtag.clear();
        r.strLastModified.clear();
        r.strContentType.clear();
        r.nContentLength = -1;
        const char* space = static_cast<const char*>(std::memchr(line, ' ', size));
        r.nStatus = space ? std::atoi(space + 1) : 0;
    } else if (StartsWithNoCase(line, size, "ETag:")) {
        r.strEtag = HeaderValue(line, size, 5);
    } else if (StartsWithNoCase(line, size, "Last-Modified:")) {
        r.strLastModified = HeaderValue(line, size, 14);
    } else if (StartsWithNoCase(line, size, "Content-Type:")) {
        r.strContentType = HeaderValue(line, size, 13);
    } else if (StartsWithNoCase(line, size, "Content-Length:")) {
        r.nContentLength = std::atoll(HeaderValue(line, size, 15).c_str());
    }
    return size;
}

size_t OnBody(char* data, size_t, size_t size, void* user) {
    auto* t = static_cast<CurlTransfer*>(user);
    t->lastActivity = Clock::now();
    if (t->result.nStatus != 200) {
        // Redirect bodies never reach here; an error page is not passed on.
        t->bStatusRefused = true;
        return 0;
    }
    if (!t->pSink->OnBody(data, size)) {
        t->bSinkFailed = true;
        return 0;
    }
    return size;
}

int OnProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* t = static_cast<CurlTransfer*>(user);
    if (t->result.nStatus == 200) t->pSink->OnProgress(now, total > 0 ? total : -1);
    return 0;
}

HttpFailure FailureOf(CURLcode code, CURL* easy, const CurlTransfer& t) {
    switch (code) {
        case CURLE_OK:
            return HttpFailure::none;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return HttpFailure::badUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return HttpFailure::dns;
        case CURLE_COULDNT_CONNECT: {
            long osError = 0;
            curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
            return osError == ECONNREFUSED ? HttpFailure::refused : HttpFailure::connect;
        }
        case CURLE_OPERATION_TIMEDOUT:
            return HttpFailure::connect;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
            return HttpFailure::tls;
        case CURLE_TOO_MANY_REDIRECTS:
            return HttpFailure::redirects;
        case CURLE_HTTP_RETURNED_ERROR:
            return HttpFailure::status;
        case CURLE_WRITE_ERROR:
            return t.bSinkFailed ? HttpFailure::sinkFailed
                   : t.bStatusRefused ? HttpFailure::status
                                      : HttpFailure::other;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_BAD_CONTENT_ENCODING:
            return HttpFailure::cutShort;
        default:
            return HttpFailure::other;
    }
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpResult HttpGet(const HttpRequest& request, IHttpBodySink& sink) {
    GlobalInit();
    CurlTransfer t;
    t.pRequest = &request;
    t.pSink = &sink;
    t.result.strHost = HttpUrlHost(request.strUrl);
    if (request.strUrl.rfind("http://", 0) != 0 && request.strUrl.rfind("https://", 0) != 0) {
        t.result.failure = HttpFailure::badUrl;
        return t.result;
    }

    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    char errorText[CURL_ERROR_SIZE] = "";
    curl_slist* headers = nullptr;
    if (!request.strIfNoneMatch.empty())
        headers = curl_slist_append(headers, ("If-None-Match: " + request.strIfNoneMatch).c_str());
    if (!request.strIfModifiedSince.empty())
        headers = curl_slist_append(
            headers, ("If-Modified-Since: " + request.strIfModifiedSince).c_str());

    curl_easy_setopt(easy, CURLOPT_URL, request.strUrl.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(request.nMaxRedirects));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.strUserAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");  // every encoding curl can decode
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.nConnectTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    if (!request.strExtraCaFile.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, request.strExtraCaFile.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_multi_add_handle(multi, easy);

    CURLcode code = CURLE_OK;
    bool connected = false;
    for (;;) {
        int running = 0;
        curl_multi_perform(multi, &running);
        if (running == 0) {
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &left))
                if (msg->msg == CURLMSG_DONE) code = msg->data.result;
            break;
        }
        if (request.pStop && request.pStop->load()) {
            t.result.failure = HttpFailure::stopped;
            break;
        }
        // The stall clock runs once connected; before that the connect
        // time-out is curl's.
        if (!connected) {
            curl_off_t connectTime = 0;
            curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectTime);
            if (connectTime > 0) {
                connected = true;
                t.lastActivity = Clock::now();
            }
        } else if (Clock::now() - t.lastActivity >
                   std::chrono::milliseconds(request.nStallTimeoutMs)) {
            t.result.failure = HttpFailure::timeout;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
    if (t.result.failure == HttpFailure::none) {
        t.result.failure = FailureOf(code, easy, t);
        t.result.strDetail = errorText[0] ? errorText : curl_easy_strerror(code);
    }
    curl_off_t received = 0;
    curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &received);
    t.result.nReceived = received;
    if (t.result.Ok() && t.result.nStatus != 200 && t.result.nStatus != 304)
        t.result.failure = HttpFailure::status;
    if (t.result.Ok() && t.result.nStatus == 200 && t.result.nContentLength >= 0 &&
        received < t.result.nContentLength)
        t.result.failure = HttpFailure::cutShort;

    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
    return t.result;
}

}  // namespace pendrak
