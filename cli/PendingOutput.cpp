#include "cli/PendingOutput.h"

#include <algorithm>
#include <cerrno>
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

bool CPendingOutput::Open() {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(m_strTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_cause = FileErrorCause::isDirectory;
        return false;
    }
    if (!m_file.Open(FolderPrefix(m_strTarget))) return Failed(m_file.Error());
#else
    struct stat st {};
    if (::stat(m_strTarget.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Failed(EISDIR);
    } else if (errno != ENOENT) {
        return Failed(errno);
    }
    // A missing folder is a bad path, not a missing file.
    if (!m_file.Open(FolderPrefix(m_strTarget)))
        return Failed(m_file.Error() == ENOENT ? ENOTDIR : m_file.Error());
#endif
    return m_bOpen = true;
}

bool CPendingOutput::Write(std::string_view bytes) {
    if (m_cause != FileErrorCause::none) return false;
    if (!m_bOpen && !Open()) return false;
    return m_file.Write(bytes) || Failed(m_file.Error());
}

bool CPendingOutput::Publish() {
    return m_file.Publish(m_strTarget, true) || Failed(m_file.Error());
}

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
    m_bOpen = false;
    m_file.Discard();
}

void DiscardPendingOutputs() {
    for (CPendingOutput* output : LiveOutputs()) output->Discard();
}

}  // namespace pendrak::cli
