#include "platform/TextConvert.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/TextConvertImpl.h"

namespace pendrak {

namespace {

bool IsAscii(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    for (; end - p >= 8; p += 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080u) return false;
    }
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
    return true;
}

// Ill-formed bytes of a UTF-8 target become '?'; the rest is kept.
void AppendValidUtf8(std::string_view text, std::string& out, TextConvertStats& stats) {
    for (size_t i = 0; i < text.size();) {
        const size_t len = Utf8SequenceLength(text, i);
        if (len == 0) {
            out += '?';
            ++stats.replaced;
            ++i;
        } else {
            out.append(text.substr(i, len));
            i += len;
        }
    }
}

// The code point of a well-formed UTF-8 sequence.
uint32_t CodePointOf(std::string_view c) {
    const auto b = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(c[i]));
    };
    switch (c.size()) {
        case 1:
            return b(0);
        case 2:
            return (b(0) & 0x1F) << 6 | (b(1) & 0x3F);
        case 3:
            return (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
        default:
            return (b(0) & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
    }
}

constexpr size_t MAX_REMEMBERED = 4096;

size_t CountCharacters(std::string_view utf8) {
    size_t n = 0;
    for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace

CTextConverter::CTextConverter() : m_pImpl(std::make_unique<CImpl>()) {}
CTextConverter::~CTextConverter() = default;

bool CTextConverter::Open(int targetCodePage, std::string_view sourceEncoding, std::string* error) {
    m_nTarget = targetCodePage;
    if (!m_pImpl->Open(targetCodePage, sourceEncoding, error)) return false;
    // The readers find separators, quotes, line ends and digits as ASCII
    // bytes: an encoding that spells them otherwise (UTF-16, UTF-32, EBCDIC)
    // cannot be read through them.
    static constexpr std::string_view PROBE = "\r\n\t ,;\"0123456789AZaz_";
    if (m_pImpl->HasSource() && m_pImpl->DecodeSource(PROBE) != PROBE) {
        if (error)
            *error = "encoding '" + std::string(sourceEncoding) +
                     "' cannot be read: its commas, quotes, line ends and digits are not single "
                     "ASCII bytes (a UTF-16 file with a byte-order mark is read without "
                     "--encoding)";
        return false;
    }
    return true;
}

void CTextConverter::Convert(std::string_view value, std::string& out, TextConvertStats& stats) {
    // Most values of a real list are ASCII, which every code page keeps.
    if (IsAscii(value)) {
        out.append(value);
        return;
    }
    std::string text;  // when the value had to be decoded or composed
    std::string_view rest = value;
    if (m_pImpl->HasSource()) rest = text = m_pImpl->DecodeSource(value);
    if (m_nTarget == CP_UTF8_ID) {
        AppendValidUtf8(rest, out, stats);
        return;
    }
    const size_t outStart = out.size();
    bool composed = false;
    for (size_t i = 0; i < rest.size();) {
        i += m_pImpl->Encode(rest.substr(i), out);
        if (i >= rest.size()) break;
        // Only a value that does not convert as it is needs composing: an e
        // with U+0301 after it then meets the code page's é.
        if (!composed) {
            composed = true;
            std::string composedText(rest);
            m_pImpl->ComposeInPlace(composedText);
            text = std::move(composedText);
            rest = text;
            out.resize(outStart);
            i = 0;
            continue;
        }
        if (Utf8SequenceLength(rest, i) == 0) {
            out += '?';
            ++stats.replaced;
            ++i;
            continue;
        }
        // The characters the code page lacks, as one run: a transliterator
        // does better on "王小明" than on three lone characters.
        size_t end = i;
        while (end < rest.size()) {
            const size_t len = Utf8SequenceLength(rest, end);
            if (len == 0 || CanEncode(rest.substr(end, len))) break;
            end += len;
        }
        const std::string_view run = rest.substr(i, end - i);
        const size_t characters = CountCharacters(run);
        i = end;
        const std::string& latin = Transliterated(run);
        if (latin.empty() || latin == run) {
            out.append(characters, '?');
            stats.replaced += static_cast<long long>(characters);
            continue;
        }
        // What even the transliteration cannot give becomes '?'.
        size_t missing = 0;
        for (size_t k = 0; k < latin.size();) {
            k += m_pImpl->Encode(std::string_view(latin).substr(k), out);
            if (k >= latin.size()) break;
            const size_t len = Utf8SequenceLength(latin, k);
            out += '?';
            ++missing;
            k += len == 0 ? 1 : len;
        }
        stats.replaced += static_cast<long long>(missing);
        stats.transliterated +=
            static_cast<long long>(characters > missing ? characters - missing : 0);
    }
}

bool CTextConverter::ConvertExactly(std::string_view value, std::string& out) {
    if (IsAscii(value)) {
        out.append(value);
        return true;
    }
    std::string text;
    std::string_view rest = value;
    if (m_pImpl->HasSource()) rest = text = m_pImpl->DecodeSource(value);
    if (m_nTarget == CP_UTF8_ID) {
        TextConvertStats stats;
        AppendValidUtf8(rest, out, stats);
        return stats.replaced == 0;
    }
    const size_t outStart = out.size();
    if (m_pImpl->Encode(rest, out) == rest.size()) return true;
    // Composed, an e with U+0301 after it may still meet the code page's é.
    text = std::string(rest);
    m_pImpl->ComposeInPlace(text);
    out.resize(outStart);
    return m_pImpl->Encode(text, out) == text.size();
}

bool CTextConverter::CanEncode(std::string_view oneCharacter) {
    const auto encodes = [&] {
        std::string scratch;
        return m_pImpl->Encode(oneCharacter, scratch) == oneCharacter.size();
    };
    const uint32_t cp = CodePointOf(oneCharacter);
    if (cp >= 0x10000) return encodes();
    if (m_encodable.empty()) m_encodable.assign(0x10000, 0);
    if (m_encodable[cp] == 0) m_encodable[cp] = encodes() ? 1 : 2;
    return m_encodable[cp] == 1;
}

const std::string& CTextConverter::Transliterated(std::string_view run) {
    const std::string key(run);
    if (const auto it = m_transliterations.find(key); it != m_transliterations.end())
        return it->second;
    if (m_transliterations.size() >= MAX_REMEMBERED) m_transliterations.clear();
    return m_transliterations.emplace(key, m_pImpl->Transliterate(run)).first->second;
}

size_t CharBoundaryCut(std::string_view text, size_t width, int codePage) {
    if (text.size() <= width) return text.size();
    if (codePage == CP_UTF8_ID) {
        // A sequence is at most 4 bytes: ill-formed text backs off no further.
        size_t cut = width;
        while (cut > 0 && width - cut < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        return cut;
    }
    size_t i = 0;
    while (i < width) {
        const size_t len =
            IsLeadByteInCodePage(static_cast<unsigned char>(text[i]), codePage) ? 2 : 1;
        if (i + len > width) break;
        i += len;
    }
    return i;
}

bool FromUtf8(std::string_view utf8, int codePage, std::string& out) {
    out.clear();
    CTextConverter converter;
    return converter.Open(codePage, {}, nullptr) && converter.ConvertExactly(utf8, out);
}

}  // namespace pendrak
