#include <cerrno>

#include "csv/ContactCsv.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pendrak {

namespace {

const char* FileErrorPattern(FileErrorCause cause) {
    switch (cause) {
        case FileErrorCause::none: return "未发生错误。";
        case FileErrorCause::genericException: return "访问 %1 时发生未知错误。";
        case FileErrorCause::fileNotFound: return "没有找到 %1。";
        case FileErrorCause::badPath: return "%1 包含错误的路径。";
        case FileErrorCause::tooManyOpenFiles: return "无法打开 %1，因为打开的文件太多。";
        case FileErrorCause::accessDenied: return "对 %1 的访问被拒绝。";
        case FileErrorCause::invalidFile: return "与 %1 相关联的文件句柄不正确。";
        case FileErrorCause::removeCurrentDir: return "无法删除 %1，因为它是当前目录。";
        case FileErrorCause::directoryFull: return "该目录已满，无法创建 %1。";
        case FileErrorCause::badSeek: return "对 %1 进行查找失败。";
        case FileErrorCause::hardIO: return "访问 %1 时遇到硬件 I/O 错误。";
        case FileErrorCause::sharingViolation: return "访问 %1 时遇到共享冲突。";
        case FileErrorCause::lockViolation: return "访问 %1 时遇到锁定冲突。";
        case FileErrorCause::diskFull: return "访问 %1 时磁盘已满。";
        case FileErrorCause::endOfFile: return "试图访问 %1 时超过它的结尾。";
        case FileErrorCause::readOnly: return "无法写入 %1，因为文件系统是只读的。";
        case FileErrorCause::isDirectory: return "%1 是文件夹，不是文件。";
    }
    return "访问 %1 时发生未知错误。";
}

}  // namespace

std::string FileErrorText(FileErrorCause cause, const std::string& path) {
    const std::string_view pattern = FileErrorPattern(cause);
    std::string text;
    size_t from = 0;
    for (size_t at; (at = pattern.find("%1", from)) != std::string_view::npos; from = at + 2) {
        text.append(pattern.substr(from, at - from));
        text += path;
    }
    text.append(pattern.substr(from));
    return text;
}

std::string DiskFullText(const std::string& path) {
    return FileErrorText(FileErrorCause::diskFull, path);
}

FileErrorCause FileErrorCauseFromSystem(int code) {
    using C = FileErrorCause;
    if (code == 0) return C::none;
#ifdef _WIN32
    switch (static_cast<DWORD>(code)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_NO_MORE_FILES: return C::fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY: return C::badPath;
        case ERROR_TOO_MANY_OPEN_FILES: return C::tooManyOpenFiles;
        case ERROR_WRITE_PROTECT: return C::readOnly;
        case ERROR_ACCESS_DENIED:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_CANNOT_MAKE: return C::accessDenied;
        case ERROR_INVALID_HANDLE: return C::invalidFile;
        case ERROR_CURRENT_DIRECTORY: return C::removeCurrentDir;
        case ERROR_SEEK:
        case ERROR_NEGATIVE_SEEK:
        case ERROR_SEEK_ON_DEVICE: return C::badSeek;
        case ERROR_NOT_READY:
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_IO_DEVICE: return C::hardIO;
        case ERROR_SHARING_VIOLATION: return C::sharingViolation;
        case ERROR_LOCK_VIOLATION:
        case ERROR_LOCK_FAILED: return C::lockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return C::diskFull;
        case ERROR_HANDLE_EOF: return C::endOfFile;
        default: return C::genericException;
    }
#else
    switch (code) {
        case ENOENT: return C::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL: return C::badPath;
        case EMFILE:
        case ENFILE: return C::tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EEXIST: return C::accessDenied;
        case EROFS: return C::readOnly;
        case EISDIR: return C::isDirectory;
        case EBADF: return C::invalidFile;
        case ESPIPE: return C::badSeek;
        case EIO:
        case ENXIO:
        case ENODEV: return C::hardIO;
        case ETXTBSY:
        case EBUSY: return C::sharingViolation;
        case ENOLCK:
        case EDEADLK: return C::lockViolation;
        case ENOSPC:
        case EFBIG:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return C::diskFull;
        default: return C::genericException;
    }
#endif
}

}  // namespace pendrak
