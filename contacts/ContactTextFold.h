// What find compares: texts with case and accents taken away, character
// by character, in the radio's code page. The contacts know no code pages:
// whoever does hands over how bytes become UTF-8 and back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pendrak {

// The fold of one code point as UTF-8 (lower case; Latin and Greek letters
// without their marks; ß as ss, Ł as l, ς as σ); empty when it folds to itself.
std::string FoldCodePoint(uint32_t codePoint);

// One character's folded bytes; startMask bit i: byte i begins a character.
struct FoldedChar {
    uint8_t nLength = 0;
    uint8_t startMask = 0;
    unsigned char bytes[6] = {};
};

struct ContactTextRules {
    using ToUtf8Fn = std::function<std::string(std::string_view)>;
    using FromUtf8Fn = std::function<bool(std::string_view utf8, std::string& out)>;

    ContactTextRules();
    // isLeadByte: the byte starts a two-byte character (GBK, Big5, ...).
    // Without toUtf8 and fromUtf8 (the code page's conversions) only ASCII
    // letters fold in a code page other than UTF-8.
    ContactTextRules(bool utf8Texts, const std::function<bool(unsigned char)>& isLeadByte,
                     const ToUtf8Fn& toUtf8 = {}, const FromUtf8Fn& fromUtf8 = {});

    std::array<bool, 256> leadByte{};
    bool utf8 = false;

    // Index into folds (0: the character folds to itself): single bytes of
    // 0x80 to 0xFF; two-byte characters by lead << 8 | trail (code pages with
    // lead bytes; UTF-8 by code point, below U+0800); U+1E00 to U+1EFF.
    std::array<uint16_t, 256> singleFold{};
    std::shared_ptr<const std::vector<uint16_t>> pairFold;
    std::shared_ptr<const std::vector<uint16_t>> latinExtraFold;
    std::shared_ptr<const std::vector<FoldedChar>> folds;
};

// Folds text into out, which holds 2 * text.size() bytes (ß may become ss
// in a single-byte code page); the length. Bit i of *starts (i < 64) is set
// for each byte of out that begins a character.
size_t FoldContactText(std::string_view text, const ContactTextRules& rules, unsigned char* out,
                       uint64_t* starts = nullptr);

}  // namespace pendrak
