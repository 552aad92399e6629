// Running pendrak-cli as a child process: its exit status and output, a
// background server, signals.
#pragma once

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <chrono>
#include <string>
#include <vector>

namespace clitest {

using Clock = std::chrono::steady_clock;

// Milliseconds until end, never below 0.
inline int MsLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

struct ProcessResult {
    int exitCode = -1;  // -1 when killed by a signal or timed out
    std::string out;
    std::string err;
};

// Runs the program to its end (killed after timeoutSec) with extra
// environment entries ("NAME=value").
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::vector<std::string>& env = {}, int timeoutSec = 60);
ProcessResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

// A child whose output is collected while it runs.
class CChild {
public:
    CChild(const std::string& program, const std::vector<std::string>& args,
           const std::vector<std::string>& env = {});
    ~CChild();
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;

    // Waits until stdout (or stderr) holds text, up to timeoutMs; true when it does.
    bool WaitForOut(const std::string& text, int timeoutMs);
    bool WaitForErr(const std::string& text, int timeoutMs);
    void Signal(int sig);
    void Kill();  // at once, as a crash or the system would end it
    long Id() const;
    // Waits for the end (killing it after timeoutMs); the exit code or -1.
    int Wait(int timeoutMs);

    const std::string& Out() const { return m_out; }
    const std::string& Err() const { return m_err; }

private:
    bool Pump(int timeoutMs);  // reads what has arrived; false at end of both streams
    bool WaitFor(const std::string& text, int timeoutMs, bool useOut);

#ifdef _WIN32
    void* m_hProcess = nullptr;
    unsigned long m_dwProcessId = 0;
    void* m_hOut = nullptr;
    void* m_hErr = nullptr;
#else
    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
#endif
    int m_exitCode = -1;
    bool m_bExited = false;
    std::string m_out;
    std::string m_err;
};

// A child that ends with an error of its own exits 1, as one that a
// sanitizer stopped does: its report on stderr fails the test instead.
void ExpectNoSanitizerReport(const std::string& err);

// False where a child cannot be stopped cleanly (Windows without a console,
// as under wine in CI); Signal then ends the child at once.
bool CanSignal();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Names in a folder (no . and ..).
std::vector<std::string> ListDir(const std::string& dir);
// Hidden from a plain listing: a dot name, or Windows' hidden attribute.
bool IsHidden(const std::string& dir, const std::string& name);

// A fresh folder under the system's temporary one, removed at the end.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Dir() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace clitest
