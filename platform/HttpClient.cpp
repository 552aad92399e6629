// What both HTTP back ends share: the host of a URL and the words for a
// failure.
#include "platform/HttpClient.h"

namespace pendrak {

std::string HttpUrlHost(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return {};
    const size_t start = scheme + 3;
    size_t end = url.find_first_of("/?#", start);
    if (end == std::string::npos) end = url.size();
    std::string authority = url.substr(start, end - start);
    if (const size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        return close == std::string::npos ? authority : authority.substr(0, close + 1);
    }
    return authority.substr(0, authority.find(':'));
}

std::string HttpFailureText(const HttpResult& r) {
    const std::string host = r.strHost.empty() ? "the server" : r.strHost;
    const std::string why = r.strDetail.empty() ? std::string() : " (" + r.strDetail + ")";
    switch (r.failure) {
        case HttpFailure::none:
            return host + ": no failure";
        case HttpFailure::badUrl:
            return "not an http:// or https:// URL" + why;
        case HttpFailure::dns:
            return host + ": the host name does not resolve (DNS)" + why;
        case HttpFailure::refused:
            return host + ": the connection was refused" + why;
        case HttpFailure::connect:
            return host + ": cannot connect" + why;
        case HttpFailure::tls:
            return host + ": the secure connection failed (TLS)" + why;
        case HttpFailure::timeout:
            return host + ": no data came for too long (time-out)";
        case HttpFailure::cutShort:
            return host + ": the connection ended before the whole file came" + why;
        case HttpFailure::status:
            return host + ": the server answered HTTP status " + std::to_string(r.nStatus);
        case HttpFailure::redirects:
            return host + ": too many redirects" + why;
        case HttpFailure::stopped:
            return host + ": the download was stopped";
        case HttpFailure::sinkFailed:
            return host + ": the downloaded data could not be stored";
        case HttpFailure::other:
            break;
    }
    return host + ": the download failed" + why;
}

}  // namespace pendrak
