#include "radio/sim/SimLink.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/System.h"
#include "radio/LinkFactories.h"
#include "radio/sim/MemoryFile.h"

namespace pendrak {

namespace {

EmulatorOptions g_simOptions;
std::shared_ptr<CRadioEmulator> g_lastSim;

class CEmulatorLink : public IRadioLink {
public:
    CEmulatorLink(std::shared_ptr<CRadioEmulator> radio, std::shared_ptr<IMemoryStore> store)
        : m_radio(std::move(radio)), m_store(std::move(store)) {
        m_pending.reserve(1024);
        if (m_store) m_radio->SetStore(m_store);
    }
    ~CEmulatorLink() override { Close(); }

    std::string Close() override {
        if (!m_store) return {};
        m_store->Flush();
        m_radio->SetStore(nullptr);
        std::string failure = m_store->TakeFailure();
        m_store.reset();  // the last owner: the file closes and its lock goes
        return failure;
    }

    int Write(const unsigned char* data, int size, uint32_t) override {
        if (size <= 0) return 0;
        if (m_readPos == m_pending.size()) {
            m_pending.clear();
            m_readPos = 0;
        }
        m_radio->Receive(data, size_t(size), m_pending);
        m_bSpoken = true;
        return size;
    }

    int ReadOnce(unsigned char* buffer, int maxSize, uint32_t timeoutMs) override {
        const size_t available = m_pending.size() - m_readPos;
        if (available == 0) {
            // Until the host has sent something the radio owes nothing, and
            // in-process nothing arrives late: the opening drain ends at once.
            // After a command, an empty read is a reply that never came and
            // costs its time-out, as on the device.
            if (maxSize > 0 && m_bSpoken) SleepMs(timeoutMs);
            return 0;
        }
        const size_t n = std::min(available, size_t(maxSize < 0 ? 0 : maxSize));
        std::memcpy(buffer, m_pending.data() + m_readPos, n);
        m_readPos += n;
        return int(n);
    }

private:
    std::shared_ptr<CRadioEmulator> m_radio;
    std::shared_ptr<IMemoryStore> m_store;
    std::vector<unsigned char> m_pending;
    size_t m_readPos = 0;
    bool m_bSpoken = false;
};

}  // namespace

void SetSimOptions(const EmulatorOptions& options) { g_simOptions = options; }
const EmulatorOptions& GetSimOptions() { return g_simOptions; }

std::unique_ptr<IRadioLink> CreateEmulatorLink(std::shared_ptr<CRadioEmulator> radio,
                                               std::shared_ptr<IMemoryStore> store) {
    return std::make_unique<CEmulatorLink>(std::move(radio), std::move(store));
}

std::shared_ptr<CRadioEmulator> LastSimEmulator() { return g_lastSim; }

std::unique_ptr<IRadioLink> OpenSimLink(const std::string& address, std::string& failure) {
    // The path as messages show it, with the platform's separators.
    const std::string path = NativePath(address);
    std::string problem = CRadioEmulator::CheckOptions(g_simOptions);
    if (!problem.empty()) {
        failure = "emulated radio: " + problem;
        return nullptr;
    }
    // A fresh radio's memory, unless the file holds one already.
    auto radio = std::make_shared<CRadioEmulator>(g_simOptions);
    auto file = std::make_shared<CMemoryFile>();
    if (!file->Open(path, radio->Memory(), radio->MemorySize(), failure, RadioMayCreate()))
        return nullptr;
    g_lastSim = radio;
    return CreateEmulatorLink(std::move(radio), std::move(file));
}

}  // namespace pendrak
