#include "CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace clitest {

CChild::CChild(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
    for (const auto& e : env) envStrings.push_back(e);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    m_outFd = outPipe[0];
    m_errFd = errPipe[0];
    if (rc != 0) throw std::runtime_error("cannot start " + program);
}

CChild::~CChild() {
    if (!m_bExited && m_pid > 0) {
        kill(m_pid, SIGKILL);
        Wait(5000);
    }
    if (m_outFd >= 0) close(m_outFd);
    if (m_errFd >= 0) close(m_errFd);
}

bool CChild::Pump(int timeoutMs) {
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    const int n = (m_outFd >= 0 ? 1 : 0) + (m_errFd >= 0 ? 1 : 0);
    if (n == 0) return false;
    if (poll(fds, 2, timeoutMs) <= 0) return true;
    char buffer[65536];
    for (int i = 0; i < 2; ++i) {
        int& fd = i == 0 ? m_outFd : m_errFd;
        if (fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            (i == 0 ? m_out : m_err).append(buffer, static_cast<size_t>(got));
        } else {
            close(fd);
            fd = -1;
        }
    }
    return true;
}

bool CanSignal() { return true; }

void CChild::Kill() { Signal(SIGKILL); }

long CChild::Id() const { return m_pid; }

bool IsHidden(const std::string&, const std::string& name) {
    return !name.empty() && name[0] == '.';
}

void CChild::Signal(int sig) {
    if (!m_bExited) kill(m_pid, sig);
}

int CChild::Wait(int timeoutMs) {
    if (m_bExited) return m_exitCode;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Pump(std::min(MsLeft(end), 50)) && Clock::now() < end) {
    }
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) break;
        if (Clock::now() >= end) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            m_bExited = true;
            return m_exitCode = -1;
        }
        usleep(10000);
    }
    while (Pump(0)) {
        if (m_outFd < 0 && m_errFd < 0) break;
    }
    m_bExited = true;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ExpectNoSanitizerReport(m_err);
    return m_exitCode;
}

CTempDir::CTempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/pendrak-cli-test.XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    m_path = pattern;
}

CTempDir::~CTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace clitest
