#include "radio/sim/Socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

#include "platform/System.h"

namespace pendrak::net {

#ifdef _WIN32
const SocketHandle INVALID_SOCKET_HANDLE = INVALID_SOCKET;
#else
const SocketHandle INVALID_SOCKET_HANDLE = -1;
#endif

namespace {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;  // a vanished peer must not kill the process
#else
constexpr int kSendFlags = 0;
#endif

// Words for a socket failure ("Address already in use"). Windows' own texts
// for these codes are missing where wine runs it: the usual ones are named.
std::string SocketErrorText(int code) {
#ifdef _WIN32
    switch (code) {
        case WSAEADDRINUSE:
            return "address already in use";
        case WSAEADDRNOTAVAIL:
            return "address not available";
        case WSAEACCES:
            return "permission denied";
        case WSAECONNREFUSED:
            return "connection refused";
        case WSAETIMEDOUT:
            return "timed out";
        default:
            break;
    }
#endif
    return SystemErrorText(code);
}

std::string LastSocketErrorText() {
#ifdef _WIN32
    return SocketErrorText(WSAGetLastError());
#else
    return SocketErrorText(errno);
#endif
}

void SetBlocking(SocketHandle s, bool blocking) {
#ifdef _WIN32
    u_long nb = blocking ? 0 : 1;
    ioctlsocket(s, FIONBIO, &nb);
#else
    int flags = fcntl(s, F_GETFL, 0);
    fcntl(s, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
#endif
}

int WaitFor(SocketHandle s, uint32_t timeoutMs, bool forWrite) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv;
    tv.tv_sec = long(timeoutMs / 1000);
    tv.tv_usec = long(timeoutMs % 1000) * 1000;
#ifdef _WIN32
    // A connection refused shows among the exceptions there, not as writable.
    fd_set failed = set;
    fd_set* exceptions = forWrite ? &failed : nullptr;
#else
    fd_set* exceptions = nullptr;
#endif
    int r =
        select(int(s + 1), forWrite ? nullptr : &set, forWrite ? &set : nullptr, exceptions, &tv);
    return r > 0 ? 1 : (r == 0 ? 0 : -1);
}

addrinfo* Resolve(const std::string& host, uint16_t port, bool passive, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0 || !list) {
        if (error) *error = "cannot resolve host " + host;
        return nullptr;
    }
    return list;
}

// Anyone who reaches the port can rewrite the emulated radio's memory.
bool IsLoopback(const sockaddr* addr) {
    if (addr->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(addr);
        return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    }
    if (addr->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(addr);
        static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        return std::memcmp(&in6->sin6_addr, loopback, 16) == 0;
    }
    return false;
}

}  // namespace

bool StartSockets() {
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
#else
    return true;
#endif
}

void CloseSocket(SocketHandle s) {
    if (s == INVALID_SOCKET_HANDLE) return;
#ifdef _WIN32
    closesocket(s);
#else
    close(s);
#endif
}

void SetNoDelay(SocketHandle s) {
    // Every exchange is a small packet waiting for a small reply: Nagle's
    // delay would cost tens of milliseconds per block.
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
#ifdef SO_NOSIGPIPE
    setsockopt(s, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
}

SocketHandle Connect(const std::string& host, uint16_t port, uint32_t timeoutMs, std::string* error) {
    if (!StartSockets()) {
        if (error) *error = "cannot start the socket library";
        return INVALID_SOCKET_HANDLE;
    }
    addrinfo* list = Resolve(host, port, false, error);
    if (!list) return INVALID_SOCKET_HANDLE;
    SocketHandle result = INVALID_SOCKET_HANDLE;
    std::string why = "timed out";
    for (addrinfo* ai = list; ai && result == INVALID_SOCKET_HANDLE; ai = ai->ai_next) {
        SocketHandle s = socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        if (s == INVALID_SOCKET_HANDLE) continue;
        SetBlocking(s, false);
        int r = connect(s, ai->ai_addr, int(ai->ai_addrlen));
        bool ok = (r == 0);
        if (!ok && WaitFor(s, timeoutMs, true) == 1) {
            int soError = 0;
            socklen_t len = sizeof soError;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
            ok = (soError == 0);
            if (!ok) why = SocketErrorText(soError);
        }
        if (ok) {
            SetBlocking(s, true);
            SetNoDelay(s);
            result = s;
        } else {
            CloseSocket(s);
        }
    }
    freeaddrinfo(list);
    if (result == INVALID_SOCKET_HANDLE && error)
        *error = "cannot connect to " + host + ":" + std::to_string(port) + ": " + why;
    return result;
}

SocketHandle Listen(const std::string& host, uint16_t port, uint16_t* boundPort, std::string* error) {
    if (!StartSockets()) {
        if (error) *error = "cannot start the socket library";
        return INVALID_SOCKET_HANDLE;
    }
    addrinfo* list = Resolve(host, port, true, error);
    if (!list) return INVALID_SOCKET_HANDLE;
    if (!IsLoopback(list->ai_addr)) {
        freeaddrinfo(list);
        if (error) *error = "the radio emulator serves on loopback only, not on " + host;
        return INVALID_SOCKET_HANDLE;
    }
    SocketHandle s = socket(list->ai_family, list->ai_socktype, list->ai_protocol);
    bool ok = s != INVALID_SOCKET_HANDLE;
    if (ok) {
#ifndef _WIN32
        int one = 1;
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
        ok = bind(s, list->ai_addr, int(list->ai_addrlen)) == 0 && listen(s, 4) == 0;
    }
    freeaddrinfo(list);
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    ok = ok && getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    if (!ok) {
        const std::string why = LastSocketErrorText();
        CloseSocket(s);
        if (error) *error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + why;
        return INVALID_SOCKET_HANDLE;
    }
    if (addr.ss_family == AF_INET)
        *boundPort = ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    else
        *boundPort = ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port);
    return s;
}

SocketHandle Accept(SocketHandle listener, uint32_t timeoutMs) {
    if (WaitFor(listener, timeoutMs, false) != 1) return INVALID_SOCKET_HANDLE;
    SocketHandle s = accept(listener, nullptr, nullptr);
    if (s != INVALID_SOCKET_HANDLE) SetNoDelay(s);
    return s;
}

int WaitReadable(SocketHandle s, uint32_t timeoutMs) { return WaitFor(s, timeoutMs, false); }

int Receive(SocketHandle s, unsigned char* buffer, int size) {
    int r = int(recv(s, reinterpret_cast<char*>(buffer), size, 0));
    return r < 0 ? -1 : r;
}

bool SendAll(SocketHandle s, const unsigned char* data, size_t size) {
    while (size > 0) {
        int chunk = size > 65536 ? 65536 : int(size);
        int r = int(send(s, reinterpret_cast<const char*>(data), chunk, kSendFlags));
        if (r <= 0) return false;
        data += r;
        size -= size_t(r);
    }
    return true;
}

}  // namespace pendrak::net
