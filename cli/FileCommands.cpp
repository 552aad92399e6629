// import and export: the dialog's Import and Export, between CSV files and
// image files, offline.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <memory>

#include "cli/CliCommon.h"
#include "cli/ImageFile.h"
#include "cli/Interrupt.h"
#include "csv/ContactCsv.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

struct ImportOptions {
    CommonOptions common;
    std::string strCsv;
    std::string strImage;
    std::string strBase;
};

struct ExportOptions {
    CommonOptions common;
    std::string strImage;
    std::string strCsv;
};

int RunImport(const ImportOptions& options) {
    StartUp(options.common);
    InstallInterruptHandler();
    CContactImage& image = theAppData.m_contacts;
    if (!options.strBase.empty()) LoadImageFile(options.strBase, image);
    const int count = ImportCsv(image, options.strCsv);

    CPendingOutput output(options.strImage);
    SaveImageFile(image, output);
    if (Interrupted()) Fail("import interrupted; no file written");
    output.Commit();
    PrintInfo("Imported " + ContactsText(count) + " from " + options.strCsv + " into " +
              options.strImage);
    return EXIT_OK;
}

int RunExport(const ExportOptions& options) {
    StartUp(options.common);
    if (!HasCsvName(options.strCsv)) UsageFail(options.strCsv + ": " + LangText("IDS_FileNameError"));
    InstallInterruptHandler();
    CContactImage& image = theAppData.m_contacts;
    LoadImageFile(options.strImage, image);

    CPendingOutput output(options.strCsv);
    ExportCsv(image, output);
    if (Interrupted()) Fail("export interrupted; no file written");
    output.Commit();
    PrintInfo(LangText("IDS_SavecsvOK"));
    PrintInfo(ContactsText(image.GetContactCount()) + ", CSV " + options.strCsv);
    return EXIT_OK;
}

}  // namespace

int ImportCsv(CContactImage& image, const std::string& path) {
    const CsvImportResult result = ImportContactsCsvFile(image, path);
    if (result.outcome == CsvImportResult::OpenFailed)
        Fail("cannot open CSV file " + path + ": " + CauseText(result.cause));
    if (result.outcome == CsvImportResult::ReadFailed)
        Fail("cannot read CSV file " + path + ": " + CauseText(result.cause));
    return result.count;
}

void AddFileCommands(CLI::App& app, CommandList& commands) {
    auto import = std::make_shared<ImportOptions>();
    CLI::App* cmd = app.add_subcommand("import", "Import a CSV file into an image file, as the dialog's Import does");
    AsPath(cmd->add_option("csv", import->strCsv, "CSV file to import"))->required();
    AsPath(cmd->add_option("--image", import->strImage, "Image file to write"))->required();
    AsPath(cmd->add_option("--base", import->strBase,
                           "Image file to start from instead of the cleared image"));
    AddCommonOptions(*cmd, import->common);
    commands.push_back({cmd, [import] { return RunImport(*import); }});

    auto exp = std::make_shared<ExportOptions>();
    cmd = app.add_subcommand("export", "Export an image file to CSV, as the dialog's Export does");
    AsPath(cmd->add_option("image", exp->strImage, "Image file to export"))->required();
    AsPath(cmd->add_option("-o,--output", exp->strCsv, "CSV file to write (name ending in .csv)"))
        ->required();
    AddCommonOptions(*cmd, exp->common);
    commands.push_back({cmd, [exp] { return RunExport(*exp); }});
}

}  // namespace pendrak::cli
