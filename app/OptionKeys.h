// The keys of [setup] that the Options dialog shows and changes, as one
// table: a later key is one more entry. What it decides needs no widgets.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "settings/SettingsWriter.h"

namespace pendrak {

enum class OptionKind {
    Text,    // a line of text, in the program's code page
    Check,   // "1" or "0"
    Choice,  // one of choices(); a value written by hand stays offered
    Folder,  // a path, with a Browse button
};

struct OptionChoice {
    std::string value;  // as written to setting.txt
    QString text;       // as shown
};

struct OptionKey {
    const char* key;  // in [setup]
    const char* labelKey;
    const char* label;  // English, when the language file lacks labelKey
    OptionKind kind;
    const char* defaultValue;  // what an empty or missing key means
    std::vector<OptionChoice> (*choices)();
    // Why the value will not do, in the user's language; empty when it will.
    QString (*check)(const std::string& value);
    // A heading over this key and the ones after it; null for none.
    const char* groupKey = nullptr;
    const char* group = nullptr;
};

const std::vector<OptionKey>& OptionKeys();

// The key's value as setting.txt holds it now (its default when empty).
std::string CurrentOptionValue(const OptionKey& option);

// Checks every value (one per entry of OptionKeys(), in order): the first
// index that will not do, with its reason; -1 when all will. *changed gets
// the values that differ from the file's.
int CheckOptionValues(const std::vector<std::string>& values, QString* reason,
                      SettingValues* changed);

// The code pages offered, and the languages in the Data folder.
std::vector<OptionChoice> CodePageChoices();
std::vector<OptionChoice> LanguageChoices();

}  // namespace pendrak
