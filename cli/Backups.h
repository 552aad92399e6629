// The images read and write keep in the backup folder, and where that is.
#pragma once

#include <string>

#include "contacts/ContactBackup.h"

namespace CLI {
class App;
}

namespace pendrak::cli {

struct BackupOptions {
    bool bNoBackup = false;
    std::string strDir;  // empty: the settings' folder
};

// --backup-dir, and --no-backup when the command keeps backups.
void AddBackupOptions(CLI::App& command, BackupOptions& options, bool keeps);

// --backup-dir, else the folder the settings name.
std::string BackupFolder(const BackupOptions& options);

// Keeps the image as a backup of that kind unless --no-backup (then bOk and
// no path); prints where it went.
BackupResult KeepBackup(const BackupOptions& options, const CContactImage& image, BackupKind kind);

}  // namespace pendrak::cli
