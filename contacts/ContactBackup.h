// Backups of the radio's lists: the image after each Read and before each
// Write, in short form, named by local date, time and kind; the newest
// MAX_BACKUPS kept.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "contacts/ContactImage.h"

namespace pendrak {

constexpr int MAX_BACKUPS = 20;

enum class BackupKind { Read, Write };

const char* BackupKindName(BackupKind kind);  // "read", "write"

struct ContactBackupInfo {
    std::string strPath;
    std::string strName;
    std::string strWhen;  // "2024-05-01 14:03:07"
    BackupKind kind = BackupKind::Read;
    int nContacts = -1;  // -1: not a readable image file
    int nSuffix = 1;     // 2 and up: "_read-2.bin", a name taken in the same millisecond
};

// "2024-05-01_14-03-07_123_read.bin": sorts by time; within a process a
// name in use moves on by a millisecond.
std::string BackupFileName(std::chrono::system_clock::time_point when, BackupKind kind);

struct BackupResult {
    bool bOk = false;
    std::string strPath;    // the backup written
    std::string strReason;  // why not, in English words
};

// Writes the short form to an exclusive temporary in folder (created when
// missing), makes it durable and gives it its name without ever replacing a
// file (a name taken meanwhile gets a suffix, "_read-2.bin"), then removes
// all but the newest MAX_BACKUPS by the time in their names, never the one
// just written. Only this program's backups are removed: files of their
// name pattern that read as image files.
BackupResult SaveContactBackup(
    const std::string& folder, const CContactImage& image, BackupKind kind,
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

// The backups in folder, newest first (by the time in the name, then the
// suffix); none for a missing folder. False with
// the reason when the folder cannot be read.
bool ListContactBackups(const std::string& folder, std::vector<ContactBackupInfo>& backups,
                        std::string* reason = nullptr);

}  // namespace pendrak
