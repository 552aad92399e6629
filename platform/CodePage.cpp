#include "platform/CodePage.h"

#include <atomic>
#include <cctype>
#include <cstdint>

#include "platform/System.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace pendrak {

namespace {

// The code pages the program knows, with the iconv name of each.
constexpr struct {
    int codePage;
    const char* iconvName;
} kCodePages[] = {
    {65001, "UTF-8"}, {936, "CP936"},        {54936, "GB18030"}, {950, "CP950"},   {949, "CP949"},
    {932, "CP932"},   {874, "CP874"},        {1250, "CP1250"},   {1251, "CP1251"}, {1252, "CP1252"},
    {1253, "CP1253"}, {1254, "CP1254"},      {1255, "CP1255"},   {1256, "CP1256"}, {1257, "CP1257"},
    {1258, "CP1258"}, {28591, "ISO-8859-1"},
};

// Names as people write them in settings files (upper case, without '-',
// '_' and blanks); numbers, also after "CP", "MS" or "WINDOWS", need none.
constexpr struct {
    const char* name;
    int codePage;
} kAliases[] = {
    {"UTF8", 65001},    {"GBK", 936},  {"GB2312", 936},   {"EUCCN", 936},
    {"GB18030", 54936}, {"BIG5", 950}, {"UHC", 949},      {"EUCKR", 949},
    {"SHIFTJIS", 932},  {"SJIS", 932}, {"LATIN1", 28591}, {"ISO88591", 28591},
};

// 0 until the first question: the system's code page is worked out lazily so
// that the locale environment is read after main has started.
std::atomic<int> g_programCodePage{0};

int SystemCodePage() {
#ifdef _WIN32
    return static_cast<int>(GetACP());
#else
    return SystemDefaultLcid() == 0x0804u ? CP_GBK_ID : CP_UTF8_ID;
#endif
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;

std::string Utf8Sanitised(std::string_view bytes, long long* replaced = nullptr) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = Utf8SequenceLength(bytes, i);
        if (len == 0) {
            AppendUtf8(out, kReplacement);
            if (replaced) ++*replaced;
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

#ifdef _WIN32

// Converts one run that must decode as a whole; false when it does not.
bool AppendDecoded(std::string& out, std::string_view bytes, int codePage) {
    if (bytes.empty()) return true;
    const int inLen = static_cast<int>(bytes.size());
    const int wideLen = MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS,
                                            bytes.data(), inLen, nullptr, 0);
    if (wideLen <= 0) return false;
    std::wstring wide(static_cast<size_t>(wideLen), L'\0');
    MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, bytes.data(), inLen,
                        wide.data(), wideLen);
    const int outLen =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLen, nullptr, 0, nullptr, nullptr);
    if (outLen <= 0) return false;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(outLen));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLen, out.data() + at, outLen, nullptr,
                        nullptr);
    return true;
}

std::string DecodeToUtf8(std::string_view bytes, int codePage, long long* replaced) {
    std::string out;
    if (AppendDecoded(out, bytes, codePage)) return out;
    // Something does not decode: go character by character so that only the
    // bad bytes turn into U+FFFD.
    out.clear();
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const size_t len = (IsLeadByteInCodePage(b, codePage) && i + 1 < bytes.size()) ? 2 : 1;
        if (AppendDecoded(out, bytes.substr(i, len), codePage)) {
            i += len;
        } else {
            AppendUtf8(out, kReplacement);
            if (replaced) ++*replaced;
            ++i;
        }
    }
    return out;
}

#else

// One converter per thread, kept for the code page last asked for: the
// dialog converts many short texts in a row.
class Converter {
public:
    ~Converter() { Reset(); }

    iconv_t For(int codePage) {
        if (codePage != m_codePage) {
            Reset();
            if (const char* name = CodePageIconvName(codePage)) m_cd = iconv_open("UTF-8", name);
            m_codePage = codePage;
        }
        return m_cd;
    }

private:
    void Reset() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
        m_cd = reinterpret_cast<iconv_t>(-1);
        m_codePage = 0;
    }

    int m_codePage = 0;
    iconv_t m_cd = reinterpret_cast<iconv_t>(-1);
};

std::string DecodeToUtf8(std::string_view bytes, int codePage, long long* replaced) {
    thread_local Converter converter;
    iconv_t cd = converter.For(codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) return Utf8Sanitised(bytes, replaced);  // unknown: best effort
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    std::string out;
    char chunk[1024];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* dst = chunk;
        size_t dstLeft = sizeof chunk;
        const size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(chunk, static_cast<size_t>(dst - chunk));
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (cut short at the end): this byte does not decode.
        AppendUtf8(out, kReplacement);
        if (replaced) ++*replaced;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

#endif

}  // namespace

size_t Utf8SequenceLength(std::string_view s, size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if (b1 < lo || b1 > hi) return 0;
    for (size_t k = 2; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (b < 0x80 || b > 0xBF) return 0;
    }
    return len;
}

#ifndef _WIN32
const char* CodePageIconvName(int codePage) {
    for (const auto& entry : kCodePages)
        if (entry.codePage == codePage) return entry.iconvName;
    return nullptr;
}
#endif

int CodePageFromName(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c == '-' || c == '_' || c == ' ' || c == '\t') continue;
        key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    for (const auto& entry : kAliases)
        if (key == entry.name) return entry.codePage;

    std::string_view digits = key;
    for (const std::string_view prefix : {"WINDOWS", "CP", "MS"})
        if (digits.substr(0, prefix.size()) == prefix) digits.remove_prefix(prefix.size());
    if (digits.empty() || digits.size() > 5) return 0;
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    for (const auto& entry : kCodePages)
        if (entry.codePage == number) return number;
    return 0;
}

int GetProgramCodePage() {
    int codePage = g_programCodePage.load(std::memory_order_relaxed);
    if (codePage == 0) {
        codePage = SystemCodePage();
        int expected = 0;
        g_programCodePage.compare_exchange_strong(expected, codePage);
    }
    return codePage;
}

int GetSystemCodePage() {
    return SystemCodePage();
}

void SetProgramCodePage(int codePage) {
    g_programCodePage.store(codePage > 0 ? codePage : 0, std::memory_order_relaxed);
}

bool IsLeadByteInCodePage(unsigned char b, int codePage) {
#ifdef _WIN32
    if (codePage == CP_UTF8_ID) return false;
    return IsDBCSLeadByteEx(static_cast<UINT>(codePage), b) != 0;
#else
    switch (codePage) {
        case 936:
        case 949:
        case 950:
        case 54936:
            return b >= 0x81 && b <= 0xFE;
        case 932:
            return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        default:
            return false;
    }
#endif
}

std::string ToUtf8(std::string_view bytes, int codePage, long long* replaced) {
    if (codePage == CP_UTF8_ID) return Utf8Sanitised(bytes, replaced);
    bool ascii = true;
    for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(bytes);
    return DecodeToUtf8(bytes, codePage, replaced);
}

int CommandLineCodePage() {
#ifdef _WIN32
    return static_cast<int>(GetACP());
#else
    return CP_UTF8_ID;
#endif
}

}  // namespace pendrak
