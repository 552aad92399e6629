// What the radio tests of pendrak-cli share: radio memory files, synthetic
// images and an emulator served by "pendrak-cli emulate".
#pragma once

#include <csignal>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "contacts/ContactImage.h"

namespace clitest {

// Link time-outs shortened for the tests.
inline const std::vector<std::string> kFastLink = {"PENDRAK_TIMEOUT_SCALE=0.1"};

inline constexpr size_t RADIO_MEMORY_SIZE = 0x1000000;
inline constexpr size_t CONTACT_AREA = 0x200000;

inline std::string ImageBytes(const pendrak::CContactImage& image) {
    return std::string(reinterpret_cast<const char*>(image.Bytes()), pendrak::CONTACT_IMAGE_SIZE);
}

// A radio's memory file holding image at the emulator's contact area.
inline void WriteRadioMemory(const std::string& path, const pendrak::CContactImage& image) {
    std::string memory(RADIO_MEMORY_SIZE, '\xFF');
    memory.replace(CONTACT_AREA, pendrak::CONTACT_IMAGE_SIZE, ImageBytes(image));
    WriteFile(path, memory);
}

// Files a command left in dir whose names begin with "out".
inline int OutputFiles(const std::string& dir) {
    int n = 0;
    for (const std::string& name : ListDir(dir)) n += name.rfind("out", 0) == 0 ? 1 : 0;
    return n;
}

inline std::unique_ptr<pendrak::CContactImage> SyntheticImage(int count) {
    auto image = std::make_unique<pendrak::CContactImage>();
    image->ClearContactImage();
    for (int n = 0; n < count; ++n) {
        image->SetContactRadioId(n, 1000000 + n);
        image->SetContactFieldText(pendrak::CONTACT_CALLSIGN, n, "XX" + std::to_string(n % 100000));
        image->SetContactFieldText(pendrak::CONTACT_NAME, n, "Name " + std::to_string(n));
    }
    image->SetContactCount(count);
    return image;
}

// "pendrak-cli emulate" on a free loopback port.
class CEmulator {
public:
    explicit CEmulator(const std::string& memory, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"emulate", "--listen", "127.0.0.1:0", "--memory", memory};
        args.insert(args.end(), extra.begin(), extra.end());
        m_child = std::make_unique<CChild>(PENDRAK_CLI, args);
        if (m_child->WaitForOut("\n", 10000)) {
            std::smatch m;
            const std::string out = m_child->Out();
            if (std::regex_search(out, m, std::regex("listening on 127\\.0\\.0\\.1:(\\d+)")))
                m_address = "tcp:127.0.0.1:" + m[1].str();
        }
    }
    ~CEmulator() {
        m_child->Signal(SIGTERM);  // a clean stop saves the memory file whole
        m_child->Wait(10000);
    }
    const std::string& Address() const { return m_address; }
    CChild& Child() { return *m_child; }

private:
    std::unique_ptr<CChild> m_child;
    std::string m_address;
};

}  // namespace clitest
