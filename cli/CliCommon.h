// What every pendrak-cli command shares: exit codes, the start-up that the
// dialog also runs, messages in the chosen language, common options.
#pragma once

#include <stdexcept>
#include <string>

namespace CLI {
class App;
class Option;
}

namespace pendrak::cli {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// A failure that ends the command: one line on stderr, then the exit code.
class CCliError : public std::runtime_error {
public:
    CCliError(int exitCode, const std::string& message)
        : std::runtime_error(message), m_nExitCode(exitCode) {}
    int m_nExitCode;
};

[[noreturn]] inline void Fail(const std::string& message) { throw CCliError(EXIT_FAILED, message); }
[[noreturn]] inline void UsageFail(const std::string& message) { throw CCliError(EXIT_USAGE, message); }

struct CommonOptions {
    std::string strLang;  // language file name without ".lng"; empty: the settings'
    bool bQuiet = false;  // no progress display
};

void AddCommonOptions(CLI::App& command, CommonOptions& options);

// A file option: its value takes the platform's separators once, so that
// every message naming it shows them (C:\\dir\\x.csv on Windows).
CLI::Option* AsPath(CLI::Option* option);

// Settings, language file and a cleared contact image, as the dialog starts.
// A missing settings file is one line on stderr, not a failure.
void StartUp(const CommonOptions& options);

// Text of an IDS_ key from the language table as one UTF-8 line; the
// built-in English text when the language file has none.
std::string LangText(const char* key);

// The same for a key whose English text the caller gives.
std::string ReportText(const char* key, const char* english);

// Bytes of the program's code page as UTF-8 for the terminal.
std::string TerminalText(const std::string& bytes);

// "1 contact", "5 contacts".
std::string ContactsText(int count);

void PrintError(const std::string& message);  // "pendrak-cli: message" on stderr
void PrintInfo(const std::string& message);   // a line on stdout

// The code page a --codepage option names (a usage failure when unknown);
// the program's code page when the option is empty.
int CodePageOption(const std::string& name);

// True when the name has the ".csv" ending that the dialog's Export demands.
bool HasCsvName(const std::string& path);

}  // namespace pendrak::cli
