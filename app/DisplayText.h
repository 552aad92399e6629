// Bytes to screen text: contact bytes in the program's code page, language
// texts in UTF-8 or the program's code page. Bytes that do not decode show
// as U+FFFD; the bytes themselves are never changed. The decoding is the
// core's own (platform/), as in pendrak-cli: Qt needs no ICU for it.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace pendrak {

// The usual name of a Windows code page, for messages.
QByteArray CodePageCodecName(int codePage);

// Bytes of one code page to screen text.
class CTextDecoder {
public:
    explicit CTextDecoder(int codePage) : m_codePage(codePage) {}
    QString Decode(std::string_view bytes) const;
    int CodePage() const { return m_codePage; }

private:
    int m_codePage;
};

// In the program's code page (pendrak::GetProgramCodePage()).
QString FromProgramBytes(std::string_view bytes);

// Language-file text: UTF-8 when the file begins with a byte-order mark,
// else the program's code page.
QString FromLangBytes(std::string_view bytes);

// GetLangString / GetLangResource for display.
QString LangString(const char* key);
QString LangResource(int id);
// For keys that older language files lack: the English text then.
QString LangStringOr(const char* key, const char* english);

// Typed text in the program's code page, as the contacts hold it; false in
// *exact when a character has no form there.
std::string ToProgramBytes(const QString& text, bool* exact);

// A path as the core's file operations want it.
std::string PathBytes(const QString& path);

}  // namespace pendrak
