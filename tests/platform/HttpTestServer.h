// A small HTTP/1.1 server on a free loopback port, for the download tests:
// each path answers as its route says (status, validators, gzip, a body cut
// short or stalled), one thread per connection.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httptest {

#ifdef _WIN32
using Socket = SOCKET;
inline void CloseSocket(Socket s) { closesocket(s); }
#else
using Socket = int;
inline void CloseSocket(Socket s) { close(s); }
#endif

struct Route {
    Route(int status = 200, std::string body = {}, std::string etag = {},
          std::string lastModified = {}, std::string location = {})
        : nStatus(status), strBody(std::move(body)), strEtag(std::move(etag)),
          strLastModified(std::move(lastModified)), strLocation(std::move(location)) {}
    int nStatus = 200;
    std::string strBody;
    std::string strEtag;          // sent; a request with If-None-Match equal to it gets 304
    std::string strLastModified;  // sent
    std::string strLocation;      // for redirects
    std::string strType = "text/csv";
    bool bGzip = false;           // the body goes gzip-encoded (when the client accepts it)
    size_t nSendOnly = std::string::npos;  // body bytes sent (Content-Length stays whole)
    int nStallMs = 0;             // after those, silence this long before closing
};

// A gzip stream of stored (uncompressed) deflate blocks: valid for any
// decoder, no compression library needed.
inline std::string Gzip(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    auto le = [](std::string& out, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    for (size_t pos = 0; pos == 0 || pos < data.size();) {
        const size_t n = std::min<size_t>(65535, data.size() - pos);
        le(out, pos + n == data.size() ? 1 : 0, 1);
        le(out, static_cast<uint32_t>(n | (~n & 0xFFFF) << 16), 4);
        out.append(data, pos, n);
        if ((pos += n) == 0) break;
    }
    le(out, ~crc, 4);
    le(out, static_cast<uint32_t>(data.size()), 4);
    return out;
}

class CHttpTestServer {
public:
    CHttpTestServer() {
#ifdef _WIN32
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
#endif
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(m_listen, 16);
        socklen_t len = sizeof addr;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_nPort = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CHttpTestServer() {
        m_bStop = true;
        m_thread.join();
        for (std::thread& t : m_connections) t.join();
        CloseSocket(m_listen);
    }

    void Set(const std::string& path, const Route& route) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_routes[path] = route;
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_nPort) + path;
    }
    int Port() const { return m_nPort; }
    // Every request's head (request line and headers) so far.
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    void Serve() {
        while (!m_bStop) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(m_listen, &set);
            timeval wait{0, 50000};
            if (select(static_cast<int>(m_listen) + 1, &set, nullptr, nullptr, &wait) <= 0) continue;
            const Socket s = accept(m_listen, nullptr, nullptr);
            m_connections.emplace_back([this, s] { Answer(s); });
        }
    }

    void Answer(Socket s) {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const int got = static_cast<int>(recv(s, buffer, sizeof buffer, 0));
            if (got <= 0) break;
            head.append(buffer, static_cast<size_t>(got));
        }
        const size_t start = head.find(' ') + 1;
        const std::string path = head.substr(start, head.find(' ', start) - start);
        Route r;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(head);
            const auto it = m_routes.find(path);
            r = it == m_routes.end() ? Route{404, "no such path"} : it->second;
        }
        const std::string lower = Lower(head);
        if (!r.strEtag.empty() && lower.find("if-none-match: " + Lower(r.strEtag)) != std::string::npos) {
            r.nStatus = 304;
            r.strBody.clear();
        }
        // As servers do: compressed only for a client that asks for it.
        r.bGzip = r.bGzip && lower.find("accept-encoding:") != std::string::npos &&
                  lower.find("gzip", lower.find("accept-encoding:")) != std::string::npos;
        const std::string body = r.bGzip ? Gzip(r.strBody) : r.strBody;
        std::string out = "HTTP/1.1 " + std::to_string(r.nStatus) + " X\r\nConnection: close\r\n";
        out += "Content-Type: " + r.strType + "\r\n";
        if (r.nStatus != 304) out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        if (!r.strEtag.empty()) out += "ETag: " + r.strEtag + "\r\n";
        if (!r.strLastModified.empty()) out += "Last-Modified: " + r.strLastModified + "\r\n";
        if (!r.strLocation.empty()) out += "Location: " + r.strLocation + "\r\n";
        if (r.bGzip) out += "Content-Encoding: gzip\r\n";
        out += "\r\n" + body.substr(0, std::min(r.nSendOnly, body.size()));
        for (size_t sent = 0; sent < out.size();) {
            const int n = static_cast<int>(send(s, out.data() + sent, static_cast<int>(std::min<size_t>(out.size() - sent, 1 << 20)), 0));
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        for (int waited = 0; waited < r.nStallMs && !m_bStop; waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        CloseSocket(s);
    }

    static std::string Lower(std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return text;
    }

    Socket m_listen;
    int m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
    std::vector<std::thread> m_connections;  // touched by the serving thread only, then joined
    std::mutex m_mutex;
    std::map<std::string, Route> m_routes;
    std::vector<std::string> m_requests;
};

}  // namespace httptest
