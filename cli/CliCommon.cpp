#include "cli/CliCommon.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <map>

#include "csv/ContactCsv.h"
#include "platform/CodePage.h"
#include "platform/System.h"
#include "settings/AppData.h"
#include "settings/LanguageChoice.h"

namespace pendrak::cli {

namespace {

// The start-up notice of a missing settings file: the dialog's box text, as a line.
class CStderrNotifier : public IStartupNotifier {
public:
    void SettingsFileMissing(const std::string& text, const std::string& title) override {
        std::cerr << title << ": " << text << '\n';
    }
};

// What a key says when the language file has no text for it.
const std::map<std::string, std::string>& EnglishTexts() {
    static const std::map<std::string, std::string> texts = {
        {"IDS_ERROR", "Error"},
        {"IDS_ERR_PORTCONN", "Cannot open the radio's USB port"},
        {"IDS_ERR_CONNECT", "The radio does not answer"},
        {"IDS_ERR_GMode", "The radio did not accept the system information request"},
        {"IDS_ERR_ReadRDSVersion", "Cannot read the radio's data version"},
        {"IDS_ERR_RDSVersion", "The radio's data version is not supported"},
        {"IDS_ERR_READ", "Reading from the radio failed"},
        {"IDS_ERR_WRITE", "Writing to the radio failed"},
        {"IDS_PROMPT_READSUCC", "Read from the radio successfully"},
        {"IDS_PROMPT_WRITESUCC", "Written to the radio successfully"},
        {"IDS_ERR_VERIFY", "Verify failed: contact %1 (radio ID %2) differs."},
        {"IDS_ERR_VERIFYAT", "Verify failed: image byte %1 differs."},
        {"IDS_ERR_VERIFYREAD", "Reading the radio back failed"},
        {"IDS_SavecsvOK", "Contacts exported"},
        {"IDS_FileNameError", "The file name must end in .csv"},
    };
    return texts;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

void AddCommonOptions(CLI::App& command, CommonOptions& options) {
    command.add_option("--lang", options.strLang,
                       "Language file in Data/ without .lng (lang_en, lang_de, lang_ja, ...); default from setting.txt");
    command.add_flag("-q,--quiet", options.bQuiet, "No progress display");
}

CLI::Option* AsPath(CLI::Option* option) {
    return option->transform([](std::string path) { return NativePath(std::move(path)); });
}

void StartUp(const CommonOptions& options) {
    CStderrNotifier notifier;
    if (!theAppData.LoadSettings(&notifier)) theAppData.m_contacts.ClearContactImage();
    theAppData.m_bRadioBusy = 0;

    if (!options.strLang.empty()) {
        std::string dataDir = theAppData.m_strDataDir;
        if (dataDir.empty()) dataDir = DirectoryOf(ProgramPath()) + "/Data";
        const std::string path = NativePath(dataDir + "/" + options.strLang + ".lng");
        if (!PathExists(path)) {
            std::string known;
            for (const LanguageEntry& entry : ListLanguages(DirectoryOf(path)))
                known += (known.empty() ? "" : ", ") + entry.strName;
            UsageFail("no language file " + path + (known.empty() ? "" : "; there are " + known));
        }
        theAppData.m_langFile.Close();
        theAppData.m_strLangFile = path;
        if (!theAppData.m_langFile.Open(path.c_str())) Fail("cannot read the language file " + path);
    }
}

std::string LangText(const char* key) {
    const auto it = EnglishTexts().find(key);
    return ReportText(key, it == EnglishTexts().end() ? key : it->second.c_str());
}

std::string ReportText(const char* key, const char* english) {
    std::string text = theAppData.GetLangString(key);
    if (text.empty()) return english;
    const int codePage = theAppData.m_langFile.TextCodePage();
    if (codePage != CP_UTF8_ID) text = ToUtf8(text, codePage);
    return OneLine(text);
}

std::string TerminalText(const std::string& bytes) { return ToUtf8(bytes); }

std::string ContactsText(int count) {
    return std::to_string(count) + (count == 1 ? " contact" : " contacts");
}

void PrintError(const std::string& message) {
    std::cout.flush();
    std::cerr << "pendrak-cli: " << message << std::endl;
}

// Flushed, so that it keeps its place among the progress lines on stderr.
void PrintInfo(const std::string& message) { std::cout << message << std::endl; }

int CodePageOption(const std::string& name) {
    if (name.empty()) return GetProgramCodePage();
    const int codePage = CodePageFromName(name);
    if (codePage == 0) UsageFail("unknown code page '" + name + "'");
    return codePage;
}

bool HasCsvName(const std::string& path) {
    // DirectoryOf ends right before the last separator, when there is one.
    const size_t cut = DirectoryOf(path).size();
    const bool hasDir = cut < path.size() && (path[cut] == '/' || path[cut] == '\\');
    return IsCsvFileName(hasDir ? std::string_view(path).substr(cut + 1) : std::string_view(path));
}

}  // namespace pendrak::cli
