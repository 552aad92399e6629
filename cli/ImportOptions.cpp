#include "cli/ImportOptions.h"

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/Interrupt.h"
#include "cli/PendingOutput.h"
#include "csv/ContactCsv.h"
#include "settings/AppData.h"

namespace pendrak::cli {

void AddImportOptions(CLI::App& command, CliImportOptions& options) {
    command.add_flag(
        "--merge", options.bMerge,
        "Keep the contacts already there; a file's line with the same ID replaces one");
    command.add_option("--prefer", options.strPrefer,
                       "Over capacity, take these first, in order: ID prefixes and country names "
                       "(\"460,461\", \"4601,Germany\")");
    command.add_option("--near", options.strNear,
                       "Over capacity, take the rest by closeness to this ID");
    command.add_option("--only", options.strOnly,
                       "Take only contacts with these ID prefixes or countries");
    command.add_option("--exclude", options.strExclude,
                       "Never take contacts with these ID prefixes or countries");
    command.add_option(
        "--encoding", options.strEncoding,
        "Encoding of files with named columns and no byte-order mark (default UTF-8)");
    command.add_option(
        "--codepage", options.strCodePage,
        "The radio's text encoding (GBK, UTF-8, CP1252...); default setting.txt's codepage");
    AsPath(command.add_option(
        "--own", options.ownFiles,
        "A CSV file of your own entries (repeatable): always taken, replacing the list's ID"));
    command.add_flag("--strict", options.bStrict,
                     "Fail when a line was lost (repeated ID, no valid ID, over capacity, unclosed "
                     "quote) or a file has CR-only line ends");
}

int ImportCsvFiles(CContactImage& image, const std::vector<std::string>& paths,
                   const CliImportOptions& options) {
    CsvImportOptions import;
    import.bMerge = options.bMerge;
    std::string error;
    if (!import.choice.SetPrefer(options.strPrefer, &error)) UsageFail("--prefer: " + error);
    if (!import.choice.SetNear(options.strNear, &error)) UsageFail("--near: " + error);
    if (!import.choice.SetOnly(options.strOnly, &error)) UsageFail("--only: " + error);
    if (!import.choice.SetExclude(options.strExclude, &error)) UsageFail("--exclude: " + error);
    import.strEncoding = options.strEncoding;
    import.nCodePage = CodePageOption(options.strCodePage);
    import.pStop = &InterruptFlag();
    import.nOwnEntrySources = options.ownFiles.size();
    std::vector<std::string> files = options.ownFiles;
    files.insert(files.end(), paths.begin(), paths.end());

    const CsvImportResult result = ImportContactsCsvFiles(image, files, import);
    std::string file = result.nFailedFile < files.size() ? files[result.nFailedFile] : "";
    if (result.nFailedFile < options.ownFiles.size()) file = "of own entries " + file;
    switch (result.outcome) {
        case CsvImportResult::OpenFailed:
            Fail("cannot open CSV file " + file + ": " + CauseText(result.cause));
        case CsvImportResult::ReadFailed:
            if (Interrupted()) Fail("interrupted while reading " + file);
            if (result.bChanged)
                Fail("CSV file " + file + " changed while it was read; nothing imported");
            Fail("cannot read CSV file " + file + ": " + CauseText(result.cause));
        case CsvImportResult::OptionFailed:
            UsageFail(result.strMessage);
        case CsvImportResult::Done:
            break;
    }
    for (const std::string& line : FormatImportReport(result.report, ReportText)) PrintInfo(line);
    for (const CsvFileReport& read : result.report.files)
        if (read.bUtf8Text)
            PrintError("warning: " + read.strName +
                       " is in the program's own layout, but its texts are UTF-8 and the radio's "
                       "code page (" + std::to_string(import.nCodePage) +
                       ") is not: they were kept as they are and will show garbled; import it "
                       "with --encoding UTF-8 to convert them");
    // A file of CR-only line ends was read as one line: however it counts,
    // its lines were not read as lines.
    if (options.bStrict && (result.report.Lost() > 0 || result.report.AnyCrOnly())) {
        for (const std::string& line : FormatImportLosses(result.report, ReportText))
            PrintError(line);
        if (result.report.Lost() == 0)
            Fail("--strict: a file has CR-only line ends; nothing written");
        Fail("--strict: " + std::to_string(result.report.Lost()) + " lines lost; nothing written");
    }
    return result.count;
}

CliImportOptions WithSettings(CliImportOptions options) {
    for (auto [value, setting] : {std::pair{&options.strPrefer, &theAppData.m_strPrefer},
                                  {&options.strNear, &theAppData.m_strNear},
                                  {&options.strOnly, &theAppData.m_strOnly},
                                  {&options.strExclude, &theAppData.m_strExclude}})
        if (value->empty()) *value = *setting;
    if (options.ownFiles.empty()) options.ownFiles = theAppData.OwnContactFiles();
    return options;
}

}  // namespace pendrak::cli
