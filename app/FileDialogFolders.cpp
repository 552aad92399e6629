#include "app/FileDialogFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/DisplayText.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

struct PurposeKeys {
    const char* settingKey;
    std::string CAppData::*folder;
    const char* titleKey;
    const char* title;
};

const PurposeKeys& Keys(FilePurpose purpose) {
    static const PurposeKeys keys[] = {
        {"import_folder", &CAppData::m_strImportFolder, "IDS_TITLE_IMPORT", "Import contacts"},
        {"add_folder", &CAppData::m_strAddFolder, "IDS_TITLE_ADD", "Add contacts from file"},
        {"export_folder", &CAppData::m_strExportFolder, "IDS_Savecsv", "Save Contacts as CSV"},
        {"backup_folder", &CAppData::m_strBackupFolder, "IDS_TITLE_OPENBACKUP", "Open backup"},
    };
    return keys[static_cast<int>(purpose)];
}

QString FromPathBytes(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

QString FileDialogTitle(FilePurpose purpose) {
    return LangStringOr(Keys(purpose).titleKey, Keys(purpose).title);
}

QString StartFolder(FilePurpose purpose) {
    const QString last = FromPathBytes(theAppData.*Keys(purpose).folder);
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    if (purpose == FilePurpose::OpenBackup) return FromPathBytes(theAppData.BackupDir());
    return QDir::homePath();
}

bool RememberFolder(FilePurpose purpose, const QString& chosenFile) {
    const std::string folder = PathBytes(QFileInfo(chosenFile).absolutePath());
    if (folder == theAppData.*Keys(purpose).folder) return true;
    // Only this key: the other settings are read again where they are used.
    if (!WriteSettingValues(theAppData.m_strSettingFile, {{Keys(purpose).settingKey, folder}},
                            nullptr))
        return false;
    theAppData.*Keys(purpose).folder = folder;
    return true;
}

}  // namespace pendrak
