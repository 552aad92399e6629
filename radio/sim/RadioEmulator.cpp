#include "radio/sim/RadioEmulator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "contacts/ContactImage.h"
#include "platform/System.h"
#include "radio/RadioProtocol.h"

namespace pendrak {

namespace {

constexpr unsigned char NAK = 0x15;
constexpr unsigned char kPreamble[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0x0C};
// What the radio says after the PSEARCH ACK and after STX; the host never
// looks at either.
constexpr char kSearchReply[] = "PDKEMU1";
constexpr char kStxReply[] = "EMU00001";

bool Contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

void SetError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

}  // namespace

CRadioEmulator::CRadioEmulator(const EmulatorOptions& options) : m_options(options) {
    if (!CheckOptions(m_options).empty()) {
        // Unusable sizes fall back to the defaults rather than index out of
        // the memory; callers that care ask CheckOptions first.
        m_options.memorySize = EmulatorOptions().memorySize;
        m_options.contactAreaAddress = EmulatorOptions().contactAreaAddress;
    }
    m_memory.resize(m_options.memorySize);
    ResetMemory();
}

std::string CRadioEmulator::CheckOptions(const EmulatorOptions& options) {
    if (options.memorySize > 0x1000000u) return "memory larger than the 24-bit address space";
    if (options.contactAreaAddress > options.memorySize ||
        options.memorySize - options.contactAreaAddress < uint32_t(CONTACT_IMAGE_SIZE))
        return "the contact region (" + std::to_string(CONTACT_IMAGE_SIZE) +
               " bytes from the contact area address) does not fit in the memory";
    return {};
}

size_t CRadioEmulator::ContactRegionSize() const {
    return std::min<size_t>(CONTACT_IMAGE_SIZE, m_memory.size() - m_options.contactAreaAddress);
}

void CRadioEmulator::ResetMemory() {
    std::fill(m_memory.begin(), m_memory.end(), 0xFF);
    std::fill_n(ContactRegion(), CONTACT_HEADER_SIZE, 0x00);
}

void CRadioEmulator::ResetSession() {
    m_input.clear();
    m_exchanges = 0;
    m_blocks = 0;
    m_received.clear();
}

bool CRadioEmulator::LoadMemory(const std::string& path, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        SetError(error, "emulator memory file " + path +
                            ": cannot open it: " + SystemErrorText(LastSystemError()));
        return false;
    }
    std::vector<unsigned char> data(m_memory.size());
    size_t got = std::fread(data.data(), 1, data.size(), f);
    bool longer = std::fgetc(f) != EOF;
    std::fclose(f);
    if (got != data.size() || longer) {
        SetError(error, "emulator memory file " + path + " is not " +
                            std::to_string(m_memory.size()) + " bytes long");
        return false;
    }
    m_memory.swap(data);
    return true;
}

bool CRadioEmulator::SaveMemory(const std::string& path, std::string* error) const {
    std::string why;
    if (WriteWholeFile(path, m_memory.data(), m_memory.size(), true, why)) return true;
    SetError(error, "emulator memory file " + path + ": cannot write it: " + why);
    return false;
}

int CRadioEmulator::DigitValue() const {
    // The radio works in the format its version record states; a record too
    // short to carry the digit reads as 0, just as the host sees it.
    if (m_options.faults.versionRecordLength < 12) return 0 - '0';
    return int(static_cast<unsigned char>(m_options.blockFormatDigit)) - '0';
}

size_t CRadioEmulator::CommandLength(const unsigned char* data, size_t available) const {
    if (available == 0) return 0;
    const size_t h = size_t(BlockHeaderLength(DigitValue()));
    switch (data[0]) {
    case 'P':
    case 'S':
    case 'Q':
        return 7;
    case 'V':
        return 5;
    case 0xFF:
        return sizeof kPreamble;
    case 'R':
        return h;
    case 'W': {
        if (available < h) return 0;
        size_t length = data[4];
        if (h == 6) length |= size_t(data[5]) << 8;
        return h + length;
    }
    default:
        return 1;  // ACK, STX and anything unknown
    }
}

void CRadioEmulator::Receive(const unsigned char* data, size_t size,
                             std::vector<unsigned char>& reply) {
    const unsigned char* p = data;
    size_t avail = size;
    // Whole commands straight from the caller's bytes; only a tail that
    // does not complete a command waits in m_input.
    if (!m_input.empty()) {
        m_input.insert(m_input.end(), data, data + size);
        p = m_input.data();
        avail = m_input.size();
    }
    size_t used = 0;
    while (used < avail) {
        size_t length = CommandLength(p + used, avail - used);
        if (length == 0 || length > avail - used) break;
        Answer(p + used, length, reply);
        used += length;
    }
    if (m_input.empty()) {
        m_input.assign(p + used, p + avail);
    } else {
        m_input.erase(m_input.begin(), m_input.begin() + std::ptrdiff_t(used));
    }
}

void CRadioEmulator::Answer(const unsigned char* cmd, size_t length,
                            std::vector<unsigned char>& reply) {
    const EmulatorFaults& faults = m_options.faults;
    const unsigned char c = cmd[0];
    const bool known =
        (length == 7 && (std::memcmp(cmd, "PSEARCH", 7) == 0 || std::memcmp(cmd, "SYSINFO", 7) == 0 ||
                         std::memcmp(cmd, "QT4800V", 7) == 0)) ||
        (c == 'V' && length == 5) || (c == RADIO_ACK && length == 1) ||
        (c == RADIO_STX && length == 1) || (c == 0xFF && std::memcmp(cmd, kPreamble, 5) == 0) ||
        c == 'R' || c == 'W';
    if (!known) return;  // a radio ignores bytes it cannot parse

    const int exchange = ++m_exchanges;
    const bool block = (c == 'R' || c == 'W');
    if (block) ++m_blocks;
    if (m_options.recordCommands) m_received.emplace_back(cmd, cmd + length);
    if (faults.silentFromExchange > 0 && exchange >= faults.silentFromExchange) return;
    if (block && faults.silentFromBlock > 0 && m_blocks >= faults.silentFromBlock) return;

    std::vector<unsigned char> out;
    const bool nak = Contains(faults.nakAt, exchange);
    if (c == 'P' || c == 'S' || c == 'Q' || c == RADIO_ACK) {
        out.push_back(nak ? NAK : RADIO_ACK);
        if (c == 'P') out.insert(out.end(), kSearchReply, kSearchReply + 7);
    } else if (c == RADIO_STX) {
        out.insert(out.end(), kStxReply, kStxReply + 8);
    } else if (c == 'V') {
        AnswerInfo(cmd[4], out);
    } else if (c == 'R') {
        AnswerRead(cmd, out);
    } else if (c == 'W') {
        if (nak) {
            out.push_back(NAK);
        } else {
            AnswerWrite(cmd, length, out);
        }
    }
    // The preamble gets no answer.
    if (Contains(faults.shortReplyAt, exchange) && !out.empty()) out.pop_back();
    reply.insert(reply.end(), out.begin(), out.end());
}

void CRadioEmulator::AnswerInfo(unsigned char item, std::vector<unsigned char>& out) {
    std::vector<unsigned char> data;
    if (item == 4) {
        std::string text = m_options.faults.versionText;
        text.resize(8, '\0');
        data.assign(text.begin(), text.end());
        data.insert(data.end(), {'V', '0', '1', static_cast<unsigned char>(m_options.blockFormatDigit)});
        data.resize(16, 0);
        data.resize(size_t(std::clamp(m_options.faults.versionRecordLength, 0, RADIO_INFO_MAX)));
    } else if (item == 15) {
        const uint32_t a = m_options.contactAreaAddress;
        data = {uint8_t(a), uint8_t(a >> 8), uint8_t(a >> 16), 0};
    }
    if (item == m_options.faults.oversizeInfoItem) data.resize(RADIO_INFO_MAX + 1, 0);
    out.push_back('V');
    out.push_back(item);
    out.push_back(static_cast<unsigned char>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

void CRadioEmulator::AnswerRead(const unsigned char* cmd, std::vector<unsigned char>& out) {
    const size_t h = size_t(BlockHeaderLength(DigitValue()));
    size_t length = cmd[4];
    if (h == 6) length |= size_t(cmd[5]) << 8;
    const size_t address = cmd[1] | size_t(cmd[2]) << 8 | size_t(cmd[3]) << 16;
    out.assign(cmd, cmd + h);
    if (m_options.faults.wrongAddressFromBlock > 0 && m_blocks >= m_options.faults.wrongAddressFromBlock)
        out[1] = static_cast<unsigned char>(out[1] + 1);
    // Addresses past the memory read as erased flash.
    out.resize(h + length, 0xFF);
    if (address < m_memory.size()) {
        size_t n = std::min(length, m_memory.size() - address);
        std::memcpy(out.data() + h, m_memory.data() + address, n);
    }
}

void CRadioEmulator::AnswerWrite(const unsigned char* cmd, size_t length,
                                 std::vector<unsigned char>& out) {
    const size_t h = size_t(BlockHeaderLength(DigitValue()));
    const size_t address = cmd[1] | size_t(cmd[2]) << 8 | size_t(cmd[3]) << 16;
    const size_t n = length - h;
    if (address > m_memory.size() || m_memory.size() - address < n) {
        out.push_back(NAK);  // nothing stored past the memory
        return;
    }
    const unsigned char* data = cmd + h;
    std::vector<unsigned char> spoiled;
    if (n > 0 && m_blocks == m_options.faults.corruptBlock) {
        // Stored changed and acknowledged all the same: only reading back can tell.
        spoiled.assign(data, data + n);
        spoiled.back() ^= 0x01;
        data = spoiled.data();
    }
    // Acknowledged only once kept: a radio that could not store a block
    // must not let the host count it as written.
    if (m_store && !m_store->Store(uint32_t(address), data, n)) {
        out.push_back(NAK);
        return;
    }
    std::memcpy(m_memory.data() + address, data, n);
    out.push_back(RADIO_ACK);
}

}  // namespace pendrak
