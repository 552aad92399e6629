// The radio emulator served over TCP, for "tcp:HOST:PORT" links from other
// processes (pendrak-cli emulate).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "radio/sim/RadioEmulator.h"

namespace pendrak {

struct EmulatorServerHooks {
    // Called once the socket listens, with the port actually bound (port 0
    // asks the system for a free one).
    std::function<void(uint16_t port)> onListening;
    // Connection opened or closed, memory file failure: one line of text each.
    std::function<void(const std::string& event)> onEvent;
};

// Serves one TCP connection after another on host:port (a loopback address:
// anyone reaching the port could rewrite the memory) until stop becomes
// true (checked at least every 100 ms). Once the socket listens, the memory
// file is opened and locked for the server's life (a fresh radio is created
// in it when it does not exist); every block stored is written through to
// it, and a block it cannot take is refused. An empty memoryFile keeps the
// memory in memory only. Byte stream framing is by content: each command's
// length follows from its first bytes. Returns true after a normal stop;
// false with the reason in *error when the socket cannot be set up, the host
// is not a loopback address, or the file cannot be opened or saved.
bool RunEmulatorServer(const std::string& host, uint16_t port, const EmulatorOptions& options,
                       const std::string& memoryFile, std::atomic<bool>& stop,
                       const EmulatorServerHooks& hooks, std::string* error = nullptr);

}  // namespace pendrak
