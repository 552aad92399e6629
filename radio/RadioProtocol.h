// The radio's command protocol, host side. Exchanges return 1 for success
// and -1 for failure (RadioSearch: 1 or 0); none closes the link.
#pragma once

#include <cstdint>

namespace pendrak {

constexpr unsigned char RADIO_ACK = 0x06;
constexpr unsigned char RADIO_STX = 0x02;
constexpr int RADIO_BUFFER_SIZE = 17408;
constexpr int RADIO_INFO_MAX = 64;
constexpr int NARROW_BLOCK_SIZE = 59;
constexpr int WIDE_BLOCK_SIZE = 506;

// Header length of block commands for a block format digit value.
constexpr int BlockHeaderLength(int digit) { return digit >= 2 ? 6 : 5; }
constexpr int BlockSizeForDigit(int digit) { return digit >= 2 ? WIDE_BLOCK_SIZE : NARROW_BLOCK_SIZE; }

// How the last exchange of this thread failed: what a user can be told.
enum class RadioFault { None, NoAnswer, ShortAnswer, WrongAnswer, Refused };
RadioFault LastRadioFault();

int RadioSearch(unsigned char reply[7]);
int RadioSysInfo();
int RadioSendPreamble();
int RadioModelHandshake();
// On success the n data bytes (n <= 64) are copied to out; *length gets n
// when given.
int RadioReadInfo(unsigned char item, unsigned char* out, int* length = nullptr);
int RadioReadBlock(uint32_t address, int digit, int length, unsigned char* out);
int RadioWriteBlock(uint32_t address, const unsigned char* data, int digit, int length);

}  // namespace pendrak
