#include "platform/System.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif
#endif

namespace pendrak {

uint32_t TickCount() {
#ifdef _WIN32
    return GetTickCount();
#else
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
#endif
}

void SleepMs(uint32_t ms) {
#ifdef _WIN32
    Sleep(ms);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

std::string ProgramPath() {
#ifdef _WIN32
    char buffer[MAX_PATH] = {};
    const DWORD len = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, len < MAX_PATH ? len : 0);
#elif defined(__APPLE__)
    char buffer[4096] = {};
    uint32_t size = sizeof buffer;
    if (_NSGetExecutablePath(buffer, &size) != 0) return {};
    char resolved[4096] = {};
    return realpath(buffer, resolved) ? std::string(resolved) : std::string(buffer);
#else
    char buffer[4096];
    const ssize_t len = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return len > 0 ? std::string(buffer, static_cast<size_t>(len)) : std::string();
#endif
}

std::string DirectoryOf(const std::string& path) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        // The trail byte may look like a backslash. Trail bytes are never
        // below 0x40, so a '/' always separates: UTF-8 paths on a system
        // whose code page is GBK keep their folders.
        if (IsLeadByte(b) && i + 1 < path.size() &&
            static_cast<unsigned char>(path[i + 1]) >= 0x40) {
            ++i;
            continue;
        }
        if (b == '\\' || b == '/') cut = i;
    }
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string NativePath(std::string path) {
#ifdef _WIN32
    for (char& c : path)
        if (c == '/') c = '\\';
#endif
    return path;
}

std::string BaseNameWithoutExtension(const std::string& path) {
    const std::string dir = DirectoryOf(path);
    std::string name = dir.empty() && path.find_first_of("\\/") == std::string::npos
                           ? path
                           : path.substr(dir.size() + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

bool PathExists(const std::string& path) {
#ifdef _WIN32
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
#else
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
#endif
}

int LastSystemError() {
#ifdef _WIN32
    return static_cast<int>(GetLastError());
#else
    return errno;
#endif
}

std::string SystemErrorText(int code) {
#ifdef _WIN32
    char buffer[512] = {};
    DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    // The system's text ends in ". \r\n"; a message goes on after it.
    while (len > 0 && (buffer[len - 1] == '\n' || buffer[len - 1] == '\r' ||
                       buffer[len - 1] == ' ' || buffer[len - 1] == '.'))
        --len;
    if (len == 0) return "system error " + std::to_string(code);
    return std::string(buffer, len);
#else
    return std::strerror(code);
#endif
}

std::string UserDataDir() {
#ifdef _WIN32
    const char* local = std::getenv("LOCALAPPDATA");
    return local && *local ? std::string(local) : std::string();
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.local/share" : std::string();
#endif
}

std::string UserCacheDir() {
#ifdef _WIN32
    const std::string local = UserDataDir();
    return local.empty() ? local : local + "\\pendrak\\cache";
#else
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/pendrak";
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.cache/pendrak" : std::string();
#endif
}

bool CanWriteInFolder(const std::string& folder) {
#ifdef _WIN32
    // Folder attributes say nothing of the rights on them: try a file.
    const std::string probe =
        folder + "\\.pendrak-probe-" + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
#else
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

#ifndef _WIN32
uint32_t LcidFromLocaleName(const char* name) {
    // Language, then region: "de_AT.UTF-8@euro" is German, "pt_BR" Brazilian.
    const std::string text(name ? name : "");
    const std::string language = text.substr(0, text.find_first_of("_.@"));
    const size_t regionAt = text.find('_');
    const std::string region =
        regionAt == std::string::npos ? std::string()
                                      : text.substr(regionAt + 1, text.find_first_of(".@", regionAt) - regionAt - 1);
    if (language == "zh") return region == "CN" ? 0x0804u : 0x0404u;
    if (language == "pt") return region == "BR" ? 0x0416u : 0x0816u;
    static const struct {
        const char* language;
        uint32_t lcid;
    } kLanguages[] = {{"cs", 0x0405}, {"de", 0x0407}, {"es", 0x0C0A}, {"fr", 0x040C},
                      {"it", 0x0410}, {"ja", 0x0411}, {"nl", 0x0413}, {"pl", 0x0415},
                      {"ru", 0x0419}, {"uk", 0x0422}};
    for (const auto& l : kLanguages)
        if (language == l.language) return l.lcid;
    return 0x0409u;
}
#endif

uint32_t SystemDefaultLcid() {
#ifdef _WIN32
    return GetSystemDefaultLCID();
#else
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return LcidFromLocaleName(value);
    }
    return 0x0409u;
#endif
}

}  // namespace pendrak
