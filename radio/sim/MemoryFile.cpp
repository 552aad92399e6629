#include "radio/sim/MemoryFile.h"

#include <cstdio>

#include "platform/System.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace pendrak {

namespace {

// Two programs creating the same fresh radio at once: one of them makes
// the file, both then open it, and the lock decides.
constexpr int kCreateAttempts = 3;
// Windows refuses to open a file while another opener is putting it in
// place (a sharing violation): that passes within milliseconds.
constexpr int kBusyAttempts = 50;
constexpr uint32_t kBusyWaitMs = 5;
constexpr int kTempNameAttempts = 100;

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06x", static_cast<unsigned>(value));
    return text;
}

// The path up to and including its last separator: temporary files go in
// the same folder, so that putting them in place never copies.
std::string FolderPrefix(const std::string& path) {
    const size_t cut = DirectoryOf(path).size();
    return cut < path.size() && (path[cut] == '/' || path[cut] == '\\') ? path.substr(0, cut + 1)
                                                                        : std::string();
}

std::string TempName(const std::string& path, int attempt) {
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return FolderPrefix(path) + ".pdk" + std::to_string(pid) + "-" + std::to_string(attempt) +
           ".tmp";
}

#ifdef _WIN32

// Far past any memory file's end: a lock there guards the file without
// keeping anybody from reading its bytes.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

using FileHandle = HANDLE;

// Reads or writes size bytes at offset, in as many calls as it takes.
bool TransferAt(HANDLE h, uint64_t offset, unsigned char* data, size_t size, bool writing) {
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
        DWORD done = 0;
        const BOOL ok =
            writing ? WriteFile(h, data, chunk, &done, &at) : ReadFile(h, data, chunk, &done, &at);
        if (!ok) return false;
        if (done == 0) {
            SetLastError(writing ? ERROR_WRITE_FAULT : ERROR_HANDLE_EOF);
            return false;
        }
        data += done;
        offset += done;
        size -= done;
    }
    return true;
}

#else

using FileHandle = int;

bool TransferAt(int fd, uint64_t offset, unsigned char* data, size_t size, bool writing) {
    while (size > 0) {
        const auto at = static_cast<off_t>(offset);
        const ssize_t done = writing ? pwrite(fd, data, size, at) : pread(fd, data, size, at);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            if (done == 0) errno = EIO;  // a file shortened under us
            return false;
        }
        data += done;
        offset += static_cast<uint64_t>(done);
        size -= static_cast<size_t>(done);
    }
    return true;
}

#endif

bool WriteAllAt(FileHandle h, uint64_t offset, const unsigned char* data, size_t size) {
    return TransferAt(h, offset, const_cast<unsigned char*>(data), size, true);
}

bool ReadAllAt(FileHandle h, uint64_t offset, unsigned char* data, size_t size) {
    return TransferAt(h, offset, data, size, false);
}

}  // namespace

bool WriteWholeFile(const std::string& path, const unsigned char* data, size_t size, bool replace,
                    std::string& failure, bool* already) {
    if (already) *already = false;
    std::string temp;
    bool ok = false;
    int error = 0;
#ifdef _WIN32
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kTempNameAttempts && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = TempName(path, attempt);
        h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) {
        failure = SystemErrorText(LastSystemError());
        return false;
    }
    ok = WriteAllAt(h, 0, data, size) && FlushFileBuffers(h);
    if (!ok) error = LastSystemError();
    CloseHandle(h);
    if (ok && !MoveFileExA(temp.c_str(), path.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        ok = false;
        error = LastSystemError();
        if (already) *already = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    }
    if (!ok) DeleteFileA(temp.c_str());
#else
    int fd = -1;
    for (int attempt = 0; attempt < kTempNameAttempts && fd < 0; ++attempt) {
        temp = TempName(path, attempt);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        failure = SystemErrorText(errno);
        return false;
    }
    ok = WriteAllAt(fd, 0, data, size) && fdatasync(fd) == 0;
    if (!ok) error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && replace) {
        ok = rename(temp.c_str(), path.c_str()) == 0;
        if (!ok) error = errno;
    } else if (ok) {
        // A hard link puts it in place only where nothing is yet.
        ok = link(temp.c_str(), path.c_str()) == 0;
        if (!ok) error = errno;
        if (!ok && error != EEXIST && !PathExists(path)) {
            // File systems without hard links (FAT) take a rename instead.
            ok = rename(temp.c_str(), path.c_str()) == 0;
            if (!ok) error = errno;
        }
        if (already) *already = !ok && error == EEXIST;
    }
    unlink(temp.c_str());
#endif
    if (!ok) failure = SystemErrorText(error);
    return ok;
}

CMemoryFile::~CMemoryFile() {
    Close();
}

bool CMemoryFile::IsOpen() const {
#ifdef _WIN32
    return m_hFile != INVALID_HANDLE_VALUE;
#else
    return m_fd >= 0;
#endif
}

void CMemoryFile::Close() {
    // Closing the handle releases its lock with it.
#ifdef _WIN32
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
#else
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
#endif
}

bool CMemoryFile::Open(const std::string& path, unsigned char* memory, size_t size,
                       std::string& failure, bool create) {
    Close();
    m_strPath = path;
    m_strReadOnly.clear();
    m_strFailure.clear();
    m_bDirty = false;
    auto fail = [&](const std::string& text) {
        Close();
        failure = text;
        return false;
    };

    for (int attempt = 0;; ++attempt) {
#ifdef _WIN32
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        m_hFile = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_hFile == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
            const DWORD attributes = GetFileAttributesA(path.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                return fail(Name() + " is a folder");
            m_strReadOnly = SystemErrorText(ERROR_ACCESS_DENIED);
            m_hFile = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        const int error = IsOpen() ? 0 : LastSystemError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        if (error == ERROR_SHARING_VIOLATION && attempt < kBusyAttempts) {
            SleepMs(kBusyWaitMs);
            continue;
        }
#else
        // Not blocking: a FIFO under the name must not hold the open.
        m_fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (m_fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
            m_strReadOnly = SystemErrorText(errno);
            m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        }
        const int error = IsOpen() ? 0 : errno;
        const bool missing = error == ENOENT;
#endif
        if (IsOpen()) break;
        if (!missing || attempt == kCreateAttempts)
            return fail(Name() + ": cannot open it: " + SystemErrorText(error));
        if (!create) {
            const std::string folder = DirectoryOf(path);
            if (!folder.empty() && !PathExists(folder))
                return fail(Name() + ": there is no folder " + folder);
            return fail(Name() + " does not exist: there is no radio to read (a Write makes one)");
        }
        std::string why;
        bool already = false;
        if (!WriteWholeFile(path, memory, size, false, why, &already) && !already) {
            // Another opener put its fresh radio in place first.
            if (PathExists(path)) continue;
            const std::string folder = DirectoryOf(path);
            if (!folder.empty() && !PathExists(folder)) why = "there is no folder " + folder;
            return fail(Name() + ": cannot create it: " + why);
        }
    }

#ifdef _WIN32
    OVERLAPPED lockAt{};
    lockAt.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(m_hFile, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &lockAt)) {
        const int error = LastSystemError();
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
            return fail(Name() +
                        " is in use by another program (a radio takes one link at a time)");
        return fail(Name() + ": cannot lock it: " + SystemErrorText(error));
    }
    LARGE_INTEGER length{};
    if (GetFileType(m_hFile) != FILE_TYPE_DISK || !GetFileSizeEx(m_hFile, &length))
        return fail(Name() + " is not a regular file");
    const uint64_t fileSize = static_cast<uint64_t>(length.QuadPart);
    const bool read = fileSize == size && ReadAllAt(m_hFile, 0, memory, size);
#else
    struct stat st {};
    if (fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(Name() + " is not a regular file");
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return fail(Name() +
                        " is in use by another program (a radio takes one link at a time)");
        return fail(Name() + ": cannot lock it: " + SystemErrorText(errno));
    }
    // The size is taken under the lock: a file being created is never seen half made.
    if (fstat(m_fd, &st) != 0) return fail(Name() + ": " + SystemErrorText(errno));
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    const bool read = fileSize == size && ReadAllAt(m_fd, 0, memory, size);
#endif
    if (fileSize != size)
        return fail(Name() + " holds " + std::to_string(fileSize) + " bytes, not the " +
                    std::to_string(size) + " of an emulated radio's memory");
    if (!read) return fail(Name() + ": cannot read it: " + SystemErrorText(LastSystemError()));
    return true;
}

bool CMemoryFile::Keep(const std::string& what, const std::string& why) {
    if (m_strFailure.empty()) m_strFailure = Name() + ": " + what + ": " + why;
    return false;
}

bool CMemoryFile::Store(uint32_t address, const unsigned char* data, size_t size) {
    // Every block comes here: its words are made only when it fails.
    const auto refuse = [&](const std::string& why) {
        return Keep("cannot store " + std::to_string(size) + " bytes at " + Hex(address), why);
    };
    if (!IsOpen()) return refuse("the file is closed");
    if (!m_strReadOnly.empty()) return refuse("it cannot be written (" + m_strReadOnly + ")");
#ifdef _WIN32
    if (!WriteAllAt(m_hFile, address, data, size))
        return refuse(SystemErrorText(LastSystemError()));
#else
    if (!WriteAllAt(m_fd, address, data, size)) return refuse(SystemErrorText(errno));
#endif
    m_bDirty = true;
    return true;
}

bool CMemoryFile::Flush() {
    if (!m_bDirty || !IsOpen()) return true;
    m_bDirty = false;
#ifdef _WIN32
    if (!FlushFileBuffers(m_hFile))
        return Keep("cannot save it", SystemErrorText(LastSystemError()));
#else
    if (fdatasync(m_fd) != 0) return Keep("cannot save it", SystemErrorText(errno));
#endif
    return true;
}

std::string CMemoryFile::TakeFailure() {
    std::string failure;
    failure.swap(m_strFailure);
    return failure;
}

}  // namespace pendrak
