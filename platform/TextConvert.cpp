#include "platform/TextConvert.h"

#include "platform/CodePage.h"
#include "platform/TextConvertImpl.h"

namespace pendrak {

namespace {

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
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

// Characters of `text` from i on that the code page lacks, as one run: a
// transliterator does better on "王小明" than on three lone characters.
size_t MissingRunEnd(CTextConverter::CImpl& impl, std::string_view text, size_t i) {
    while (i < text.size()) {
        const size_t len = Utf8SequenceLength(text, i);
        if (len == 0 || impl.CanEncode(text.substr(i, len))) break;
        i += len;
    }
    return i;
}

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
    return m_pImpl->Open(targetCodePage, sourceEncoding, error);
}

void CTextConverter::Convert(std::string_view value, std::string& out, TextConvertStats& stats) {
    // Most values of a real list are ASCII, which every code page keeps.
    if (IsAscii(value)) {
        out.append(value);
        return;
    }
    std::string text =
        m_pImpl->HasSource() ? m_pImpl->DecodeSource(value) : std::string(value);
    if (m_nTarget == CP_UTF8_ID) {
        AppendValidUtf8(text, out, stats);
        return;
    }
    m_pImpl->ComposeInPlace(text);
    const std::string_view rest(text);
    for (size_t i = 0; i < rest.size();) {
        i += m_pImpl->Encode(rest.substr(i), out);
        if (i >= rest.size()) break;
        if (Utf8SequenceLength(rest, i) == 0) {
            out += '?';
            ++stats.replaced;
            ++i;
            continue;
        }
        const size_t end = MissingRunEnd(*m_pImpl, rest, i);
        const std::string_view run = rest.substr(i, end - i);
        const size_t characters = CountCharacters(run);
        i = end;
        const std::string latin = m_pImpl->Transliterate(run);
        if (latin.empty() || latin == run) {
            out.append(characters, '?');
            stats.replaced += static_cast<long long>(characters);
            continue;
        }
        stats.transliterated += static_cast<long long>(characters);
        // What even the transliteration cannot give becomes '?'.
        for (size_t k = 0; k < latin.size();) {
            k += m_pImpl->Encode(std::string_view(latin).substr(k), out);
            if (k >= latin.size()) break;
            const size_t len = Utf8SequenceLength(latin, k);
            out += '?';
            ++stats.replaced;
            k += len == 0 ? 1 : len;
        }
    }
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

}  // namespace pendrak
