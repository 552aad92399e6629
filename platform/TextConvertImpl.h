// What each platform's conversion library supplies to CTextConverter.
#pragma once

#include <string>
#include <string_view>

#include "platform/TextConvert.h"

namespace pendrak {

class CTextConverter::CImpl {
public:
    CImpl();
    ~CImpl();
    CImpl(const CImpl&) = delete;
    CImpl& operator=(const CImpl&) = delete;

    bool Open(int targetCodePage, std::string_view sourceEncoding, std::string* error);
    // True when values are first decoded from an encoding other than UTF-8.
    bool HasSource() const;
    // Source bytes to UTF-8; bytes that do not decode become U+FFFD.
    std::string DecodeSource(std::string_view bytes);
    // To the composed form, so that e + U+0301 meets the code page's é.
    void ComposeInPlace(std::string& utf8);
    // Appends as much of the UTF-8 text as encodes, up to the first
    // character that does not (or the first ill-formed byte); the bytes used.
    size_t Encode(std::string_view utf8, std::string& out);
    // A Latin rendering of characters the code page lacks; empty when there
    // is none.
    std::string Transliterate(std::string_view utf8);

private:
    struct CState;
    CState* m_pState;
};

}  // namespace pendrak
