// A thin portable face over TCP sockets (BSD sockets or Winsock), enough for
// the emulator server and the tcp: link.
#pragma once

#include <cstdint>
#include <string>

namespace pendrak::net {

#ifdef _WIN32
using SocketHandle = uintptr_t;
#else
using SocketHandle = int;
#endif
extern const SocketHandle INVALID_SOCKET_HANDLE;

// Winsock needs starting once per process; a no-op elsewhere.
bool StartSockets();
void CloseSocket(SocketHandle s);
void SetNoDelay(SocketHandle s);

// Connects within timeoutMs; INVALID_SOCKET_HANDLE with *error on failure.
SocketHandle Connect(const std::string& host, uint16_t port, uint32_t timeoutMs, std::string* error);
// Bound and listening; *boundPort gets the port actually taken.
SocketHandle Listen(const std::string& host, uint16_t port, uint16_t* boundPort, std::string* error);
// Waits up to timeoutMs for a connection; INVALID_SOCKET_HANDLE when none came.
SocketHandle Accept(SocketHandle listener, uint32_t timeoutMs);

// 1 when readable (data or end of stream), 0 on time-out, -1 on error.
int WaitReadable(SocketHandle s, uint32_t timeoutMs);
// Bytes received, 0 at end of stream, -1 on error.
int Receive(SocketHandle s, unsigned char* buffer, int size);
// True when every byte went out.
bool SendAll(SocketHandle s, const unsigned char* data, size_t size);

}  // namespace pendrak::net
