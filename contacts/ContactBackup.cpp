#include "contacts/ContactBackup.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "contacts/ContactImageFile.h"
#include "platform/PendingFile.h"
#include "platform/System.h"

namespace pendrak {

namespace fs = std::filesystem;

namespace {

// "YYYY-MM-DD_HH-MM-SS_mmm_": the part of a name before its kind.
constexpr size_t kStampLength = 24;
constexpr int MAX_SUFFIX = 9999;

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return tm;
}

// The kind, "YYYY-MM-DD HH:MM:SS" and suffix (1 when none) of a backup's
// file name, "..._read.bin" or, when that name was taken, "..._read-2.bin";
// false for any other name.
bool ParseBackupName(const std::string& name, BackupKind& kind, std::string& when,
                     int* suffix = nullptr) {
    if (name.size() <= kStampLength + 4 || name.compare(name.size() - 4, 4, ".bin") != 0)
        return false;
    std::string rest = name.substr(kStampLength, name.size() - kStampLength - 4);
    int number = 1;
    if (const size_t dash = rest.find('-'); dash != std::string::npos) {
        const std::string digits = rest.substr(dash + 1);
        if (digits.empty() || digits.size() > 4 || digits[0] == '0' ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        number = std::stoi(digits);
        if (number < 2) return false;
        rest.resize(dash);
    }
    if (rest == "read")
        kind = BackupKind::Read;
    else if (rest == "write")
        kind = BackupKind::Write;
    else
        return false;
    static const char kShape[] = "0000-00-00_00-00-00_000_";
    for (size_t i = 0; i < kStampLength; ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (kShape[i] == '0' ? !digit : name[i] != kShape[i]) return false;
    }
    when = name.substr(0, 10) + ' ' + name.substr(11, 2) + ':' + name.substr(14, 2) + ':' +
           name.substr(17, 2);
    if (suffix) *suffix = number;
    return true;
}

// Newer first: by the time in the name, then by the suffix.
bool NewerBackup(const ContactBackupInfo& a, const ContactBackupInfo& b) {
    const int stamp = a.strName.compare(0, kStampLength, b.strName, 0, kStampLength);
    if (stamp != 0) return stamp > 0;
    if (a.nSuffix != b.nSuffix) return a.nSuffix > b.nSuffix;
    return a.strName > b.strName;
}

int BackupCount(const fs::path& path) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (!file) return -1;
    unsigned char header[CONTACT_HEADER_SIZE] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || got != sizeof header || !ImageCountProblem(header).empty() ||
        !ImageFileSizeProblem(static_cast<long long>(size), header).empty())
        return -1;
    return ContactImageHeaderCount(header);
}

// The backups in folder, newest first, their counts not yet read.
bool ListBackupFiles(const std::string& folder, std::vector<ContactBackupInfo>& backups,
                     std::string* reason) {
    backups.clear();
    std::error_code ec;
    if (!fs::exists(folder, ec)) return true;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        if (reason) *reason = "cannot read the folder " + folder + ": " + ec.message();
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        ContactBackupInfo info;
        info.strName = it->path().filename().string();
        if (!ParseBackupName(info.strName, info.kind, info.strWhen, &info.nSuffix)) continue;
        if (!it->is_regular_file(ec)) continue;
        info.strPath = it->path().string();
        backups.push_back(std::move(info));
    }
    if (ec) {
        if (reason) *reason = "cannot read the folder " + folder + ": " + ec.message();
        return false;
    }
    std::sort(backups.begin(), backups.end(), NewerBackup);
    return true;
}

// All but the newest MAX_BACKUPS of this program's backups go: names of
// their pattern that read as image files. The one just written stays.
void PruneBackups(const std::string& folder, const std::string& keepName) {
    std::vector<ContactBackupInfo> backups;
    if (!ListBackupFiles(folder, backups, nullptr)) return;
    int kept = 0;
    for (const ContactBackupInfo& info : backups) {
        if (BackupCount(info.strPath) < 0) continue;
        if (++kept <= MAX_BACKUPS || info.strName == keepName) continue;
        std::error_code ec;
        fs::remove(info.strPath, ec);
    }
}

std::string WithSuffix(const std::string& name, int suffix) {
    if (suffix < 2) return name;
    return name.substr(0, name.size() - 4) + '-' + std::to_string(suffix) + ".bin";
}

}  // namespace

const char* BackupKindName(BackupKind kind) {
    return kind == BackupKind::Read ? "read" : "write";
}

std::string BackupFileName(std::chrono::system_clock::time_point when, BackupKind kind) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
    const auto seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    const std::tm tm = LocalTime(seconds);
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d_%03d_%s.bin", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>((ms % 1000 + 1000) % 1000), BackupKindName(kind));
    return name;
}

BackupResult SaveContactBackup(const std::string& folder, const CContactImage& image,
                               BackupKind kind, std::chrono::system_clock::time_point when) {
    BackupResult result;
    if (folder.empty()) {
        result.strReason = "no backup folder is named";
        return result;
    }
    std::error_code ec;
    // A link to a folder that is gone: say so, not "File exists".
    if (fs::is_symlink(fs::symlink_status(folder, ec)) && !fs::exists(folder, ec)) {
        result.strReason = "the backup folder " + folder + " is a link to " +
                           fs::read_symlink(folder, ec).string() + ", which does not exist";
        return result;
    }
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        result.strReason = "cannot create the folder " + folder + (ec ? ": " + ec.message() : "");
        return result;
    }
    // Both kinds are looked at, so that names in time order stay in write
    // order; what keeps another backup from being replaced is the publish.
    std::string name = BackupFileName(when, kind);
    for (int tries = 0; tries < 1000; ++tries) {
        const BackupKind other = kind == BackupKind::Read ? BackupKind::Write : BackupKind::Read;
        if (!fs::exists(fs::path(folder) / name, ec) &&
            !fs::exists(fs::path(folder) / BackupFileName(when, other), ec))
            break;
        when += std::chrono::milliseconds(1);
        name = BackupFileName(when, kind);
    }
    const auto failed = [&](const std::string& what, int code) {
        result.strReason = what + (fs::path(folder) / name).string() + ": " + SystemErrorText(code);
        return result;
    };
    CPendingFile file;
    const size_t length = static_cast<size_t>(ContactImageShortLength(image.GetContactCount()));
    if (!file.Open((fs::path(folder) / "").string()) ||
        !file.Write(std::string_view(reinterpret_cast<const char*>(image.Bytes()), length)))
        return failed("cannot write ", file.Error());
    // Never over another file: a name taken since (another program saving
    // in the same moment) moves on to the next suffix.
    for (int suffix = 1;; ++suffix) {
        const std::string candidate = WithSuffix(name, suffix);
        if (file.Publish((fs::path(folder) / candidate).string(), false)) {
            name = candidate;
            break;
        }
        if (!file.Exists() || suffix >= MAX_SUFFIX) return failed("cannot write ", file.Error());
    }
    result.bOk = true;
    result.strPath = (fs::path(folder) / name).string();
    PruneBackups(folder, name);
    return result;
}

bool ListContactBackups(const std::string& folder, std::vector<ContactBackupInfo>& backups,
                        std::string* reason) {
    if (!ListBackupFiles(folder, backups, reason)) return false;
    for (ContactBackupInfo& info : backups) info.nContacts = BackupCount(info.strPath);
    return true;
}

}  // namespace pendrak
