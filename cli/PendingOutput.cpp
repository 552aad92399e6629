#include "cli/PendingOutput.h"

#include <algorithm>
#include <cerrno>
#include <random>
#include <vector>

#include "cli/CliCommon.h"
#include "platform/System.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pendrak::cli {

namespace {

#ifdef _WIN32
constexpr char SEPARATOR = '\\';
#else
constexpr char SEPARATOR = '/';
#endif

// Every output not yet committed or discarded, for DiscardPendingOutputs.
std::vector<CPendingOutput*>& LiveOutputs() {
    static std::vector<CPendingOutput*> outputs;
    return outputs;
}

// The folder a file lies in, as a prefix to put a name after ("" for the
// current folder).
std::string FolderPrefix(const std::string& path) {
    const std::string folder = DirectoryOf(path);
    if (!folder.empty()) return folder + SEPARATOR;
    return !path.empty() && (path[0] == '/' || path[0] == '\\') ? path.substr(0, 1) : std::string();
}

// Short, so that a temporary fits wherever its target's name does.
std::string TempName(const std::string& folderPrefix) {
    static std::mt19937 random{std::random_device{}()};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folderPrefix + ".pendrak-";
    for (int i = 0; i < 6; ++i) name += letters[random() % 36];
    return name;
}

constexpr int TEMP_NAME_ATTEMPTS = 100;

}  // namespace

const char* CauseText(FileErrorCause cause) {
    switch (cause) {
        case FileErrorCause::fileNotFound:
            return "file not found";
        case FileErrorCause::badPath:
            return "bad path";
        case FileErrorCause::tooManyOpenFiles:
            return "too many open files";
        case FileErrorCause::accessDenied:
            return "access denied";
        case FileErrorCause::invalidFile:
            return "invalid file";
        case FileErrorCause::directoryFull:
            return "directory full";
        case FileErrorCause::hardIO:
            return "I/O error";
        case FileErrorCause::sharingViolation:
            return "sharing violation";
        case FileErrorCause::lockViolation:
            return "lock violation";
        case FileErrorCause::diskFull:
            return "disk full";
        case FileErrorCause::endOfFile:
            return "unexpected end of file";
        case FileErrorCause::readOnly:
            return "read-only file system";
        case FileErrorCause::isDirectory:
            return "it is a folder";
        default:
            return "unknown error";
    }
}

std::string OutputTarget(const std::string& path) {
    std::string target = path;
#ifndef _WIN32
    // A loop of links ends here; creating its last name then fails.
    for (int hop = 0; hop < 40; ++hop) {
        char link[PATH_MAX];
        const ssize_t size = ::readlink(target.c_str(), link, sizeof link);
        if (size <= 0) break;
        const std::string to(link, static_cast<size_t>(size));
        target = to[0] == '/' ? to : FolderPrefix(target) + to;
    }
#endif
    return target;
}

CPendingOutput::CPendingOutput(std::string finalPath)
    : m_strFinal(std::move(finalPath)), m_strTarget(OutputTarget(m_strFinal)) {
    LiveOutputs().push_back(this);
}

CPendingOutput::~CPendingOutput() {
    Discard();
    auto& live = LiveOutputs();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

bool CPendingOutput::Failed(int systemError) {
    if (m_cause == FileErrorCause::none) {
        m_cause = FileErrorCauseFromSystem(systemError);
        if (m_cause == FileErrorCause::none) m_cause = FileErrorCause::genericException;
    }
    return false;
}

void CPendingOutput::Reserve() {
    if (m_bOpen || m_bDone) return;
    if (!Open()) Fail("cannot create " + m_strFinal + ": " + CauseText(m_cause));
}

#ifdef _WIN32

bool CPendingOutput::Open() {
    const DWORD attributes = GetFileAttributesA(m_strTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_cause = FileErrorCause::isDirectory;
        return false;
    }
    const std::string folder = FolderPrefix(m_strTarget);
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
        const std::string name = TempName(folder);
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_hFile = file;
            m_strTemp = name;
            m_bOpen = true;
            return true;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            return Failed(static_cast<int>(code));
    }
    return Failed(ERROR_FILE_EXISTS);
}

bool CPendingOutput::Write(std::string_view bytes) {
    if (m_cause != FileErrorCause::none) return false;
    if (!m_bOpen && !Open()) return false;
    while (!bytes.empty()) {
        DWORD put = 0;
        const DWORD want =
            bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        if (!WriteFile(m_hFile, bytes.data(), want, &put, nullptr))
            return Failed(static_cast<int>(GetLastError()));
        if (put == 0) return Failed(ERROR_HANDLE_DISK_FULL);
        bytes.remove_prefix(put);
    }
    return true;
}

void CPendingOutput::Close() {
    if (m_hFile) CloseHandle(m_hFile);
    m_hFile = nullptr;
}

bool CPendingOutput::Publish() {
    if (!FlushFileBuffers(m_hFile)) return Failed(static_cast<int>(GetLastError()));
    if (!CloseHandle(m_hFile)) {
        m_hFile = nullptr;
        return Failed(static_cast<int>(GetLastError()));
    }
    m_hFile = nullptr;
    // Hidden only while it is not yet the output.
    SetFileAttributesA(m_strTemp.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExA(m_strTemp.c_str(), m_strTarget.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Failed(static_cast<int>(GetLastError()));
    m_strTemp.clear();
    return true;
}

#else

bool CPendingOutput::Open() {
    struct stat st {};
    if (::stat(m_strTarget.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Failed(EISDIR);
    } else if (errno != ENOENT) {
        return Failed(errno);
    }
    const std::string prefix = FolderPrefix(m_strTarget);
    // A missing folder is a bad path, not a missing file.
    auto failedOpen = [this](int code) { return Failed(code == ENOENT ? ENOTDIR : code); };
#ifdef O_TMPFILE
    const std::string folder = prefix.empty() ? "." : prefix;
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd >= 0) return m_bOpen = true;
    // What kernels and file systems without unnamed files answer.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return failedOpen(errno);
#endif
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
        const std::string name = TempName(prefix);
        m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_strTemp = name;
            return m_bOpen = true;
        }
        if (errno != EEXIST) return failedOpen(errno);
    }
    return Failed(EEXIST);
}

bool CPendingOutput::Write(std::string_view bytes) {
    if (m_cause != FileErrorCause::none) return false;
    if (!m_bOpen && !Open()) return false;
    while (!bytes.empty()) {
        const ssize_t put = ::write(m_fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Failed(errno);
        if (put == 0) return Failed(ENOSPC);
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

void CPendingOutput::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool CPendingOutput::Publish() {
    // On the disk before it replaces anything, so a crash cannot leave an
    // empty file where the old one was.
    if (::fsync(m_fd) != 0 && errno != EINVAL) return Failed(errno);
    const std::string prefix = FolderPrefix(m_strTarget);
    // An unnamed file gets a hidden name first: linking cannot replace the
    // target, renaming can.
    for (int attempt = 0; m_strTemp.empty() && attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
        const std::string name = TempName(prefix);
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
#ifdef AT_EMPTY_PATH
        if (linked != 0 && errno == ENOENT)  // no /proc
            linked = ::linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
#endif
        if (linked == 0)
            m_strTemp = name;
        else if (errno != EEXIST)
            return Failed(errno);
    }
    if (m_strTemp.empty()) return Failed(EEXIST);
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0 && errno != EINTR) return Failed(errno);
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) return Failed(errno);
    m_strTemp.clear();
    return true;
}

#endif

void CPendingOutput::Commit() {
    if (m_bDone) return;
    if (m_cause == FileErrorCause::none && (m_bOpen || Open()) && Publish()) {
        m_bDone = true;
        return;
    }
    const FileErrorCause cause = m_cause;
    Discard();
    Fail("cannot write " + m_strFinal + ": " + CauseText(cause));
}

void CPendingOutput::Discard() {
    if (m_bDone) return;
    m_bDone = true;
    Close();
    m_bOpen = false;
    if (!m_strTemp.empty()) {
#ifdef _WIN32
        DeleteFileA(m_strTemp.c_str());
#else
        ::unlink(m_strTemp.c_str());
#endif
        m_strTemp.clear();
    }
}

void DiscardPendingOutputs() {
    for (CPendingOutput* output : LiveOutputs()) output->Discard();
}

}  // namespace pendrak::cli
