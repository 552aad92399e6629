// The program's one global data object: paths, the language file, the busy
// flag of the radio jobs and the contact image.
#pragma once

#include <string>
#include <vector>

#include "contacts/ContactImage.h"
#include "settings/MappedIniFile.h"
#include "settings/SettingsWriter.h"

namespace pendrak {

// How start-up tells the user that the settings file is missing: a message
// box in the dialog, a line on stderr in the command-line tool.
class IStartupNotifier {
public:
    virtual ~IStartupNotifier() = default;
    // text is "Can not find the file setting!", title the executable's name
    // without extension.
    virtual void SettingsFileMissing(const std::string& text, const std::string& title) = 0;
};

class CAppData {
public:
    std::string m_strAppDir;       // folder of the executable, no trailing separator
    std::string m_strDataDir;      // the Data folder in use
    std::string m_strLangFile;
    std::string m_strSettingFile;
    std::string m_strBinDir;
    std::string m_strCodePage;     // `codepage` key of [setup], as written
    std::string m_strRadio;        // `radio` key of [setup]; empty means usb
    // Which contacts an import takes over capacity: `prefer`, `near`,
    // `only` and `exclude` keys of [setup], as written.
    std::string m_strPrefer, m_strNear, m_strOnly, m_strExclude;
    std::string m_strBinFile;      // `BinFile` key of [setup], as written
    std::string m_strOwnContacts;  // `own_contacts` key: the user's own entries, FILE[,FILE...]
    std::string m_strDatabaseUrl;  // `database_url` key: where the user database comes from
    int m_bVerify = 0;             // `verify` key: a Write reads the radio back
    std::string m_strLanguage;     // `language` key, as written (empty: the system's)
    int m_bConfirmWrite = 1;       // `confirm_write` key: ask before a Write
    std::string m_strColumnWidths; // `column_widths` key: the list's, in pixels
    // Folders last used by the file dialogs, one key each.
    std::string m_strImportFolder, m_strAddFolder, m_strExportFolder, m_strBackupFolder;
    int m_bInstalledData = 0;      // the settings came from <prefix>/share/pendrak
    CMappedIniFile m_langFile;
    int m_bRadioBusy = 0;
    CContactImage m_contacts;

    // Start-up for the program at programPath (the running executable when
    // empty). False when the settings file is missing: the notifier (if any)
    // was told, and nothing else was loaded.
    bool LoadSettings(IStartupNotifier* notifier, const std::string& programPath = {});

    // Reads the [setup] keys again (a hand edit while the program runs):
    // code page and language file follow; the contacts stay. False when the
    // file is gone (the keys are then kept as they were).
    bool ReloadSettings();
    // A [setup] key as the file holds it now; empty when it is not there.
    std::string GetSetupValue(const char* key) const;
    // Writes the values into setting.txt (other lines kept as they are),
    // then reloads. False with the reason in English words.
    bool SaveSettings(const SettingValues& values, std::string* reason);

    // The folder that keeps the backups: BinFile when set (a relative path
    // from the program's folder); else Bin beside the program where that can
    // be written, else the user's data folder (pendrak/Bin in it).
    std::string BackupDir() const;

    // Shows the texts of Data/<language>.lng from now on and keeps the
    // choice in setting.txt (its other lines untouched). False with the
    // reason when the file cannot be read (the language stays) or the
    // choice cannot be kept (the language is switched all the same).
    bool SwitchLanguage(const std::string& language, std::string* reason);
    // The language file shown, without ".lng" (lang_de), whatever chose it.
    std::string LanguageInForce() const;

    // The files of own_contacts in order, a relative path counted from the
    // program's folder.
    std::vector<std::string> OwnContactFiles() const;

    // Section "String" text of an IDS_ key, with \n and \t expanded; empty
    // when there is none.
    std::string GetLangString(const char* key);
    // Section "Resource" text of a resource ID, as written.
    std::string GetLangResource(int id);

private:
    void ReadSetupKeys();
};

extern CAppData theAppData;

inline bool LoadSettings(IStartupNotifier* notifier) { return theAppData.LoadSettings(notifier); }
inline std::string GetLangString(const char* key) { return theAppData.GetLangString(key); }
inline std::string GetLangResource(int id) { return theAppData.GetLangResource(id); }

}  // namespace pendrak
