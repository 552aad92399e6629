// The commands of pendrak-cli, each group in its own file.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "contacts/ContactImage.h"

namespace CLI {
class App;
}

namespace pendrak::cli {

// A subcommand and what runs it (returning the exit code) once it is parsed.
using CommandList = std::vector<std::pair<CLI::App*, std::function<int()>>>;

void AddFileCommands(CLI::App& app, CommandList& commands);   // import, export
void AddListCommand(CLI::App& app, CommandList& commands);    // list
void AddFindCommand(CLI::App& app, CommandList& commands);    // find
void AddRadioCommands(CLI::App& app, CommandList& commands);  // read, write, info
void AddEmulateCommand(CLI::App& app, CommandList& commands); // emulate
void AddBackupsCommand(CLI::App& app, CommandList& commands); // backups
void AddDatabaseCommands(CLI::App& app, CommandList& commands); // download, update

// The dialog's Import of a CSV file into image; the number of contacts taken.
// A file that cannot be opened or read is a failure (the image unchanged).
int ImportCsv(CContactImage& image, const std::string& path);

}  // namespace pendrak::cli
