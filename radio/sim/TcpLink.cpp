// "tcp:HOST:PORT": the byte stream to an emulator in another process.
#include <memory>

#include "radio/LinkFactories.h"
#include "radio/sim/Socket.h"

namespace pendrak {

namespace {

class CTcpLink : public IRadioLink {
public:
    explicit CTcpLink(net::SocketHandle s) : m_socket(s) {}
    ~CTcpLink() override { net::CloseSocket(m_socket); }

    int Write(const unsigned char* data, int size, uint32_t) override {
        if (m_closed || size <= 0) return 0;
        if (!net::SendAll(m_socket, data, size_t(size))) {
            m_closed = true;
            return 0;
        }
        return size;
    }

    int ReadOnce(unsigned char* buffer, int maxSize, uint32_t timeoutMs) override {
        if (m_closed || maxSize <= 0) return 0;
        int ready = net::WaitReadable(m_socket, timeoutMs);
        if (ready <= 0) return 0;
        int got = net::Receive(m_socket, buffer, maxSize);
        if (got <= 0) {
            // The emulator went away: fail every later transfer at once.
            m_closed = true;
            return 0;
        }
        return got;
    }

private:
    net::SocketHandle m_socket;
    bool m_closed = false;
};

constexpr uint32_t kConnectTimeoutMs = 3000;

}  // namespace

std::unique_ptr<IRadioLink> OpenTcpLink(const std::string& host, uint16_t port, std::string& failure) {
    std::string error;
    net::SocketHandle s = net::Connect(host, port, kConnectTimeoutMs, &error);
    if (s == net::INVALID_SOCKET_HANDLE) {
        failure = error + " (is the radio emulator running there?)";
        return nullptr;
    }
    return std::make_unique<CTcpLink>(s);
}

}  // namespace pendrak
