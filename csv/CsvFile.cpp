// The CSV files themselves, opened in binary on every platform: the text
// mode (CR LF line ends, 0x1A as the end of the data) is done by the sink
// and the import, so that every platform writes and reads the same bytes.
#include <cerrno>
#include <memory>

#include "csv/ContactCsv.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace pendrak {

namespace {

class CRawFile {
public:
    CRawFile() = default;
    CRawFile(const CRawFile&) = delete;
    CRawFile& operator=(const CRawFile&) = delete;
    ~CRawFile() { Close(); }

    // Sets the error code and gives false when the file cannot be opened.
    bool Open(const std::string& path, bool forWriting) {
#ifdef _WIN32
        m_handle = CreateFileA(path.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ,
                               FILE_SHARE_READ | (forWriting ? 0 : FILE_SHARE_WRITE), nullptr,
                               forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (m_handle == INVALID_HANDLE_VALUE) return Fail(static_cast<int>(GetLastError()));
#else
        do {
            m_fd = forWriting ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)
                              : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0) return Fail(errno);
#endif
        return true;
    }

    long long Read(char* buffer, size_t size) {
#ifdef _WIN32
        DWORD got = 0;
        const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (!ReadFile(m_handle, buffer, want, &got, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
            Fail(static_cast<int>(code));
            return -1;
        }
        return got;
#else
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, size);
            if (got >= 0) return got;
            if (errno != EINTR) {
                Fail(errno);
                return -1;
            }
        }
#endif
    }

    // False for a pipe or a device, which cannot be read twice.
    bool Rewind() {
#ifdef _WIN32
        // Seeking a pipe or a console is undefined on Windows.
        if (GetFileType(m_handle) != FILE_TYPE_DISK) return false;
        LARGE_INTEGER zero{};
        return SetFilePointerEx(m_handle, zero, nullptr, FILE_BEGIN) != 0;
#else
        return ::lseek(m_fd, 0, SEEK_SET) == 0;
#endif
    }

    bool WriteAll(const char* data, size_t size) {
        while (size > 0) {
#ifdef _WIN32
            DWORD put = 0;
            const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            if (!WriteFile(m_handle, data, want, &put, nullptr)) return Fail(static_cast<int>(GetLastError()));
            if (put == 0) return Fail(ERROR_HANDLE_DISK_FULL);
#else
            const ssize_t put = ::write(m_fd, data, size);
            if (put < 0) {
                if (errno == EINTR) continue;
                return Fail(errno);
            }
            if (put == 0) return Fail(ENOSPC);
#endif
            data += put;
            size -= static_cast<size_t>(put);
        }
        return true;
    }

    // False (with the error code) when closing failed, as a delayed write
    // failure may show only here.
    bool Close() {
        bool ok = true;
#ifdef _WIN32
        if (m_handle != INVALID_HANDLE_VALUE) {
            if (!CloseHandle(m_handle)) ok = Fail(static_cast<int>(GetLastError()));
            m_handle = INVALID_HANDLE_VALUE;
        }
#else
        if (m_fd >= 0) {
            // After an interrupted close the descriptor is gone on Linux; not retried.
            if (::close(m_fd) != 0 && errno != EINTR) ok = Fail(errno);
            m_fd = -1;
        }
#endif
        return ok;
    }

    int Error() const { return m_error; }

private:
    bool Fail(int code) {
        m_error = code;
        return false;
    }

#ifdef _WIN32
    HANDLE m_handle = INVALID_HANDLE_VALUE;
#else
    int m_fd = -1;
#endif
    int m_error = 0;
};

class CFileSink : public CCsvSink {
public:
    explicit CFileSink(CRawFile& file) : m_file(file) {}
    bool Write(std::string_view bytes) override { return m_file.WriteAll(bytes.data(), bytes.size()); }

private:
    CRawFile& m_file;
};

class CFileSource : public CCsvSource {
public:
    explicit CFileSource(CRawFile& file) : m_file(file) {}
    long long Read(char* buffer, size_t size, FileErrorCause& cause) override {
        const long long got = m_file.Read(buffer, size);
        if (got < 0) cause = FileErrorCauseFromSystem(m_file.Error());
        return got;
    }
    bool Rewind() override { return m_file.Rewind(); }

private:
    CRawFile& m_file;
};

}  // namespace

namespace {

// The file is created or emptied, `write` fills it, and it is closed with
// what was written even when a write failed.
template <typename WriteFn>
CsvExportResult ExportToFile(const std::string& path, WriteFn write) {
    CsvExportResult result;
    CRawFile file;
    if (!file.Open(path, true)) {
        result.outcome = CsvExportResult::OpenFailed;
        result.cause = FileErrorCauseFromSystem(file.Error());
#ifndef _WIN32
        // The file itself need not exist, so a missing name means a missing folder.
        if (file.Error() == ENOENT) result.cause = FileErrorCause::badPath;
#endif
        if (result.cause == FileErrorCause::none) result.cause = FileErrorCause::genericException;
        return result;
    }
    CFileSink raw(file);
    const bool written = write(raw);
    const bool closed = file.Close();
    if (!written || !closed) {
        result.outcome = CsvExportResult::WriteFailed;
        result.cause = FileErrorCause::diskFull;
    }
    return result;
}

}  // namespace

CsvExportResult ExportContactsCsvFile(const CContactImage& image, const std::string& path) {
    return ExportToFile(path, [&](CCsvSink& raw) {
        CCsvTextSink text(raw);
        return WriteContactsCsv(image, text) && text.Flush();
    });
}

CsvExportResult ExportContactsCsvUtf8File(const CContactImage& image, const std::string& path,
                                          int codePage) {
    return ExportToFile(path, [&](CCsvSink& raw) {
        // Buffered like the text sink, without its LF to CR LF.
        CCsvBufferedSink buffered(raw);
        return WriteContactsCsvUtf8(image, buffered, codePage) && buffered.Flush();
    });
}

CsvImportResult ImportContactsCsvFiles(CContactImage& image, const std::vector<std::string>& paths,
                                       const CsvImportOptions& options, size_t chunkSize) {
    std::vector<std::unique_ptr<CRawFile>> files;
    std::vector<std::unique_ptr<CFileSource>> sources;
    std::vector<CCsvSource*> list;
    for (size_t i = 0; i < paths.size(); ++i) {
        files.push_back(std::make_unique<CRawFile>());
        if (!files.back()->Open(paths[i], false)) {
            CsvImportResult result;
            result.outcome = CsvImportResult::OpenFailed;
            result.nFailedFile = i;
            result.cause = FileErrorCauseFromSystem(files.back()->Error());
            if (result.cause == FileErrorCause::none)
                result.cause = FileErrorCause::genericException;
            return result;
        }
        sources.push_back(std::make_unique<CFileSource>(*files.back()));
        list.push_back(sources.back().get());
    }
    CsvImportResult result = ImportContactsCsv(image, list, options, chunkSize);
    for (size_t i = 0; i < result.report.files.size() && i < paths.size(); ++i)
        result.report.files[i].strName = paths[i];
    return result;
}

CsvImportResult ImportContactsCsvFile(CContactImage& image, const std::string& path,
                                      size_t chunkSize) {
    return ImportContactsCsvFiles(image, {path}, CsvImportOptions(), chunkSize);
}

}  // namespace pendrak
