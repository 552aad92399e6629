// CliProcess.h on Windows: children through CreateProcess with piped output.
// A "signal" is a Ctrl-Break to the child's own process group, which the C
// runtime hands to the program as SIGBREAK.
#include "CliProcess.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace clitest {

namespace {

// The quoting that the C runtime's argv parser undoes.
std::string QuoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

std::string NameOf(const std::string& entry) {
    std::string name = entry.substr(0, entry.find('=', 1));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return name;
}

// The parent's environment with the extra entries replacing any of the
// same name (Windows would find the first of two).
std::string EnvironmentBlock(const std::vector<std::string>& extra) {
    std::vector<std::string> entries;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::strlen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsA(block);
    }
    for (const std::string& e : extra) {
        const std::string name = NameOf(e);
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&name](const std::string& old) { return NameOf(old) == name; }),
                      entries.end());
        entries.push_back(e);
    }
    std::string block;
    for (const std::string& e : entries) block += e + '\0';
    return block + '\0';
}

void ClosePipe(void*& handle) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

CChild::CChild(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0))
        throw std::runtime_error("CreatePipe");
    // Only the child's ends go to the child (and to no later child).
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);

    std::string commandLine = QuoteArgument(program);
    for (const std::string& a : args) commandLine += " " + QuoteArgument(a);
    std::string environment = EnvironmentBlock(env);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof info);
    const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NEW_PROCESS_GROUP, environment.data(), nullptr, &startup, &info);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    m_hOut = outRead;
    m_hErr = errRead;
    if (!started) {
        ClosePipe(m_hOut);
        ClosePipe(m_hErr);
        throw std::runtime_error("cannot start " + program + " (Windows error " + std::to_string(GetLastError()) +
                                 ")");
    }
    CloseHandle(info.hThread);
    m_hProcess = info.hProcess;
    m_dwProcessId = info.dwProcessId;
}

CChild::~CChild() {
    if (!m_bExited && m_hProcess) {
        TerminateProcess(m_hProcess, 1);
        Wait(5000);
    }
    if (m_hProcess) CloseHandle(m_hProcess);
    ClosePipe(m_hOut);
    ClosePipe(m_hErr);
}

bool CChild::Pump(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!m_hOut && !m_hErr) return false;
        bool got = false;
        for (int i = 0; i < 2; ++i) {
            void*& pipe = i == 0 ? m_hOut : m_hErr;
            if (!pipe) continue;
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
                ClosePipe(pipe);  // the child's end is closed: nothing more comes
                continue;
            }
            if (available == 0) continue;
            char buffer[65536];
            DWORD read = 0;
            if (::ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &read, nullptr) && read > 0) {
                std::string& text = i == 0 ? m_out : m_err;
                text.append(buffer, read);
                // Windows ends text lines with CR LF; the cases compare lines.
                for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
                got = true;
            } else {
                ClosePipe(pipe);
            }
        }
        if (got || Clock::now() >= end) return true;
        Sleep(5);
    }
}

// Ctrl-Break reaches only processes on the sender's console; wine run
// from a script gives none.
bool CanSignal() {
    DWORD mode = 0;
    return GetConsoleWindow() != nullptr || GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
}

void CChild::Signal(int sig) {
    if (m_bExited) return;
    if ((sig == SIGINT || sig == SIGTERM) && GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, m_dwProcessId)) return;
    TerminateProcess(m_hProcess, 1);
}

void CChild::Kill() {
    if (!m_bExited) TerminateProcess(m_hProcess, 1);
}

long CChild::Id() const { return static_cast<long>(m_dwProcessId); }

bool IsHidden(const std::string& dir, const std::string& name) {
    const DWORD attributes = GetFileAttributesA((dir + "\\" + name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

int CChild::Wait(int timeoutMs) {
    if (m_bExited) return m_exitCode;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT) {
        if (Clock::now() >= end) {
            TerminateProcess(m_hProcess, 1);
            WaitForSingleObject(m_hProcess, INFINITE);
            m_bExited = true;
            return m_exitCode = -1;
        }
        Pump(std::min(MsLeft(end), 50));
    }
    // What the child wrote before it ended is still in the pipes.
    while (Pump(0) && (m_hOut || m_hErr)) {
    }
    DWORD code = 0;
    GetExitCodeProcess(m_hProcess, &code);
    m_bExited = true;
    m_exitCode = static_cast<int>(code);
    ExpectNoSanitizerReport(m_err);
    return m_exitCode;
}

CTempDir::CTempDir() {
    const std::string base = (std::filesystem::temp_directory_path() / "pendrak-cli-test.").string();
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::string path =
            base + std::to_string(GetCurrentProcessId()) + "." + std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            m_path = path;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

CTempDir::~CTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace clitest
