#include "radio/RadioProtocol.h"

#include <cstring>

#include "radio/RadioLink.h"

namespace pendrak {

namespace {

constexpr unsigned char kSearch[7] = {'P', 'S', 'E', 'A', 'R', 'C', 'H'};
constexpr unsigned char kSysInfo[7] = {'S', 'Y', 'S', 'I', 'N', 'F', 'O'};
constexpr unsigned char kModel[7] = {'Q', 'T', '4', '8', '0', '0', 'V'};
constexpr unsigned char kPreamble[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0x0C};
constexpr int kSearchAttempts = 3;

// Per thread: the worker's exchanges are told apart from the caller's.
thread_local RadioFault t_lastFault = RadioFault::None;

int Failed(RadioFault fault) {
    t_lastFault = fault;
    return -1;
}

// A reply of `got` bytes where `want` were due.
int Missing(int got) { return Failed(got == 0 ? RadioFault::NoAnswer : RadioFault::ShortAnswer); }

// One byte that must be ACK.
int ExpectAckReply() {
    unsigned char reply = 0;
    if (RadioReadExact(&reply, 1) != 1) return Failed(RadioFault::NoAnswer);
    return reply == RADIO_ACK ? 1 : Failed(RadioFault::Refused);
}

// Send one byte, expect one byte back.
int ExpectAck(unsigned char send) {
    RadioWrite(&send, 1);
    return ExpectAckReply();
}

int CloseWithAck() { return ExpectAck(RADIO_ACK); }

// Header of a block command: letter, 24-bit address, length (one byte in the
// narrow format, two in the wide). Returns the header length.
int BuildBlockHeader(unsigned char* cmd, unsigned char letter, uint32_t address, int digit, int length) {
    cmd[0] = letter;
    cmd[1] = static_cast<unsigned char>(address);
    cmd[2] = static_cast<unsigned char>(address >> 8);
    cmd[3] = static_cast<unsigned char>(address >> 16);
    cmd[4] = static_cast<unsigned char>(length);
    const int h = BlockHeaderLength(digit);
    if (h == 6) cmd[5] = static_cast<unsigned char>(length >> 8);
    return h;
}

// Packets never come near the exchange buffer; a length that would not fit
// is refused instead of overrunning it.
bool BlockFits(int digit, int length) {
    return length >= 0 && length <= RADIO_BUFFER_SIZE - BlockHeaderLength(digit);
}

}  // namespace

RadioFault LastRadioFault() { return t_lastFault; }

int RadioSearch(unsigned char reply[7]) {
    RadioDrain();
    for (int attempt = 0; attempt < kSearchAttempts; ++attempt) {
        RadioWrite(kSearch, sizeof kSearch);
        unsigned char in[8] = {};
        if (RadioReadExact(in, 8) == 8 && in[0] == RADIO_ACK) {
            std::memcpy(reply, in + 1, 7);
            return 1;
        }
    }
    return 0;
}

int RadioSysInfo() {
    RadioWrite(kSysInfo, sizeof kSysInfo);
    return ExpectAckReply();
}

int RadioSendPreamble() {
    RadioWrite(kPreamble, sizeof kPreamble);
    return 1;
}

int RadioModelHandshake() {
    RadioWrite(kModel, sizeof kModel);
    if (ExpectAckReply() != 1) return -1;
    unsigned char reply[8] = {};
    const unsigned char stx = RADIO_STX;
    RadioWrite(&stx, 1);
    RadioReadExact(reply, 8);  // content and length not examined
    return CloseWithAck();
}

int RadioReadInfo(unsigned char item, unsigned char* out, int* length) {
    const unsigned char cmd[5] = {'V', 0, 0, 0, item};
    RadioWrite(cmd, sizeof cmd);
    unsigned char head[3] = {};
    if (const int got = RadioReadExact(head, 3); got != 3) return Missing(got);
    if (head[0] != 'V') return Failed(RadioFault::WrongAnswer);
    const int n = head[2];
    if (n > RADIO_INFO_MAX) return Failed(RadioFault::WrongAnswer);
    unsigned char data[RADIO_INFO_MAX] = {};
    if (RadioReadExact(data, n) != n) return Failed(RadioFault::ShortAnswer);
    std::memcpy(out, data, size_t(n));
    if (length) *length = n;
    return CloseWithAck();
}

int RadioReadBlock(uint32_t address, int digit, int length, unsigned char* out) {
    if (!BlockFits(digit, length)) return Failed(RadioFault::WrongAnswer);
    unsigned char cmd[6] = {};
    const int h = BuildBlockHeader(cmd, 'R', address, digit, length);
    RadioWrite(cmd, h);
    unsigned char reply[RADIO_BUFFER_SIZE];
    if (const int got = RadioReadExact(reply, h + length); got != h + length) return Missing(got);
    if (std::memcmp(reply + 1, cmd + 1, 3) != 0) return Failed(RadioFault::WrongAnswer);
    std::memcpy(out, reply + h, size_t(length));
    return CloseWithAck();
}

int RadioWriteBlock(uint32_t address, const unsigned char* data, int digit, int length) {
    if (!BlockFits(digit, length)) return Failed(RadioFault::WrongAnswer);
    unsigned char packet[RADIO_BUFFER_SIZE];
    const int h = BuildBlockHeader(packet, 'W', address, digit, length);
    std::memcpy(packet + h, data, size_t(length));
    RadioWrite(packet, h + length);
    return ExpectAckReply();
}

}  // namespace pendrak
