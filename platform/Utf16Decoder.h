// UTF-16 files (what spreadsheets save as "Unicode Text") into UTF-8 while
// they are read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pendrak {

// UTF-16 of either byte order to UTF-8, fed in pieces of any size; what
// does not decode (a lone surrogate, an odd last byte) becomes U+FFFD.
class CUtf16Decoder {
public:
    // A decoder when the bytes begin with a UTF-16 byte-order mark.
    static std::unique_ptr<CUtf16Decoder> ForByteOrderMark(std::string_view lead) {
        if (lead.size() < 2) return nullptr;
        const auto a = static_cast<unsigned char>(lead[0]), b = static_cast<unsigned char>(lead[1]);
        if (a == 0xFF && b == 0xFE) return std::make_unique<CUtf16Decoder>(false);
        if (a == 0xFE && b == 0xFF) return std::make_unique<CUtf16Decoder>(true);
        return nullptr;
    }
    explicit CUtf16Decoder(bool bigEndian) : m_bBigEndian(bigEndian) {}

    void Decode(const char* data, size_t size, std::string& out) {
        for (size_t i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(data[i]);
            if (m_nOdd < 0) {
                m_nOdd = byte;
                continue;
            }
            const uint32_t unit = m_bBigEndian ? (static_cast<uint32_t>(m_nOdd) << 8 | byte)
                                               : (static_cast<uint32_t>(byte) << 8 | m_nOdd);
            m_nOdd = -1;
            Unit(unit, out);
        }
    }
    void Finish(std::string& out) {
        if (m_nHigh || m_nOdd >= 0) Append(0xFFFD, out);
        m_nHigh = 0;
        m_nOdd = -1;
    }

private:
    void Unit(uint32_t unit, std::string& out) {
        if (unit >= 0xDC00 && unit <= 0xDFFF && m_nHigh) {
            Append(0x10000 + ((m_nHigh - 0xD800) << 10) + (unit - 0xDC00), out);
            m_nHigh = 0;
            return;
        }
        if (m_nHigh) Append(0xFFFD, out);
        m_nHigh = 0;
        if (unit >= 0xD800 && unit <= 0xDBFF)
            m_nHigh = unit;
        else
            Append(unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit, out);
    }
    static void Append(uint32_t cp, std::string& out) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool m_bBigEndian;
    int m_nOdd = -1;       // the first byte of a unit, until its second comes
    uint32_t m_nHigh = 0;  // a high surrogate waiting for its low one
};

}  // namespace pendrak
