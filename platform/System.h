// The few operating-system services the core needs, behind one face.
#pragma once

#include <cstdint>
#include <string>

namespace pendrak {

// Milliseconds from an arbitrary start; wraps like GetTickCount.
uint32_t TickCount();
void SleepMs(uint32_t ms);

// Full path of the running executable, in the program's code page.
std::string ProgramPath();

// Folder part of a path: everything before the last path separator
// ('\\' or '/'), found character by character so that the trail byte of a
// double-byte character is never taken for one. Empty without a separator.
std::string DirectoryOf(const std::string& path);

// The path with the platform's separators, for messages: '/' becomes '\\'
// on Windows (never a trail byte there); unchanged elsewhere.
std::string NativePath(std::string path);

// File name of a path without folder and without extension.
std::string BaseNameWithoutExtension(const std::string& path);

// True when something of that name exists (file or folder).
bool PathExists(const std::string& path);

// The last failure of a system call (errno; GetLastError on Windows) and
// its words ("No space left on device"), for messages that say why.
int LastSystemError();
std::string SystemErrorText(int code);

// The user's own folder for program data: %LOCALAPPDATA% on Windows,
// $XDG_DATA_HOME (when absolute) or ~/.local/share elsewhere; empty when
// none can be told.
std::string UserDataDir();

// The user's folder for files that can be fetched again: pendrak in
// $XDG_CACHE_HOME (when absolute) or ~/.cache; %LOCALAPPDATA%\pendrak\cache
// on Windows. Empty when none can be told.
std::string UserCacheDir();

// True when a file can be created in the folder (which must exist).
bool CanWriteInFolder(const std::string& folder);

// The system's default locale identifier: Windows' own; elsewhere from the
// locale environment (LC_ALL, LC_MESSAGES, LANG) by LcidFromLocaleName.
uint32_t SystemDefaultLcid();

#ifndef _WIN32
// The Windows identifier of a POSIX locale name, for the languages the
// program has texts in (zh_CN 0x0804, zh_TW 0x0404, de_DE 0x0407, pt_BR
// 0x0416, other pt 0x0816 …); 0x0409 for every other.
uint32_t LcidFromLocaleName(const char* name);
#endif

}  // namespace pendrak
