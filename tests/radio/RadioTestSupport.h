// Shared pieces of the radio tests: short time-outs and a scripted link.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "radio/RadioLink.h"
#include "radio/sim/MemoryFile.h"

namespace pendrak::test {

using Bytes = std::vector<unsigned char>;

// Short enough that a silent radio costs tens of milliseconds.
inline RadioTimeouts ShortTimeouts() {
    RadioTimeouts t;
    t.writeMs = 20;
    t.readMs = 30;
    t.exactWindowMs = 20;
    t.pollMs = 1;
    t.drainWindowMs = 20;
    return t;
}

// A fresh folder of its own for a test's files, so that test processes
// running side by side never share one.
inline std::filesystem::path UniqueTempDir(const std::string& name) {
    static std::atomic<int> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    auto dir = std::filesystem::temp_directory_path() /
               ("pendrak-" + name + "-" + std::to_string(now) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    return dir;
}

// Answers each written packet through a script and hands the replies out
// in reads of at most `chunk` bytes, recording every packet and read size.
struct ScriptedLinkLog {
    std::vector<Bytes> written;
    std::vector<int> readSizes;
};

class CScriptedLink : public IRadioLink {
public:
    using Script = std::function<Bytes(const Bytes& packet)>;
    CScriptedLink(Script script, std::shared_ptr<ScriptedLinkLog> log, size_t chunk = 1 << 20)
        : m_script(std::move(script)), m_log(std::move(log)), m_chunk(chunk) {}

    int Write(const unsigned char* data, int size, uint32_t) override {
        Bytes packet(data, data + size);
        m_log->written.push_back(packet);
        Bytes reply = m_script(packet);
        m_pending.insert(m_pending.end(), reply.begin(), reply.end());
        return size;
    }
    int ReadOnce(unsigned char* buffer, int maxSize, uint32_t) override {
        m_log->readSizes.push_back(maxSize);
        size_t n = std::min({m_pending.size(), size_t(maxSize), m_chunk});
        for (size_t i = 0; i < n; ++i) {
            buffer[i] = m_pending.front();
            m_pending.pop_front();
        }
        return int(n);
    }
    // Bytes queued as if the radio had sent them unasked.
    void Inject(const Bytes& bytes) { m_pending.insert(m_pending.end(), bytes.begin(), bytes.end()); }

private:
    Script m_script;
    std::shared_ptr<ScriptedLinkLog> m_log;
    size_t m_chunk;
    std::deque<unsigned char> m_pending;
};

// Takes blocks until its failFrom-th, then refuses them; can refuse to save.
class CFailingStore : public IMemoryStore {
public:
    explicit CFailingStore(int failFrom, bool failFlush = false)
        : m_failFrom(failFrom), m_failFlush(failFlush) {}
    bool Store(uint32_t, const unsigned char*, size_t) override {
        if (m_failFrom == 0 || ++m_calls < m_failFrom) return true;
        if (m_failure.empty()) m_failure = "store refused: disk full";
        return false;
    }
    bool Flush() override {
        if (!m_failFlush) return true;
        if (m_failure.empty()) m_failure = "save refused: I/O error";
        return false;
    }
    std::string TakeFailure() override {
        std::string f;
        f.swap(m_failure);
        return f;
    }

private:
    int m_failFrom;
    bool m_failFlush;
    int m_calls = 0;
    std::string m_failure;
};

}  // namespace pendrak::test
