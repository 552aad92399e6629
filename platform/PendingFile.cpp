#include "platform/PendingFile.h"

#include <cerrno>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pendrak {

namespace {

// Short, so that a temporary fits wherever its target's name does; random,
// so that nobody can plant something at it beforehand.
std::string TempName(const std::string& folderPrefix) {
    thread_local std::mt19937 random{std::random_device{}()};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = folderPrefix + ".pendrak-";
    for (int i = 0; i < 6; ++i) name += letters[random() % 36];
    return name;
}

constexpr int TEMP_NAME_ATTEMPTS = 100;

}  // namespace

#ifdef _WIN32

bool CPendingFile::Open(const std::string& folderPrefix) {
    Discard();
    m_strFolder = folderPrefix;
    m_nError = 0;
    m_bDurable = false;
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
        const std::string name = TempName(folderPrefix);
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_hFile = file;
            m_strTemp = name;
            return m_bOpen = true;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            return Failed(static_cast<int>(code));
    }
    return Failed(ERROR_FILE_EXISTS);
}

bool CPendingFile::Write(std::string_view bytes) {
    if (!m_hFile) return Failed(ERROR_INVALID_HANDLE);
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

bool CPendingFile::MakeDurable() {
    if (m_bDurable) return true;
    if (!m_hFile) return Failed(ERROR_INVALID_HANDLE);
    if (!FlushFileBuffers(m_hFile)) return Failed(static_cast<int>(GetLastError()));
    const BOOL closed = CloseHandle(m_hFile);
    m_hFile = nullptr;
    if (!closed) return Failed(static_cast<int>(GetLastError()));
    m_bDurable = true;
    return true;
}

bool CPendingFile::Publish(const std::string& target, bool replace) {
    if (!m_bOpen) return Failed(ERROR_INVALID_HANDLE);
    if (!MakeDurable()) return false;
    // Hidden only while it is not yet the file.
    SetFileAttributesA(m_strTemp.c_str(), FILE_ATTRIBUTE_NORMAL);
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExA(m_strTemp.c_str(), target.c_str(), flags)) {
        const int code = static_cast<int>(GetLastError());
        SetFileAttributesA(m_strTemp.c_str(), FILE_ATTRIBUTE_HIDDEN);
        return Failed(code);
    }
    m_strTemp.clear();
    m_bOpen = false;
    return true;
}

void CPendingFile::Discard() {
    if (m_hFile) CloseHandle(m_hFile);
    m_hFile = nullptr;
    if (!m_strTemp.empty()) DeleteFileA(m_strTemp.c_str());
    m_strTemp.clear();
    m_bOpen = false;
}

bool CPendingFile::Exists() const {
    return m_nError == ERROR_FILE_EXISTS || m_nError == ERROR_ALREADY_EXISTS;
}

#else

bool CPendingFile::Open(const std::string& folderPrefix) {
    Discard();
    m_strFolder = folderPrefix;
    m_nError = 0;
    m_bDurable = false;
#ifdef O_TMPFILE
    const std::string folder = folderPrefix.empty() ? "." : folderPrefix;
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd >= 0) return m_bOpen = true;
    // What kernels and file systems without unnamed files answer.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Failed(errno);
#endif
    for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
        const std::string name = TempName(folderPrefix);
        m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_strTemp = name;
            return m_bOpen = true;
        }
        if (errno != EEXIST) return Failed(errno);
    }
    return Failed(EEXIST);
}

bool CPendingFile::Write(std::string_view bytes) {
    if (m_fd < 0) return Failed(EBADF);
    while (!bytes.empty()) {
        const ssize_t put = ::write(m_fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Failed(errno);
        if (put == 0) return Failed(ENOSPC);
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

bool CPendingFile::MakeDurable() {
    if (m_bDurable) return true;
    // On the disk before it takes a name, so that a crash cannot leave an
    // empty file under it.
    if (::fsync(m_fd) != 0 && errno != EINVAL) return Failed(errno);
    m_bDurable = true;
    return true;
}

namespace {

// Links an open unnamed file at `name`; never replaces what is there.
int LinkUnnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
#ifdef AT_EMPTY_PATH
    if (linked != 0 && errno == ENOENT)  // no /proc
        linked = ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
#endif
    return linked;
}

// Renames without replacing: atomically where the file system can, else by
// a link (which never replaces) and the old name's removal.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return -1;
#endif
    if (::link(from.c_str(), to.c_str()) != 0) return -1;
    ::unlink(from.c_str());
    return 0;
}

void SyncFolder(const std::string& folderPrefix) {
    const int dir = ::open(folderPrefix.empty() ? "." : folderPrefix.c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

}  // namespace

bool CPendingFile::Publish(const std::string& target, bool replace) {
    if (!m_bOpen) return Failed(EBADF);
    if (!MakeDurable()) return false;
    if (m_strTemp.empty() && !replace) {
        if (LinkUnnamed(m_fd, target) != 0) return Failed(errno);
    } else {
        // An unnamed file that replaces gets a hidden name first: linking
        // cannot replace the target, renaming can.
        for (int attempt = 0; m_strTemp.empty() && attempt < TEMP_NAME_ATTEMPTS; ++attempt) {
            const std::string name = TempName(m_strFolder);
            if (LinkUnnamed(m_fd, name) == 0)
                m_strTemp = name;
            else if (errno != EEXIST)
                return Failed(errno);
        }
        if (m_strTemp.empty()) return Failed(EEXIST);
        const int moved = replace ? ::rename(m_strTemp.c_str(), target.c_str())
                                  : RenameNoReplace(m_strTemp, target);
        if (moved != 0) return Failed(errno);
        m_strTemp.clear();
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    m_bOpen = false;
    SyncFolder(m_strFolder);
    if (closed != 0 && errno != EINTR) return Failed(errno);
    return true;
}

void CPendingFile::Discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_strTemp.empty()) ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
    m_bOpen = false;
}

bool CPendingFile::Exists() const {
    return m_nError == EEXIST;
}

#endif

}  // namespace pendrak
