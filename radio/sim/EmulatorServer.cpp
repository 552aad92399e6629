#include "radio/sim/EmulatorServer.h"

#include <memory>
#include <vector>

#include "radio/sim/MemoryFile.h"
#include "radio/sim/Socket.h"

namespace pendrak {

namespace {

constexpr uint32_t kStopPollMs = 100;

void Tell(const EmulatorServerHooks& hooks, const std::string& text) {
    if (hooks.onEvent) hooks.onEvent(text);
}

// Answers one connection until the peer goes or stop is asked.
void Serve(net::SocketHandle s, CRadioEmulator& radio, std::atomic<bool>& stop) {
    std::vector<unsigned char> in(65536);
    std::vector<unsigned char> reply;
    radio.ResetSession();
    while (!stop.load()) {
        int ready = net::WaitReadable(s, kStopPollMs);
        if (ready < 0) return;
        if (ready == 0) continue;
        int got = net::Receive(s, in.data(), int(in.size()));
        if (got <= 0) return;
        reply.clear();
        radio.Receive(in.data(), size_t(got), reply);
        if (!reply.empty() && !net::SendAll(s, reply.data(), reply.size())) return;
    }
}

}  // namespace

bool RunEmulatorServer(const std::string& host, uint16_t port, const EmulatorOptions& options,
                       const std::string& memoryFile, std::atomic<bool>& stop,
                       const EmulatorServerHooks& hooks, std::string* error) {
    std::string problem = CRadioEmulator::CheckOptions(options);
    if (!problem.empty()) {
        if (error) *error = problem;
        return false;
    }
    // The port first: one in use must not leave a fresh memory file behind.
    uint16_t bound = 0;
    net::SocketHandle listener = net::Listen(host, port, &bound, error);
    if (listener == net::INVALID_SOCKET_HANDLE) return false;

    // The file is this radio for as long as it serves: locked, and every
    // block written through before it is acknowledged.
    CRadioEmulator radio(options);
    std::shared_ptr<CMemoryFile> file;
    if (!memoryFile.empty()) {
        file = std::make_shared<CMemoryFile>();
        std::string failure;
        if (!file->Open(memoryFile, radio.Memory(), radio.MemorySize(), failure)) {
            net::CloseSocket(listener);
            if (error) *error = failure;
            return false;
        }
        radio.SetStore(file);
    }
    if (hooks.onListening) hooks.onListening(bound);

    bool ok = true;
    while (ok && !stop.load()) {
        net::SocketHandle s = net::Accept(listener, kStopPollMs);
        if (s == net::INVALID_SOCKET_HANDLE) continue;
        Tell(hooks, "connection opened");
        Serve(s, radio, stop);
        net::CloseSocket(s);
        Tell(hooks, "connection closed after " + std::to_string(radio.ExchangeCount()) +
                        " exchanges");
        if (!file) continue;
        // A block the file refused was refused to the client too: say why,
        // and serve on. Acknowledged blocks that cannot be saved end it.
        ok = file->Flush();
        const std::string failure = file->TakeFailure();
        if (!failure.empty()) Tell(hooks, failure);
        if (!ok && error) *error = failure;
    }
    net::CloseSocket(listener);
    return ok;
}

}  // namespace pendrak
