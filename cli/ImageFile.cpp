#include "cli/ImageFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/CliCommon.h"
#include "csv/ContactCsv.h"
#include "platform/CodePage.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace pendrak::cli {

namespace {

std::string SystemError() { return std::strerror(errno); }

}  // namespace

const char* CauseText(FileErrorCause cause) {
    switch (cause) {
    case FileErrorCause::fileNotFound: return "file not found";
    case FileErrorCause::badPath: return "bad path";
    case FileErrorCause::tooManyOpenFiles: return "too many open files";
    case FileErrorCause::accessDenied: return "access denied";
    case FileErrorCause::invalidFile: return "invalid file";
    case FileErrorCause::directoryFull: return "directory full";
    case FileErrorCause::hardIO: return "I/O error";
    case FileErrorCause::sharingViolation: return "sharing violation";
    case FileErrorCause::lockViolation: return "lock violation";
    case FileErrorCause::diskFull: return "disk full";
    case FileErrorCause::endOfFile: return "unexpected end of file";
    default: return "unknown error";
    }
}

void LoadImageFile(const std::string& path, CContactImage& image) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) Fail("cannot open image file " + path + ": " + SystemError());
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        std::fclose(file);
        Fail("image file " + path + " is not a regular file");
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size != static_cast<std::uintmax_t>(CONTACT_IMAGE_SIZE)) {
        std::fclose(file);
        if (ec) Fail("cannot read image file " + path + ": " + ec.message());
        Fail("image file " + path + " has " + std::to_string(size) + " bytes; an image file has exactly " +
             std::to_string(CONTACT_IMAGE_SIZE));
    }
    const size_t got = std::fread(image.Bytes(), 1, CONTACT_IMAGE_SIZE, file);
    const bool bad = std::ferror(file) != 0;
    std::fclose(file);
    if (bad || got != static_cast<size_t>(CONTACT_IMAGE_SIZE))
        Fail("cannot read image file " + path + (bad ? ": " + SystemError() : ": file shrank while read"));
}

CPendingOutput::CPendingOutput(std::string finalPath) : m_strFinal(std::move(finalPath)) {
    m_strTemp = m_strFinal + ".part-" + std::to_string(getpid());
}

CPendingOutput::~CPendingOutput() { Discard(); }

void CPendingOutput::Reserve() {
    std::FILE* file = std::fopen(m_strTemp.c_str(), "wb");
    if (!file) Fail("cannot create " + m_strFinal + ": " + SystemError());
    std::fclose(file);
}

void CPendingOutput::Commit() {
    std::error_code ec;
    std::filesystem::rename(m_strTemp, m_strFinal, ec);
    if (ec) {
        Discard();
        Fail("cannot write " + m_strFinal + ": " + ec.message());
    }
    m_bDone = true;
}

void CPendingOutput::Discard() {
    if (m_bDone) return;
    m_bDone = true;
    std::error_code ec;
    std::filesystem::remove(m_strTemp, ec);
}

void SaveImageFile(const CContactImage& image, CPendingOutput& output) {
    const std::string& path = output.FinalPath();
    std::FILE* file = std::fopen(output.TempPath().c_str(), "wb");
    if (!file) Fail("cannot create image file " + path + ": " + SystemError());
    const size_t put = std::fwrite(image.Bytes(), 1, CONTACT_IMAGE_SIZE, file);
    const int err = put != static_cast<size_t>(CONTACT_IMAGE_SIZE) ? errno : 0;
    const bool closed = std::fclose(file) == 0;
    if (err != 0 || !closed) {
        if (err != 0) errno = err;
        Fail("cannot write image file " + path + ": " + SystemError());
    }
}

void ExportCsv(const CContactImage& image, CPendingOutput& output, bool utf8, int codePage) {
    const CsvExportResult result =
        utf8 ? ExportContactsCsvUtf8File(image, output.TempPath(), codePage > 0 ? codePage : GetProgramCodePage())
             : ExportContactsCsvFile(image, output.TempPath());
    if (result.outcome == CsvExportResult::OpenFailed)
        Fail("cannot create CSV file " + output.FinalPath() + ": " + CauseText(result.cause));
    if (result.outcome == CsvExportResult::WriteFailed)
        Fail("cannot write CSV file " + output.FinalPath() + ": write failed (disk full?)");
}

}  // namespace pendrak::cli
