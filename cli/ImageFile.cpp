#include "cli/ImageFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/CliCommon.h"
#include "contacts/ContactImageFile.h"
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
    const ImageFileResult result = LoadContactImageFile(path, image);
    switch (result.outcome) {
    case ImageFileResult::Done: return;
    case ImageFileResult::OpenFailed:
        Fail("cannot open image file " + path + ": " + result.strReason);
    case ImageFileResult::NotAnImage:
        Fail(path + " is not an image file: " + result.strReason);
    default: Fail("cannot read image file " + path + ": " + result.strReason);
    }
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
    const ImageFileResult result = WriteContactImageFile(output.TempPath(), image, false);
    if (result.outcome == ImageFileResult::OpenFailed)
        Fail("cannot create image file " + output.FinalPath() + ": " + result.strReason);
    if (result.outcome != ImageFileResult::Done)
        Fail("cannot write image file " + output.FinalPath() + ": " + result.strReason);
}

void ExportCsv(const CContactImage& image, CPendingOutput& output, bool utf8, int codePage) {
    const CsvExportResult result =
        utf8 ? ExportContactsCsvUtf8File(image, output.TempPath(),
                                         codePage > 0 ? codePage : GetProgramCodePage())
             : ExportContactsCsvFile(image, output.TempPath());
    if (result.outcome == CsvExportResult::OpenFailed)
        Fail("cannot create CSV file " + output.FinalPath() + ": " + CauseText(result.cause));
    if (result.outcome == CsvExportResult::WriteFailed)
        Fail("cannot write CSV file " + output.FinalPath() + ": write failed (disk full?)");
}

}  // namespace pendrak::cli
