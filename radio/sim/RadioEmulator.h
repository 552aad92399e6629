// The radio's side of the command protocol, over a memory of its own. It
// parses every host command byte for byte and answers from that memory, so a
// Read or Write through it runs the real host protocol; faults can be
// injected to exercise the host's failure paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "radio/sim/MemoryFile.h"

namespace pendrak {

// Exchanges are the host commands the emulator has parsed, counted from 1
// (PSEARCH, SYSINFO, 'V', ACK, preamble, model identifier, STX, 'R', 'W'
// each count one). Blocks are the 'R' and 'W' commands alone, counted from 1
// (the 16-byte header read of a Read is block 1). 0 switches a fault off.
struct EmulatorFaults {
    int silentFromExchange = 0;     // no reply to this exchange or any later one
    int silentFromBlock = 0;        // no reply to this block command or any later one
    std::vector<int> shortReplyAt;  // these exchanges' replies lose their last byte
    std::vector<int> nakAt;         // these exchanges answer 0x15 where ACK was due
    int wrongAddressFromBlock =
        0;  // read replies from this block on carry a wrong address byte 1
            // (a write is answered by ACK alone: it has no address to spoil)
    std::string versionText = "D1.00.02";  // bytes 0-7 of the version record
    int versionRecordLength = 16;   // data bytes of information item 4 (byte 11 needs 12)
    int oversizeInfoItem = -1;      // this information item announces n = 65 (and sends 65 bytes)
    int corruptBlock = 0;           // this block command, a write, stores its last byte changed
};

struct EmulatorOptions {
    uint32_t memorySize = 0x1000000;          // the whole 24-bit address space
    uint32_t contactAreaAddress = 0x200000;   // information item 15
    char blockFormatDigit = '2';              // byte 11 of the version record
    EmulatorFaults faults;
    bool recordCommands = false;              // keep every parsed command (tests)
};

class CRadioEmulator {
public:
    explicit CRadioEmulator(const EmulatorOptions& options = EmulatorOptions());

    // Empty when the options make a usable radio (the whole contact region
    // inside the memory), else the reason.
    static std::string CheckOptions(const EmulatorOptions& options);

    const EmulatorOptions& Options() const { return m_options; }
    void SetFaults(const EmulatorFaults& faults) { m_options.faults = faults; }

    unsigned char* Memory() { return m_memory.data(); }
    const unsigned char* Memory() const { return m_memory.data(); }
    size_t MemorySize() const { return m_memory.size(); }
    // The contact storage region: memory from the contact area address on,
    // ContactRegionSize() bytes (the contact image's size when it fits).
    unsigned char* ContactRegion() { return m_memory.data() + m_options.contactAreaAddress; }
    const unsigned char* ContactRegion() const { return m_memory.data() + m_options.contactAreaAddress; }
    size_t ContactRegionSize() const;

    // A fresh radio: memory erased (0xFF), contact region header zeroed
    // (count 0).
    void ResetMemory();
    // The memory file holds the whole memory, exactly MemorySize() bytes.
    // Plain copies in and out, for tests and tools; a link keeps its radio's
    // file open and locked instead (CMemoryFile).
    bool LoadMemory(const std::string& path, std::string* error = nullptr);
    bool SaveMemory(const std::string& path, std::string* error = nullptr) const;

    // Every block write goes through the store before it is acknowledged; a
    // block the store refuses is refused, and the memory keeps its old bytes.
    // Null: the memory alone.
    void SetStore(std::shared_ptr<IMemoryStore> store) { m_store = std::move(store); }
    IMemoryStore* Store() const { return m_store.get(); }

    // Length of the command that begins at data once it can be told from the
    // bytes available, else 0 (more bytes needed). Unknown bytes count 1.
    size_t CommandLength(const unsigned char* data, size_t available) const;
    // Takes host bytes split in any way; appends to reply the answer of every
    // command completed by them. Bytes of an unfinished command are kept.
    void Receive(const unsigned char* data, size_t size, std::vector<unsigned char>& reply);
    // A new connection: forgets a half-received command and counts
    // exchanges and blocks from 1 again. Memory is kept.
    void ResetSession();

    // The block format the radio works in: the digit value its version
    // record states (0 - '0' when the record is too short to state one).
    int DigitValue() const;

    int ExchangeCount() const { return m_exchanges; }
    int BlockCount() const { return m_blocks; }
    const std::vector<std::vector<unsigned char>>& ReceivedCommands() const { return m_received; }

private:
    void Answer(const unsigned char* cmd, size_t length, std::vector<unsigned char>& reply);
    void AnswerInfo(unsigned char item, std::vector<unsigned char>& out);
    void AnswerRead(const unsigned char* cmd, std::vector<unsigned char>& out);
    void AnswerWrite(const unsigned char* cmd, size_t length, std::vector<unsigned char>& out);

    EmulatorOptions m_options;
    std::vector<unsigned char> m_memory;
    std::vector<unsigned char> m_input;
    int m_exchanges = 0;
    int m_blocks = 0;
    std::shared_ptr<IMemoryStore> m_store;
    std::vector<std::vector<unsigned char>> m_received;
};

}  // namespace pendrak
