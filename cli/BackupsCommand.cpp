// backups: what the backup folder holds, newest first.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "cli/Backups.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

struct BackupsOptions {
    CommonOptions common;
    BackupOptions backup;
};

int RunBackups(const BackupsOptions& options) {
    StartUp(options.common);
    const std::string folder = BackupFolder(options.backup);
    std::vector<ContactBackupInfo> backups;
    std::string reason;
    if (!ListContactBackups(folder, backups, &reason)) Fail(reason);
    if (backups.empty()) {
        PrintInfo("No backups in " + folder);
        return EXIT_OK;
    }
    PrintInfo("Backups in " + folder + ", newest first:");
    for (const ContactBackupInfo& b : backups) {
        char line[96];
        if (b.nContacts >= 0)
            std::snprintf(line, sizeof line, "%s  %-5s  %6d %-8s  ", b.strWhen.c_str(),
                          BackupKindName(b.kind), b.nContacts,
                          b.nContacts == 1 ? "contact" : "contacts");
        else
            std::snprintf(line, sizeof line, "%s  %-5s  %-15s  ", b.strWhen.c_str(),
                          BackupKindName(b.kind), "not readable");
        PrintInfo(line + b.strName);
    }
    return EXIT_OK;
}

}  // namespace

void AddBackupOptions(CLI::App& command, BackupOptions& options, bool keeps) {
    AsPath(command.add_option("--backup-dir", options.strDir,
                              "Folder of the backups instead of the one setting.txt names (BinFile)")
               ->check(CLI::Validator(
                   [](const std::string& folder) {
                       return folder.empty() ? std::string("names no folder") : std::string();
                   },
                   "", "Folder")));
    if (keeps)
        command.add_flag("--no-backup", options.bNoBackup,
                         "Keep no copy of the image in the backup folder");
}

std::string BackupFolder(const BackupOptions& options) {
    return options.strDir.empty() ? theAppData.BackupDir() : options.strDir;
}

BackupResult KeepBackup(const BackupOptions& options, const CContactImage& image, BackupKind kind) {
    if (options.bNoBackup) {
        BackupResult none;
        none.bOk = true;
        return none;
    }
    BackupResult result = SaveContactBackup(BackupFolder(options), image, kind);
    if (result.bOk) PrintInfo("Backup: " + result.strPath);
    return result;
}

void AddBackupsCommand(CLI::App& app, CommandList& commands) {
    auto backups = std::make_shared<BackupsOptions>();
    CLI::App* cmd = app.add_subcommand(
        "backups", "List the images kept after each Read and before each Write, newest first");
    AddBackupOptions(*cmd, backups->backup, false);
    AddCommonOptions(*cmd, backups->common);
    commands.push_back({cmd, [backups] { return RunBackups(*backups); }});
}

}  // namespace pendrak::cli
