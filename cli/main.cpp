// pendrak-cli: the dialog's operations for scripts and headless machines.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"

using namespace pendrak::cli;

int main(int argc, char** argv) {
    InstallInterruptHandler();
    CLI::App app{"pendrak-cli: read, write, import, export, list and find the contacts of a DMR radio"};
    app.name("pendrak-cli");
    app.require_subcommand(1);
    // One syntax everywhere: a path such as /data/x.csv is a path, not a
    // Windows-style option.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string(PENDRAK_VERSION));

    CommandList commands;
    AddRadioCommands(app, commands);
    AddFileCommands(app, commands);
    AddListCommand(app, commands);
    AddFindCommand(app, commands);
    AddEmulateCommand(app, commands);
    AddBackupsCommand(app, commands);
    AddDatabaseCommands(app, commands);

    // Without this, an unknown command reads as a missing one.
    if (argc > 1 && argv[1][0] != '-') {
        bool known = false;
        for (const auto& entry : commands) known = known || entry.first->get_name() == argv[1];
        if (!known) {
            PrintError(std::string("unknown command '") + argv[1] +
                       "' (read, write, import, export, list, find, info, emulate, backups, download, update; see pendrak-cli --help)");
            return EXIT_USAGE;
        }
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        PrintError(std::string(e.what()) + " (see pendrak-cli --help)");
        return EXIT_USAGE;
    }

    try {
        for (auto& [command, run] : commands)
            if (command->parsed()) return run();
    } catch (const CCliError& e) {
        PrintError(e.what());
        return e.m_nExitCode;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return EXIT_FAILED;
    }
    return EXIT_USAGE;
}
