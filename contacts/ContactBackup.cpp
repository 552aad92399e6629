#include "contacts/ContactBackup.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "contacts/ContactImageFile.h"

namespace pendrak {

namespace fs = std::filesystem;

namespace {

// "YYYY-MM-DD_HH-MM-SS_mmm_": the part of a name before its kind.
constexpr size_t kStampLength = 24;

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return tm;
}

// The kind and "YYYY-MM-DD HH:MM:SS" of a backup's file name; false for
// any other name.
bool ParseBackupName(const std::string& name, BackupKind& kind, std::string& when) {
    if (name.size() <= kStampLength) return false;
    const std::string rest = name.substr(kStampLength);
    if (rest == "read.bin")
        kind = BackupKind::Read;
    else if (rest == "write.bin")
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
    return true;
}

int BackupCount(const fs::path& path) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (!file) return -1;
    unsigned char header[CONTACT_HEADER_SIZE] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || got != sizeof header ||
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
        if (!ParseBackupName(info.strName, info.kind, info.strWhen)) continue;
        if (!it->is_regular_file(ec)) continue;
        info.strPath = it->path().string();
        backups.push_back(std::move(info));
    }
    if (ec) {
        if (reason) *reason = "cannot read the folder " + folder + ": " + ec.message();
        return false;
    }
    std::sort(backups.begin(), backups.end(),
              [](const auto& a, const auto& b) { return a.strName > b.strName; });
    return true;
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
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        result.strReason = "cannot create the folder " + folder + (ec ? ": " + ec.message() : "");
        return result;
    }
    // Both kinds are looked at, so that names in time order stay in write order.
    std::string name = BackupFileName(when, kind);
    for (int tries = 0; tries < 1000; ++tries) {
        const BackupKind other = kind == BackupKind::Read ? BackupKind::Write : BackupKind::Read;
        if (!fs::exists(fs::path(folder) / name, ec) &&
            !fs::exists(fs::path(folder) / BackupFileName(when, other), ec))
            break;
        when += std::chrono::milliseconds(1);
        name = BackupFileName(when, kind);
    }
    const fs::path final = fs::path(folder) / name;
    const fs::path temp = fs::path(folder) / ("." + name + ".part");
    const ImageFileResult written = WriteContactImageFile(temp.string(), image, true);
    if (written.outcome != ImageFileResult::Done) {
        fs::remove(temp, ec);
        result.strReason = "cannot write " + final.string() + ": " + written.strReason;
        return result;
    }
    fs::rename(temp, final, ec);
    if (ec) {
        result.strReason = "cannot write " + final.string() + ": " + ec.message();
        fs::remove(temp, ec);
        return result;
    }
    result.bOk = true;
    result.strPath = final.string();

    std::vector<ContactBackupInfo> backups;
    // Pruning needs the names only, not each backup opened for its count.
    if (ListBackupFiles(folder, backups, nullptr)) {
        for (size_t i = MAX_BACKUPS; i < backups.size(); ++i) fs::remove(backups[i].strPath, ec);
    }
    return result;
}

bool ListContactBackups(const std::string& folder, std::vector<ContactBackupInfo>& backups,
                        std::string* reason) {
    if (!ListBackupFiles(folder, backups, reason)) return false;
    for (ContactBackupInfo& info : backups) info.nContacts = BackupCount(info.strPath);
    return true;
}

}  // namespace pendrak
