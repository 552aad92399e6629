// What the cli tests need around a child process, the same on every platform.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliProcess.h"

namespace clitest {

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
