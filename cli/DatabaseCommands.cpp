// download and update: the user database fetched into the cache, and the
// whole refresh of a radio from it in one step.
#include <CLI/CLI.hpp>

#include <ctime>
#include <filesystem>
#include <memory>

#include "cli/Backups.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/ImportOptions.h"
#include "cli/Interrupt.h"
#include "cli/Progress.h"
#include "cli/RadioSession.h"
#include "cli/SameFileCheck.h"
#include "csv/UserDatabase.h"
#include "platform/System.h"
#include "radio/RadioJob.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

struct DownloadOptions {
    CommonOptions common;
    std::string strUrl;
    std::string strOutput;
    bool bForce = false;
};

struct UpdateOptions {
    CommonOptions common;
    RadioOptions radio;
    CLI::Option* pRadioOption = nullptr;
    BackupOptions backup;
    CliImportOptions import;
    std::string strUrl;
    bool bForce = false;
    bool bVerify = false;
    double dMaxAgeHours = 24;
};

std::string ListPath(const std::string& output) {
    if (!output.empty()) return output;
    const std::string path = DefaultDatabasePath();
    if (path.empty()) UsageFail("no cache folder is known (HOME is not set): name a file with -o");
    return NativePath(path);
}

std::string DatabaseUrl(const std::string& option) {
    if (!option.empty()) return option;
    return theAppData.m_strDatabaseUrl.empty() ? DEFAULT_DATABASE_URL : theAppData.m_strDatabaseUrl;
}

std::string Megabytes(long long bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

// The one request of a run. Fails (CCliError) unless a list is in place.
DatabaseInfo Fetch(const std::string& url, const std::string& path, bool force, bool quiet) {
    DatabaseDownloadRequest request;
    request.http.strUrl = url;
    request.http.strUserAgent = std::string("pendrak-cli/") + PENDRAK_VERSION +
                                " (DMR radio contact list manager)";
    request.http.pStop = &InterruptFlag();
    ApplyHttpEnvironment(request.http);
    request.strPath = path;
    request.bForce = force;
    CProgressDisplay progress("Downloading", quiet);
    request.progress = [&progress](int64_t received, int64_t total) {
        progress.Update(total > 0 ? static_cast<int>(received * 100 / total) : 0, received,
                        total > 0 ? total : 0);
    };
    const DatabaseDownloadResult result = DownloadDatabase(request, std::time(nullptr));
    progress.Finish();
    const std::string kept = PathExists(path) ? "; the list kept in " + path + " stays as it was" : "";
    switch (result.outcome) {
        case DatabaseDownloadResult::Downloaded:
            PrintInfo("Downloaded " + std::to_string(result.info.nLines) + " lines (" +
                      Megabytes(result.info.nBytes) + ") from " + result.http.strHost + " into " + path);
            break;
        case DatabaseDownloadResult::Unchanged:
            PrintInfo(FormatUnchanged(result.info, ReportText) + ": " + path);
            break;
        case DatabaseDownloadResult::Stopped:
            Fail("download interrupted" + kept);
        case DatabaseDownloadResult::Failed:
        case DatabaseDownloadResult::Refused:
            Fail("download from " + url + ": " + result.strMessage + kept);
    }
    return result.info;
}

int RunDownload(const DownloadOptions& options) {
    StartUp(options.common);
    const std::string path = ListPath(options.strOutput);
    const DatabaseInfo info = Fetch(DatabaseUrl(options.strUrl), path, options.bForce, options.common.bQuiet);
    PrintInfo(FormatDatabaseAge(info, std::time(nullptr), ReportText));
    return EXIT_OK;
}

// When the list in the cache was last known to be current: the last answer
// of the server, else the file's own time.
int64_t LastChecked(const std::string& path, const DatabaseInfo& info, bool haveInfo) {
    if (haveInfo && info.nChecked > 0) return info.nChecked;
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec) return 0;
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

int RunUpdate(UpdateOptions options) {
    StartUp(options.common);
    if (options.pRadioOption->count() == 0 && !theAppData.m_strRadio.empty())
        options.radio.strRadio = theAppData.m_strRadio;
    const std::string path = ListPath({});
    RefuseSameFiles({{"the user database", path}},
                    {{"the radio's memory", options.radio.strRadio.rfind("sim:", 0) == 0
                                                ? options.radio.strRadio.substr(4)
                                                : std::string()}});
    SelectRadio(options.radio);
    if (options.dMaxAgeHours < 0) UsageFail("--max-age: hours cannot be negative");

    DatabaseInfo info;
    const bool haveList = PathExists(path);
    const bool haveInfo = haveList && LoadDatabaseInfo(path, info);
    const int64_t now = std::time(nullptr);
    const int64_t checked = haveList ? LastChecked(path, info, haveInfo) : 0;
    if (!haveList || now - checked >= static_cast<int64_t>(options.dMaxAgeHours * 3600)) {
        info = Fetch(DatabaseUrl(options.strUrl), path, options.bForce, options.common.bQuiet);
    } else {
        const int64_t minutes = (now - checked) / 60;
        const std::string ago = minutes < 120 ? std::to_string(minutes) + " minutes"
                                              : std::to_string(minutes / 60) + " hours";
        PrintInfo("Using " + path + " as it is: checked " + ago + " ago, within --max-age " +
                  std::to_string(static_cast<long long>(options.dMaxAgeHours)) + " hours");
        if (!haveInfo) info.nChecked = checked;
    }

    CContactImage& image = theAppData.m_contacts;
    const int count = ImportCsvFiles(image, {path}, WithSettings(options.import));
    PrintInfo("Imported " + ContactsText(count));
    std::cout.flush();

    JobOptions job;
    job.bVerify = options.bVerify || theAppData.m_bVerify;
    job.beforeTransfer = [&] {
        const BackupResult kept = KeepBackup(options.backup, image, BackupKind::Write);
        if (!kept.bOk)
            Fail("no backup kept, so nothing was written: " + kept.strReason +
                 " (--no-backup writes without one)");
    };
    RunRadioJob(JOB_MODE_WRITE, options.radio, options.common, job);
    PrintInfo(LangText(job.bVerify ? "IDS_PROMPT_VERIFYSUCC" : "IDS_PROMPT_WRITESUCC"));
    PrintInfo(FormatDatabaseAge(info, now, ReportText));
    return EXIT_OK;
}

}  // namespace

void AddDatabaseCommands(CLI::App& app, CommandList& commands) {
    auto download = std::make_shared<DownloadOptions>();
    CLI::App* cmd = app.add_subcommand(
        "download", "Fetch the user database into the cache (only when it changed)");
    cmd->add_option("--url", download->strUrl,
                    "Where from (http or https); default setting.txt's database_url, else RadioID's user.csv");
    AsPath(cmd->add_option("-o,--output", download->strOutput,
                           "File to fetch into instead of the cache's user.csv"));
    cmd->add_flag("--force", download->bForce,
                  "Take the new list even when it has fewer than half the lines of the last");
    AddCommonOptions(*cmd, download->common);
    commands.push_back({cmd, [download] { return RunDownload(*download); }});

    auto update = std::make_shared<UpdateOptions>();
    cmd = app.add_subcommand(
        "update", "Download the user database when stale, import it with your own entries, write the radio");
    AddRadioOption(*cmd, update->radio);
    update->pRadioOption = cmd->get_option("--radio");
    cmd->add_flag("--verify", update->bVerify,
                  "Read the radio back after the Write and compare (also setting.txt's verify=1)");
    cmd->add_option("--max-age", update->dMaxAgeHours,
                    "Use the cached list as it is when checked within these hours (default 24)");
    cmd->add_option("--url", update->strUrl, "Where the list comes from (as for download)");
    cmd->add_flag("--force", update->bForce, "Take a list even when it is less than half the last");
    AddBackupOptions(*cmd, update->backup, true);
    AddImportOptions(*cmd, update->import);
    AddCommonOptions(*cmd, update->common);
    commands.push_back({cmd, [update] { return RunUpdate(*update); }});
}

}  // namespace pendrak::cli
