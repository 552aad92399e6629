// What the cli tests need around a child process, the same on every platform.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliProcess.h"

namespace clitest {

void ExpectNoSanitizerReport(const std::string& err) {
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "WARNING: ThreadSanitizer", "runtime error:"})
        if (err.find(mark) != std::string::npos)
            ADD_FAILURE() << "a sanitizer reported in a child:\n" << err;
}

bool CChild::WaitFor(const std::string& text, int timeoutMs, bool useOut) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if ((useOut ? m_out : m_err).find(text) != std::string::npos) return true;
        if (Clock::now() >= end || !Pump(MsLeft(end))) return (useOut ? m_out : m_err).find(text) != std::string::npos;
    }
}

bool CChild::WaitForOut(const std::string& text, int timeoutMs) { return WaitFor(text, timeoutMs, true); }
bool CChild::WaitForErr(const std::string& text, int timeoutMs) { return WaitFor(text, timeoutMs, false); }

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env, int timeoutSec) {
    CChild child(program, args, env);
    ProcessResult result;
    result.exitCode = child.Wait(timeoutSec * 1000);
    result.out = child.Out();
    result.err = child.Err();
    return result;
}

ProcessResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    return RunProgram(PENDRAK_CLI, args, env);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace clitest
