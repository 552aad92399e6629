// Text from other programs' files into the radio's code page: decoding,
// transliteration of what the code page lacks, and cuts that never split a
// character. With CodePage.cpp and Utf16Decoder.h, the one place that converts
// text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pendrak {

// What a conversion did to the characters it could not keep as they were.
struct TextConvertStats {
    long long transliterated = 0;  // written as a transliteration (é as e, Ж as Zh)
    long long replaced = 0;        // written as '?'
};

// Converts values from a source encoding (UTF-8 unless named otherwise) into
// a code page. ASCII passes through untouched; a character the code page
// lacks becomes its transliteration where one exists, else '?'. Not shared
// between threads.
class CTextConverter {
public:
    CTextConverter();
    ~CTextConverter();
    CTextConverter(const CTextConverter&) = delete;
    CTextConverter& operator=(const CTextConverter&) = delete;

    // sourceEncoding: empty for UTF-8, else a name such as "ISO-8859-1",
    // "CP1252" or "GBK". False, with a message, for a name not known here.
    bool Open(int targetCodePage, std::string_view sourceEncoding, std::string* error);

    // Appends the conversion of `value` to `out`.
    void Convert(std::string_view value, std::string& out, TextConvertStats& stats);
    // The same without transliteration or '?': false at the first character
    // the code page lacks (nothing built for transliterating, so it is quick).
    bool ConvertExactly(std::string_view value, std::string& out);

    class CImpl;

private:
    bool CanEncode(std::string_view oneCharacter);
    const std::string& Transliterated(std::string_view run);

    int m_nTarget = 0;
    std::unique_ptr<CImpl> m_pImpl;
    // Real lists repeat the same few characters: what the library said of
    // each is kept for the next time.
    std::vector<uint8_t> m_encodable;  // per BMP code point: 0 not asked, 1 yes, 2 no
    std::unordered_map<std::string, std::string> m_transliterations;
};

// UTF-8 to bytes in codePage, exactly: false when the text is not UTF-8 or
// a character has no form there (nothing is transliterated or replaced).
bool FromUtf8(std::string_view utf8, int codePage, std::string& out);

// The longest prefix of `text` of at most `width` bytes that ends on a
// character boundary of codePage (a double-byte character or a UTF-8
// sequence is kept whole or not at all).
size_t CharBoundaryCut(std::string_view text, size_t width, int codePage);

}  // namespace pendrak
