// The program's 8-bit code page: which bytes lead a double-byte character
// and how its bytes become UTF-8 for display. Contact texts, CSV bytes and
// language-file bytes stay bytes everywhere else.
#pragma once

#include <string>
#include <string_view>

namespace pendrak {

constexpr int CP_UTF8_ID = 65001;
constexpr int CP_GBK_ID = 936;

// Windows code-page number for a name such as "GBK", "cp936", "936",
// "UTF-8", "65001", "Big5", "Shift_JIS", "CP1252". 0 when unknown.
int CodePageFromName(std::string_view name);

// The code page in force for this process: set by SetProgramCodePage (from
// the settings' `codepage` key), else the system's (GetACP on Windows; GBK
// when the system default locale is Chinese (PRC), else UTF-8 elsewhere).
int GetProgramCodePage();
void SetProgramCodePage(int codePage);
// The system's own, which an empty `codepage` setting means.
int GetSystemCodePage();

// True when b starts a double-byte character in codePage (false for every
// byte of single-byte code pages and of UTF-8, whose trail bytes are never
// ASCII).
bool IsLeadByteInCodePage(unsigned char b, int codePage);
inline bool IsLeadByte(unsigned char b) { return IsLeadByteInCodePage(b, GetProgramCodePage()); }

// Length of the well-formed UTF-8 sequence at s[i], 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF included).
size_t Utf8SequenceLength(std::string_view s, size_t i);

#ifndef _WIN32
// The iconv name of a code page the program knows; null for others.
const char* CodePageIconvName(int codePage);
#endif

// Bytes in codePage to UTF-8. Bytes that do not decode become U+FFFD (and
// are counted in *replaced when given); the input is never changed.
std::string ToUtf8(std::string_view bytes, int codePage, long long* replaced = nullptr);
inline std::string ToUtf8(std::string_view bytes) { return ToUtf8(bytes, GetProgramCodePage()); }

// The code page of the program's arguments: the system's ANSI code page on
// Windows, UTF-8 elsewhere.
int CommandLineCodePage();

}  // namespace pendrak
