#include "cli/SameFileCheck.h"

#include <filesystem>

#include "cli/CliCommon.h"
#include "cli/PendingOutput.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace pendrak::cli {

namespace {

#ifdef _WIN32

// Volume and file index of an existing file; false when it cannot be opened.
bool FileId(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return ok;
}

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    const bool hasA = FileId(a, ia), hasB = FileId(b, ib);
    if (hasA && hasB)
        return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
               ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
    if (hasA || hasB) return false;
    char fullA[MAX_PATH * 2], fullB[MAX_PATH * 2];
    if (!GetFullPathNameA(a.c_str(), sizeof fullA, fullA, nullptr) ||
        !GetFullPathNameA(b.c_str(), sizeof fullB, fullB, nullptr))
        return false;
    // Names that differ only in case are one file there.
    return lstrcmpiA(fullA, fullB) == 0;
}

#else

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    struct stat sa {
    }, sb{};
    const bool hasA = ::stat(a.c_str(), &sa) == 0, hasB = ::stat(b.c_str(), &sb) == 0;
    if (hasA && hasB) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (hasA || hasB) return false;
    std::error_code ea, eb;
    const fs::path fullA = fs::weakly_canonical(fs::absolute(a, ea), ea);
    const fs::path fullB = fs::weakly_canonical(fs::absolute(b, eb), eb);
    return !ea && !eb && fullA == fullB;
}

#endif

std::string Shown(const NamedFile& file) {
    return file.strWhat + " " + file.strPath;
}

}  // namespace

void RefuseSameFiles(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs) {
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].strPath.empty()) continue;
        // What the output will replace: a symbolic link is written through.
        const std::string target = OutputTarget(outputs[i].strPath);
        for (size_t j = 0; j < i; ++j)
            if (!outputs[j].strPath.empty() && SameFile(target, OutputTarget(outputs[j].strPath)))
                UsageFail(Shown(outputs[j]) + " and " + Shown(outputs[i]) +
                          " are the same file; give each output its own");
        for (const NamedFile& input : inputs)
            if (!input.strPath.empty() && SameFile(target, input.strPath))
                UsageFail(Shown(outputs[i]) + " is the same file as " + Shown(input) +
                          ", which it would overwrite; name another output");
    }
}

}  // namespace pendrak::cli
