// import and export: the dialog's Import and Export, between CSV files and
// image files, offline.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/ImageFile.h"
#include "cli/ImportOptions.h"
#include "cli/Interrupt.h"
#include "cli/SameFileCheck.h"
#include "csv/ContactCsv.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

struct ImportOptions {
    CommonOptions common;
    CliImportOptions import;
    std::vector<std::string> csvFiles;
    std::string strImage;
    std::string strBase;
};

struct ExportOptions {
    CommonOptions common;
    std::string strImage;
    std::string strCsv;
    bool bUtf8 = false;
    std::string strCodePage;
};

std::string JoinedNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

int RunImport(const ImportOptions& options) {
    // Not the base: it is read whole before the output is written, so it
    // may be the output, updated in place.
    std::vector<NamedFile> inputs;
    for (const std::string& csv : options.csvFiles) inputs.push_back({"the CSV file", csv});
    RefuseSameFiles(inputs, {{"--image", options.strImage}});
    StartUp(options.common);
    CContactImage& image = theAppData.m_contacts;
    if (!options.strBase.empty()) LoadImageFile(options.strBase, image);
    CPendingOutput output(options.strImage);
    output.Reserve();
    const int count = ImportCsvFiles(image, options.csvFiles, options.import);

    SaveImageFile(image, output);
    if (Interrupted()) Fail("import interrupted; no file written");
    output.Commit();
    PrintInfo((options.import.bMerge ? "Image holds " : "Imported ") + ContactsText(count) +
              " from " + JoinedNames(options.csvFiles) + " into " + options.strImage);
    // A base without --merge gives only the bytes outside the list.
    if (!options.strBase.empty() && !options.import.bMerge)
        PrintInfo("The contacts of " + options.strBase +
                  " were replaced, not added to (--merge keeps them)");
    return EXIT_OK;
}

int RunExport(const ExportOptions& options) {
    RefuseSameFiles({{"the image file", options.strImage}}, {{"-o", options.strCsv}});
    StartUp(options.common);
    if (!HasCsvName(options.strCsv)) UsageFail(options.strCsv + ": " + LangText("IDS_FileNameError"));
    CContactImage& image = theAppData.m_contacts;
    LoadImageFile(options.strImage, image);

    CPendingOutput output(options.strCsv);
    ExportCsv(image, output, options.bUtf8, CodePageOption(options.strCodePage));
    if (Interrupted()) Fail("export interrupted; no file written");
    output.Commit();
    PrintInfo(LangText("IDS_SavecsvOK"));
    PrintInfo(ContactsText(image.GetContactCount()) + ", CSV " + options.strCsv);
    return EXIT_OK;
}

}  // namespace

int ImportCsv(CContactImage& image, const std::string& path) {
    CsvImportOptions options;
    options.pStop = &InterruptFlag();
    const CsvImportResult result = ImportContactsCsvFiles(image, {path}, options);
    if (result.outcome == CsvImportResult::ReadFailed && Interrupted())
        Fail("interrupted while reading " + path);
    if (result.outcome == CsvImportResult::OpenFailed)
        Fail("cannot open CSV file " + path + ": " + CauseText(result.cause));
    if (result.bChanged) Fail("CSV file " + path + " changed while it was read");
    if (result.outcome != CsvImportResult::Done)
        Fail("cannot read CSV file " + path + ": " + CauseText(result.cause));
    return result.count;
}

void AddFileCommands(CLI::App& app, CommandList& commands) {
    auto import = std::make_shared<ImportOptions>();
    CLI::App* cmd = app.add_subcommand(
        "import", "Import CSV files into an image file, as the dialog's Import does");
    AsPath(
        cmd->add_option("csv", import->csvFiles, "CSV files to import, read in order as one list"))
        ->required();
    AsPath(cmd->add_option("--image", import->strImage, "Image file to write"))->required();
    AsPath(cmd->add_option("--base", import->strBase,
                           "Image file to start from instead of the cleared image (it may be "
                           "the --image file)"));
    AddImportOptions(*cmd, import->import);
    AddCommonOptions(*cmd, import->common);
    commands.push_back({cmd, [import] { return RunImport(*import); }});

    auto exp = std::make_shared<ExportOptions>();
    cmd = app.add_subcommand("export", "Export an image file to CSV, as the dialog's Export does");
    AsPath(cmd->add_option("image", exp->strImage, "Image file to export"))->required();
    AsPath(cmd->add_option("-o,--output", exp->strCsv, "CSV file to write (name ending in .csv)"))
        ->required();
    cmd->add_flag(
        "--utf8", exp->bUtf8,
        "For spreadsheets: UTF-8 with a byte-order mark, quoted values, no trailing comma");
    cmd->add_option("--codepage", exp->strCodePage,
                    "With --utf8: the radio's text encoding; default setting.txt's codepage");
    AddCommonOptions(*cmd, exp->common);
    commands.push_back({cmd, [exp] { return RunExport(*exp); }});
}

}  // namespace pendrak::cli
