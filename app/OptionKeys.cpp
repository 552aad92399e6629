#include "app/OptionKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/DisplayText.h"
#include "contacts/ContactChoice.h"
#include "platform/CodePage.h"
#include "settings/AppData.h"
#include "settings/LanguageChoice.h"

namespace pendrak {

namespace {

// The import choice as the command line checks its options.
template <bool (CContactChoice::*Set)(std::string_view, std::string*)>
QString CheckChoice(const std::string& value) {
    CContactChoice choice;
    std::string error;
    if ((choice.*Set)(value, &error)) return {};
    return QString::fromStdString(error);
}

QString CheckFolder(const std::string& value) {
    // A relative folder counts from the program's, as the backups take it.
    const QDir program(QFile::decodeName(QByteArray::fromStdString(theAppData.m_strAppDir)));
    const QFileInfo info(program.filePath(QFile::decodeName(QByteArray::fromStdString(value))));
    if (value.empty() || !info.exists() || info.isDir()) return {};
    return LangStringOr("IDS_OPT_NOTFOLDER", "%1 is a file, not a folder.")
        .arg(QDir::toNativeSeparators(info.filePath()));
}

QString CheckCodePage(const std::string& value) {
    if (value.empty() || CodePageFromName(value) != 0) return {};
    return LangStringOr("IDS_OPT_BADCODEPAGE", "%1 is no code page this program knows.")
        .arg(QString::fromStdString(value));
}

QString CheckLanguage(const std::string& value) {
    if (value.empty() || QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(
                             theAppData.m_strDataDir + "/" + value + ".lng"))))
        return {};
    return LangStringOr("IDS_OPT_BADLANGUAGE", "There is no language file %1.lng.")
        .arg(QString::fromStdString(value));
}

// Every file named, as an import would look for it.
QString CheckOwnContacts(const std::string& value) {
    const QDir program(QFile::decodeName(QByteArray::fromStdString(theAppData.m_strAppDir)));
    for (const QString& name : QFile::decodeName(QByteArray::fromStdString(value)).split(',')) {
        const QString file = name.trimmed();
        if (file.isEmpty() || QFileInfo(program.filePath(file)).isFile()) continue;
        return LangStringOr("IDS_OPT_NOOWNFILE", "There is no file %1.")
            .arg(QDir::toNativeSeparators(program.filePath(file)));
    }
    return {};
}

QString CheckUrl(const std::string& value) {
    const QString url = QString::fromStdString(value);
    if (url.isEmpty() || url.startsWith("http://", Qt::CaseInsensitive) ||
        url.startsWith("https://", Qt::CaseInsensitive))
        return {};
    return LangStringOr("IDS_OPT_BADURL", "%1 is no http or https address.").arg(url);
}

QString NoCheck(const std::string&) { return {}; }

}  // namespace

std::vector<OptionChoice> CodePageChoices() {
    std::vector<OptionChoice> choices;
    const int system = GetSystemCodePage();
    choices.push_back({"", LangStringOr("IDS_OPT_SYSTEMCP", "The system's (%1)")
                               .arg(QString::fromLatin1(CodePageCodecName(system)))});
    for (const char* name : {"UTF-8", "GBK", "GB18030", "Big5", "Shift_JIS", "CP949", "CP874",
                             "CP1250", "CP1251", "CP1252", "CP1253", "CP1254", "CP1255",
                             "CP1256", "CP1257", "CP1258", "ISO-8859-1"})
        choices.push_back({name, QString::fromLatin1(name)});
    return choices;
}

std::vector<OptionChoice> LanguageChoices() {
    std::vector<OptionChoice> choices;
    choices.push_back({"", LangStringOr("IDS_OPT_SYSTEMLANG", "The system's")});
    // As the Language menu offers them: each named in its own language.
    for (const LanguageEntry& entry : ListLanguages(theAppData.m_strDataDir))
        choices.push_back({entry.strName, QString::fromStdString(entry.strTitle)});
    return choices;
}

const std::vector<OptionKey>& OptionKeys() {
    static const std::vector<OptionKey> keys = {
        {"prefer", "IDS_OPT_PREFER", "Take first (ID prefixes, countries)", OptionKind::Text, "",
         nullptr, &CheckChoice<&CContactChoice::SetPrefer>, "IDS_OPT_GROUPIMPORT",
         "Which contacts an import takes when a file holds more than the radio's 130,000 "
         "(lists separated by commas):"},
        {"near", "IDS_OPT_NEAR", "Then the nearest to radio ID", OptionKind::Text, "", nullptr,
         &CheckChoice<&CContactChoice::SetNear>},
        {"only", "IDS_OPT_ONLY", "Take only", OptionKind::Text, "", nullptr,
         &CheckChoice<&CContactChoice::SetOnly>},
        {"exclude", "IDS_OPT_EXCLUDE", "Never take", OptionKind::Text, "", nullptr,
         &CheckChoice<&CContactChoice::SetExclude>},
        {"verify", "IDS_OPT_VERIFY", "Read the radio back after every Write", OptionKind::Check,
         "0", nullptr, &NoCheck, "IDS_OPT_GROUPRADIO", "The radio:"},
        {"confirm_write", "IDS_OPT_CONFIRMWRITE", "Ask before a Write replaces the radio's list",
         OptionKind::Check, "1", nullptr, &NoCheck},
        {"codepage", "IDS_OPT_CODEPAGE", "The radio's text encoding", OptionKind::Choice, "",
         &CodePageChoices, &CheckCodePage},
        {"language", "IDS_OPT_LANGUAGE", "Language", OptionKind::Choice, "", &LanguageChoices,
         &CheckLanguage, "IDS_OPT_GROUPPROGRAM", "The program:"},
        {"BinFile", "IDS_OPT_BACKUPFOLDER", "Backup folder (empty: the program's choice)",
         OptionKind::Folder, "", nullptr, &CheckFolder},
        {"own_contacts", "IDS_OPT_OWNCONTACTS", "Your own entries (CSV files, with commas)",
         OptionKind::Text, "", nullptr, &CheckOwnContacts, "IDS_OPT_GROUPDATABASE",
         "The user database:"},
        {"database_url", "IDS_OPT_DATABASEURL", "Address (empty: the usual one)", OptionKind::Text,
         "", nullptr, &CheckUrl},
    };
    return keys;
}

std::string CurrentOptionValue(const OptionKey& option) {
    std::string value = theAppData.GetSetupValue(option.key);
    if (option.kind == OptionKind::Check && !value.empty())
        value = std::atoi(value.c_str()) != 0 ? "1" : "0";
    return value.empty() ? option.defaultValue : value;
}

int CheckOptionValues(const std::vector<std::string>& values, QString* reason,
                      SettingValues* changed) {
    const std::vector<OptionKey>& keys = OptionKeys();
    changed->clear();
    for (size_t i = 0; i < keys.size() && i < values.size(); ++i) {
        // A value left as it stands (an own file gone since) must not block the others.
        if (values[i] == CurrentOptionValue(keys[i])) continue;
        QString why = keys[i].check(values[i]);
        if (why.isEmpty()) {
            const std::string problem = SettingValueProblem(values[i]);
            if (!problem.empty()) why = QString::fromStdString(problem);
        }
        if (!why.isEmpty()) {
            *reason = why;
            return static_cast<int>(i);
        }
        changed->emplace_back(keys[i].key, values[i]);
    }
    return -1;
}

}  // namespace pendrak
