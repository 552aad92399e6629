// One HTTP(S) GET streamed to the caller: libcurl on POSIX, WinHTTP on
// Windows. Certificates are checked against the system's store and proxies
// come from the system or the environment, as those libraries do.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace pendrak {

struct HttpRequest {
    std::string strUrl;                 // http:// or https://
    std::string strUserAgent;
    std::string strIfNoneMatch;         // an ETag from an earlier answer, or empty
    std::string strIfModifiedSince;     // a Last-Modified from an earlier answer, or empty
    std::string strExtraCaFile;         // a PEM file of one more trusted CA (tests)
    int nConnectTimeoutMs = 15000;      // to resolve the name and connect
    int nStallTimeoutMs = 30000;        // without a byte arriving
    int nMaxRedirects = 5;
    const std::atomic<bool>* pStop = nullptr;  // set: the transfer ends within 0.1 s
};

// Where the body goes, as it arrives (decompressed when the server
// compressed it).
class IHttpBodySink {
public:
    virtual ~IHttpBodySink() = default;
    // False stops the transfer (HttpResult::SinkFailed).
    virtual bool OnBody(const char* data, size_t size) = 0;
    // Bytes received so far and the whole (-1 when the server gave none);
    // both counted as sent, before decompression.
    virtual void OnProgress(int64_t received, int64_t total) { (void)received, (void)total; }
};

enum class HttpFailure {
    none,
    badUrl,       // not an http or https URL
    dns,          // the host name does not resolve
    refused,      // nobody listens there
    connect,      // unreachable, or the connection took too long
    tls,          // the certificate or the handshake failed
    timeout,      // connected, then no byte for the stall time
    cutShort,     // the connection ended before the whole body came
    status,       // an answer other than 200 or 304 (nStatus)
    redirects,    // more redirects than allowed
    stopped,      // pStop was set
    sinkFailed,   // the sink refused a piece
    other,
};

struct HttpResult {
    HttpFailure failure = HttpFailure::none;
    int nStatus = 0;               // of the last answer; 304 for "not modified"
    std::string strHost;           // the host of the URL asked for (for messages)
    std::string strDetail;         // the library's own words for a failure
    std::string strEtag;           // of a 200 or 304 answer
    std::string strLastModified;
    std::string strContentType;
    int64_t nContentLength = -1;   // as sent, -1 when not given
    int64_t nReceived = 0;         // body bytes as sent

    bool Ok() const { return failure == HttpFailure::none; }
    bool NotModified() const { return Ok() && nStatus == 304; }
};

// One GET, redirects followed. 200 and 304 are successes; any other final
// status is HttpFailure::status with the body not passed on.
HttpResult HttpGet(const HttpRequest& request, IHttpBodySink& sink);

// "example.org" from "https://user@example.org:8443/x"; empty when none.
std::string HttpUrlHost(const std::string& url);

// The failure in a few English words, naming the host and the cause:
// "example.org: the host name does not resolve".
std::string HttpFailureText(const HttpResult& result);

}  // namespace pendrak
