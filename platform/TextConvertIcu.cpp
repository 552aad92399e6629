// POSIX: iconv converts (as for display, so that a round trip gives the same
// bytes), ICU composes and transliterates.
#include <iconv.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <cerrno>
#include <memory>

#include "platform/CodePage.h"
#include "platform/TextConvertImpl.h"

namespace pendrak {

namespace {

const iconv_t NO_ICONV = reinterpret_cast<iconv_t>(-1);

class CIconv {
public:
    CIconv() = default;
    ~CIconv() { Close(); }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    bool Open(const char* to, const char* from) {
        Close();
        m_cd = iconv_open(to, from);
        return m_cd != NO_ICONV;
    }
    bool IsOpen() const { return m_cd != NO_ICONV; }
    void Close() {
        if (m_cd != NO_ICONV) iconv_close(m_cd);
        m_cd = NO_ICONV;
    }

    // Converts up to the first byte sequence that fails; the bytes used.
    size_t Run(std::string_view in, std::string& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t left = in.size();
        char chunk[256];
        while (left > 0) {
            char* dst = chunk;
            size_t room = sizeof chunk;
            const size_t rc = iconv(m_cd, &src, &left, &dst, &room);
            out.append(chunk, static_cast<size_t>(dst - chunk));
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) break;
        }
        return in.size() - left;
    }

private:
    iconv_t m_cd = NO_ICONV;
};

std::string ToUtf8String(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

struct CTextConverter::CImpl::CState {
    CIconv toTarget;
    CIconv fromSource;
    // Made on first need: building a transliterator costs tens of
    // milliseconds (a hundred and more for all scripts), and most lists
    // need none, or only the one for Latin letters.
    std::unique_ptr<icu::Transliterator> pLatinAscii, pAnyLatin;
    bool bLatinAsciiTried = false, bAnyLatinTried = false;

    // A Latin rendering of the run; the run itself when there is none, so
    // that its characters still count as lacking.
    std::string TransliterateRun(const icu::UnicodeString& text);
};

CTextConverter::CImpl::CImpl() : m_pState(new CState) {}
CTextConverter::CImpl::~CImpl() {
    delete m_pState;
}

bool CTextConverter::CImpl::Open(int targetCodePage, std::string_view sourceEncoding,
                                 std::string* error) {
    const char* target = CodePageIconvName(targetCodePage);
    if (!target || !m_pState->toTarget.Open(target, "UTF-8")) {
        if (error) *error = "code page " + std::to_string(targetCodePage) + " is not supported";
        return false;
    }
    m_pState->fromSource.Close();
    if (sourceEncoding.empty()) return true;
    std::string name(sourceEncoding);
    // Windows-style names and numbers as the settings accept them.
    if (const char* known = CodePageIconvName(CodePageFromName(sourceEncoding))) name = known;
    if (name == "UTF-8") return true;
    if (!m_pState->fromSource.Open("UTF-8", name.c_str())) {
        if (error) *error = "unknown encoding '" + std::string(sourceEncoding) + "'";
        return false;
    }
    return true;
}

bool CTextConverter::CImpl::HasSource() const {
    return m_pState->fromSource.IsOpen();
}

std::string CTextConverter::CImpl::DecodeSource(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        i += m_pState->fromSource.Run(bytes.substr(i), out);
        if (i < bytes.size()) {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

void CTextConverter::CImpl::ComposeInPlace(std::string& utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return;
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    if (nfc->isNormalized(text, status) || U_FAILURE(status)) return;
    const icu::UnicodeString composed = nfc->normalize(text, status);
    if (U_SUCCESS(status)) utf8 = ToUtf8String(composed);
}

size_t CTextConverter::CImpl::Encode(std::string_view utf8, std::string& out) {
    return m_pState->toTarget.Run(utf8, out);
}

std::string CTextConverter::CImpl::Transliterate(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    // Accents first, character by character: dropping the marks is cheap, is
    // all that most Latin letters need, and keeps a Greek ά beside a lacking
    // ς in its own script. What stays lacking goes to the transliterator in
    // runs, which it needs for context.
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) nfd = nullptr;
    std::string result, scratch;
    icu::UnicodeString lacking;
    bool changed = false;
    for (int32_t i = 0; nfd && i < text.length();) {
        const UChar32 c = text.char32At(i);
        i += U16_LENGTH(c);
        status = U_ZERO_ERROR;
        const icu::UnicodeString decomposed = nfd->normalize(icu::UnicodeString(c), status);
        icu::UnicodeString bare;
        for (int32_t k = 0; k < decomposed.length();) {
            const UChar32 d = decomposed.char32At(k);
            if (u_charType(d) != U_NON_SPACING_MARK) bare.append(d);
            k += U16_LENGTH(d);
        }
        if (U_SUCCESS(status) && !bare.isEmpty() && bare != icu::UnicodeString(c)) {
            const std::string candidate = ToUtf8String(bare);
            scratch.clear();
            if (Encode(candidate, scratch) == candidate.size()) {
                if (!lacking.isEmpty()) result += m_pState->TransliterateRun(lacking);
                lacking.remove();
                result += candidate;
                changed = true;
                continue;
            }
        }
        lacking.append(c);
    }
    if (!changed) {
        std::string latin = m_pState->TransliterateRun(text);
        return latin == utf8 ? std::string() : latin;
    }
    if (!lacking.isEmpty()) result += m_pState->TransliterateRun(lacking);
    return result;
}

std::string CTextConverter::CImpl::CState::TransliterateRun(const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    bool latinScript = true;
    for (int32_t i = 0; i < text.length() && latinScript;) {
        const UChar32 c = text.char32At(i);
        status = U_ZERO_ERROR;
        const UScriptCode script = uscript_getScript(c, &status);
        latinScript =
            script == USCRIPT_LATIN || script == USCRIPT_COMMON || script == USCRIPT_INHERITED;
        i += U16_LENGTH(c);
    }
    auto& translit = latinScript ? pLatinAscii : pAnyLatin;
    bool& tried = latinScript ? bLatinAsciiTried : bAnyLatinTried;
    if (!tried) {
        tried = true;
        status = U_ZERO_ERROR;
        translit.reset(icu::Transliterator::createInstance(
            latinScript ? "Latin-ASCII" : "Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        if (U_FAILURE(status)) translit.reset();
    }
    if (!translit) return ToUtf8String(text);
    icu::UnicodeString latin = text;
    translit->transliterate(latin);
    return ToUtf8String(latin);
}

}  // namespace pendrak
