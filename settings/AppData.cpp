#include "settings/AppData.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/CodePage.h"
#include "platform/System.h"
#include "settings/LanguageChoice.h"
#include "settings/SettingsWriter.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pendrak {

CAppData theAppData;

namespace {

#ifdef _WIN32
constexpr char SEP = '\\';
#else
constexpr char SEP = '/';
#endif

constexpr const char* SETTINGS_SECTION = "setup";
constexpr size_t SETTING_VALUE_MAX = 259;  // what a 260-byte profile buffer holds

// Reads [setup] keys of the settings file: the profile service on Windows,
// the mapped-file rules elsewhere (the file is closed again afterwards).
class SettingsReader {
public:
    explicit SettingsReader(const std::string& path) : m_path(path) {
#ifndef _WIN32
        m_file.Open(path.c_str());
#endif
    }

    std::string Get(const char* key) {
        char buffer[CMappedIniFile::BUFFER_SIZE] = "";
#ifdef _WIN32
        GetPrivateProfileStringA(SETTINGS_SECTION, key, "", buffer, SETTING_VALUE_MAX + 1,
                                 m_path.c_str());
#else
        m_file.GetValue(SETTINGS_SECTION, key, buffer);
#endif
        return std::string(buffer, strnlen(buffer, SETTING_VALUE_MAX));
    }

private:
    std::string m_path;
#ifndef _WIN32
    CMappedIniFile m_file;
#endif
};

// Replaces each backslash-`letter` by `with`, left to right, moving a whole
// character at a time so that the trail byte of a double-byte character is
// never taken for a backslash.
std::string ExpandEscape(const std::string& text, char letter, char with, int codePage) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (IsLeadByteInCodePage(b, codePage) && i + 1 < text.size()) {
            out.append(text, i, 2);
            i += 2;
        } else if (b == '\\' && i + 1 < text.size() && text[i + 1] == letter) {
            out += with;
            i += 2;
        } else {
            out += text[i];
            ++i;
        }
    }
    return out;
}

}  // namespace

bool CAppData::LoadSettings(IStartupNotifier* notifier, const std::string& programPath) {
    // Nothing of an earlier load survives a failed one.
    m_strLangFile.clear();
    m_strBinDir.clear();
    m_strCodePage.clear();
    m_strRadio.clear();
    m_strPrefer.clear();
    m_strNear.clear();
    m_strOnly.clear();
    m_strExclude.clear();
    m_strBinFile.clear();
    m_strOwnContacts.clear();
    m_strDatabaseUrl.clear();
    m_bVerify = 0;
    m_strLanguage.clear();
    m_bConfirmWrite = 1;
    m_strColumnWidths.clear();
    m_strImportFolder.clear();
    m_strAddFolder.clear();
    m_strExportFolder.clear();
    m_strBackupFolder.clear();
    m_bInstalledData = 0;
    m_langFile.Close();

    const std::string exePath = programPath.empty() ? ProgramPath() : programPath;
    m_strAppDir = DirectoryOf(exePath);

    m_strDataDir = m_strAppDir + SEP + "Data";
    m_strSettingFile = m_strDataDir + SEP + "setting.txt";
    if (!PathExists(m_strSettingFile)) {
        // An installed copy keeps its data in share/pendrak beside bin/.
        const std::string prefix = DirectoryOf(m_strAppDir);
        const std::string shared = prefix + SEP + "share" + SEP + "pendrak" + SEP + "Data";
        if (!m_strAppDir.empty() && PathExists(shared + SEP + "setting.txt")) {
            m_strDataDir = shared;
            m_strSettingFile = shared + SEP + "setting.txt";
            m_bInstalledData = 1;
        }
    }

    if (!PathExists(m_strSettingFile)) {
        if (notifier)
            notifier->SettingsFileMissing("Can not find the file setting!",
                                          BaseNameWithoutExtension(exePath));
        return false;
    }

    ReadSetupKeys();
    m_contacts.ClearContactImage();
    m_bRadioBusy = 0;
    return true;
}

void CAppData::ReadSetupKeys() {
    SettingsReader settings(m_strSettingFile);
    m_strLanguage = settings.Get("language");
    m_strBinFile = settings.Get("BinFile");
    m_strCodePage = settings.Get("codepage");
    m_strRadio = settings.Get("radio");
    m_strPrefer = settings.Get("prefer");
    m_strNear = settings.Get("near");
    m_strOnly = settings.Get("only");
    m_strExclude = settings.Get("exclude");
    m_bVerify = std::atoi(settings.Get("verify").c_str()) != 0 ? 1 : 0;
    const std::string confirm = settings.Get("confirm_write");
    m_bConfirmWrite = confirm.empty() || std::atoi(confirm.c_str()) != 0 ? 1 : 0;
    m_strColumnWidths = settings.Get("column_widths");
    m_strImportFolder = settings.Get("import_folder");
    m_strAddFolder = settings.Get("add_folder");
    m_strExportFolder = settings.Get("export_folder");
    m_strBackupFolder = settings.Get("backup_folder");
    m_strOwnContacts = settings.Get("own_contacts");
    m_strDatabaseUrl = settings.Get("database_url");

    // The settings decide the code page; without a known name the system's
    // own is in force.
    SetProgramCodePage(CodePageFromName(m_strCodePage));

    std::string language = m_strLanguage;
    if (language.empty()) {
        // The system's language where its file is there, else English.
        language = LanguageFileForLcid(SystemDefaultLcid());
        if (!PathExists(m_strDataDir + SEP + language + ".lng")) language = "lang_en";
    }
    const std::string langFile = m_strDataDir + SEP + language + ".lng";
    m_strBinDir = m_strBinFile.empty() ? m_strAppDir + SEP + "Bin" : m_strBinFile;
    if (langFile != m_strLangFile || !m_langFile.IsOpen()) {
        m_strLangFile = langFile;
        // A missing or unmappable language file leaves every text empty.
        m_langFile.Open(m_strLangFile.c_str());
    }
}

std::string CAppData::GetSetupValue(const char* key) const {
    if (m_strSettingFile.empty()) return {};
    return SettingsReader(m_strSettingFile).Get(key);
}

bool CAppData::ReloadSettings() {
    if (m_strSettingFile.empty() || !PathExists(m_strSettingFile)) return false;
    ReadSetupKeys();
    return true;
}

bool CAppData::SaveSettings(const SettingValues& values, std::string* reason) {
    if (!WriteSettingValues(m_strSettingFile, values, reason)) return false;
    ReloadSettings();
    return true;
}

std::string CAppData::BackupDir() const {
    if (!m_strBinFile.empty()) {
        // "~" and "~/..." are the user's home folder, as in a shell.
        if (m_strBinFile[0] == '~' &&
            (m_strBinFile.size() == 1 || m_strBinFile[1] == '/' || m_strBinFile[1] == '\\')) {
#ifdef _WIN32
            const char* home = std::getenv("USERPROFILE");
#else
            const char* home = std::getenv("HOME");
#endif
            if (home && *home) return NativePath(home + m_strBinFile.substr(1));
        }
        // Written with either separator; named in messages with the platform's.
        if (std::filesystem::path(m_strBinFile).is_relative() && !m_strAppDir.empty())
            return NativePath(m_strAppDir + SEP + m_strBinFile);
        return NativePath(m_strBinFile);
    }
    const std::string beside = m_strAppDir + SEP + "Bin";
    // An installed copy's folder belongs to the system, even for root.
    if (!m_bInstalledData && !m_strAppDir.empty() &&
        CanWriteInFolder(PathExists(beside) ? beside : m_strAppDir))
        return beside;
    const std::string user = UserDataDir();
    return user.empty() ? beside : user + SEP + "pendrak" + SEP + "Bin";
}

bool CAppData::SwitchLanguage(const std::string& language, std::string* reason) {
    const std::string path = m_strDataDir + SEP + language + ".lng";
    if (m_strDataDir.empty() || !PathExists(path)) {
        *reason = "there is no language file " + path;
        return false;
    }
    CMappedIniFile probe;
    if (!probe.Open(path.c_str())) {
        *reason = "cannot read the language file " + path;
        return false;
    }
    probe.Close();
    m_langFile.Open(path.c_str());
    m_strLangFile = path;
    if (!WriteSettingValues(m_strSettingFile, {{"language", language}}, reason)) return false;
    m_strLanguage = language;
    return true;
}

std::string CAppData::LanguageInForce() const {
    return std::filesystem::path(m_strLangFile).stem().string();
}

std::vector<std::string> CAppData::OwnContactFiles() const {
    std::vector<std::string> files;
    std::string rest = m_strOwnContacts;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        std::string item = rest.substr(0, comma);
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.erase(0, 1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.pop_back();
        if (item.empty()) continue;
        if (std::filesystem::path(item).is_relative() && !m_strAppDir.empty())
            item = m_strAppDir + SEP + item;
        files.push_back(NativePath(item));
    }
    return files;
}

std::string CAppData::GetLangString(const char* key) {
    char buffer[CMappedIniFile::BUFFER_SIZE] = "";
    m_langFile.GetValue("String", key, buffer);
    // Scanned in the file's own code page: in a UTF-8 file the bytes of a
    // character can look like GBK lead bytes and swallow a backslash.
    const int codePage = m_langFile.TextCodePage();
    return ExpandEscape(ExpandEscape(buffer, 'n', '\n', codePage), 't', '\t', codePage);
}

std::string CAppData::GetLangResource(int id) {
    char buffer[CMappedIniFile::BUFFER_SIZE] = "";
    m_langFile.GetValue("Resource", std::to_string(id).c_str(), buffer);
    return buffer;
}

}  // namespace pendrak
