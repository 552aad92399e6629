// The import options that `import` and `write` share, and the import that
// prints its report.
#pragma once

#include <string>
#include <vector>

#include "contacts/ContactImage.h"

namespace CLI {
class App;
}

namespace pendrak::cli {

struct CliImportOptions {
    bool bMerge = false;
    std::string strPrefer, strNear, strOnly, strExclude;
    std::string strEncoding;
    std::string strCodePage;  // the radio's text encoding; empty: the settings'
    bool bStrict = false;
    std::vector<std::string> ownFiles;  // the user's own entries, merged on top
};

void AddImportOptions(CLI::App& command, CliImportOptions& options);

// Imports the files in order as one list into `image`, the own entries
// first, and prints the report; fails (CCliError) when a file cannot be
// read, an option cannot be used, or with --strict when lines were lost.
// The number of contacts.
int ImportCsvFiles(CContactImage& image, const std::vector<std::string>& paths,
                   const CliImportOptions& options);

// The choice options as given, or where empty, the settings' keys (as the
// dialog has them); own entries from the settings when none are given.
CliImportOptions WithSettings(CliImportOptions options);

}  // namespace pendrak::cli
