// Windows: the system's own conversion. Accents go by decomposition
// (NormalizeString); other missing characters get the system's best fit
// where it has one, else '?'. Without ICU there is no Cyrillic, Greek or
// Chinese transliteration here.
#include <windows.h>

#include "platform/CodePage.h"
#include "platform/TextConvertImpl.h"

namespace pendrak {

namespace {

std::wstring Widen(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return {};
    const int len =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(len > 0 ? len : 0), L'\0');
    if (len > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                            len);
    return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage, DWORD flags, bool* usedDefault) {
    if (wide.empty()) return {};
    BOOL defaulted = FALSE;
    BOOL* pDefaulted = codePage == CP_UTF8 ? nullptr : &defaulted;
    const int len =
        WideCharToMultiByte(codePage, codePage == CP_UTF8 ? 0 : flags, wide.data(),
                            static_cast<int>(wide.size()), nullptr, 0, nullptr, pDefaulted);
    std::string out(static_cast<size_t>(len > 0 ? len : 0), '\0');
    if (len > 0)
        WideCharToMultiByte(codePage, codePage == CP_UTF8 ? 0 : flags, wide.data(),
                            static_cast<int>(wide.size()), out.data(), len, nullptr, pDefaulted);
    if (usedDefault) *usedDefault = len <= 0 || defaulted;
    return out;
}

std::wstring Normalized(const std::wstring& wide, NORM_FORM form) {
    if (wide.empty()) return wide;
    int len = NormalizeString(form, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0);
    for (int attempt = 0; attempt < 3 && len > 0; ++attempt) {
        std::wstring out(static_cast<size_t>(len), L'\0');
        len = NormalizeString(form, wide.c_str(), static_cast<int>(wide.size()), out.data(), len);
        if (len > 0) {
            out.resize(static_cast<size_t>(len));
            return out;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        len = -len;
    }
    return wide;
}

bool IsCombiningMark(wchar_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

}  // namespace

struct CTextConverter::CImpl::CState {
    UINT target = CP_UTF8;
    UINT source = CP_UTF8;
};

CTextConverter::CImpl::CImpl() : m_pState(new CState) {}
CTextConverter::CImpl::~CImpl() {
    delete m_pState;
}

bool CTextConverter::CImpl::Open(int targetCodePage, std::string_view sourceEncoding,
                                 std::string* error) {
    if (!IsValidCodePage(static_cast<UINT>(targetCodePage))) {
        if (error) *error = "code page " + std::to_string(targetCodePage) + " is not supported";
        return false;
    }
    m_pState->target = static_cast<UINT>(targetCodePage);
    m_pState->source = CP_UTF8;
    if (sourceEncoding.empty()) return true;
    const int source = CodePageFromName(sourceEncoding);
    if (source == 0 || !IsValidCodePage(static_cast<UINT>(source))) {
        if (error) *error = "unknown encoding '" + std::string(sourceEncoding) + "'";
        return false;
    }
    m_pState->source = static_cast<UINT>(source);
    return true;
}

bool CTextConverter::CImpl::HasSource() const {
    return m_pState->source != CP_UTF8;
}

std::string CTextConverter::CImpl::DecodeSource(std::string_view bytes) {
    return Narrow(Widen(bytes, m_pState->source), CP_UTF8, 0, nullptr);
}

void CTextConverter::CImpl::ComposeInPlace(std::string& utf8) {
    const std::wstring wide = Widen(utf8, CP_UTF8);
    if (IsNormalizedString(NormalizationC, wide.c_str(), static_cast<int>(wide.size()))) return;
    utf8 = Narrow(Normalized(wide, NormalizationC), CP_UTF8, 0, nullptr);
}

size_t CTextConverter::CImpl::Encode(std::string_view utf8, std::string& out) {
    size_t used = 0;
    while (used < utf8.size()) {
        const size_t len = Utf8SequenceLength(utf8, used);
        if (len == 0) break;
        const std::wstring wide = Widen(utf8.substr(used, len), CP_UTF8);
        bool defaulted = false;
        const std::string bytes = Narrow(wide, m_pState->target, WC_NO_BEST_FIT_CHARS, &defaulted);
        if (defaulted || bytes.empty()) break;
        out += bytes;
        used += len;
    }
    return used;
}

namespace {

// Letters that neither decompose nor have a best fit, spelled as the other
// systems' transliteration spells them, so that an import stores the same
// bytes everywhere.
const wchar_t* LatinSpelling(wchar_t c) {
    static const struct {
        wchar_t letter;
        const wchar_t* latin;
    } kLetters[] = {
        {L'\u0141', L"L"},  {L'\u0142', L"l"},  {L'\u0110', L"D"},  {L'\u0111', L"d"},
        {L'\u00D8', L"O"},  {L'\u00F8', L"o"},  {L'\u00DF', L"ss"}, {L'\u00C6', L"AE"},
        {L'\u00E6', L"ae"}, {L'\u0152', L"OE"}, {L'\u0153', L"oe"}, {L'\u00DE', L"TH"},
        {L'\u00FE', L"th"}, {L'\u0131', L"i"},  {L'\u0126', L"H"},  {L'\u0127', L"h"},
        {L'\u03C2', L"s"},  // final sigma
    };
    for (const auto& entry : kLetters)
        if (entry.letter == c) return entry.latin;
    return nullptr;
}

}  // namespace

std::string CTextConverter::CImpl::Transliterate(std::string_view utf8) {
    const std::wstring decomposed = Normalized(Widen(utf8, CP_UTF8), NormalizationKD);
    std::wstring latin;
    for (const wchar_t c : decomposed) {
        if (IsCombiningMark(c)) continue;
        // The system's best fit (ł as l in a Western code page) where the
        // character is still missing.
        const std::wstring one(1, c);
        bool defaulted = false;
        Narrow(one, m_pState->target, WC_NO_BEST_FIT_CHARS, &defaulted);
        if (!defaulted) {
            latin += c;
            continue;
        }
        const std::string fit = Narrow(one, m_pState->target, 0, &defaulted);
        if (!defaulted)
            latin += Widen(fit, m_pState->target);
        else if (const wchar_t* spelled = LatinSpelling(c))
            latin += spelled;
        else
            latin += c;
    }
    return Narrow(latin, CP_UTF8, 0, nullptr);
}

}  // namespace pendrak
