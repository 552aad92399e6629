// read, write and info: the dialog's Read and Write, and what the radio
// reports about itself.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <cstring>
#include <memory>
#include <optional>

#include "cli/Backups.h"
#include "cli/ImageFile.h"
#include "cli/ImportOptions.h"
#include "cli/Interrupt.h"
#include "cli/RadioSession.h"
#include "cli/SameFileCheck.h"
#include "contacts/ContactImageFile.h"
#include "csv/ContactCsv.h"
#include "radio/RadioJob.h"
#include "radio/RadioLink.h"
#include "radio/RadioProtocol.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

struct ReadOptions {
    CommonOptions common;
    RadioOptions radio;
    BackupOptions backup;
    std::string strCsv;
    std::string strImage;
};

struct WriteOptions {
    CommonOptions common;
    RadioOptions radio;
    BackupOptions backup;
    CliImportOptions import;
    std::vector<std::string> csvFiles;
    std::string strImage;
    bool bVerify = false;
    bool bForce = false;
};

struct InfoOptions {
    CommonOptions common;
    RadioOptions radio;
};

// The memory file of a sim: radio, which a Read reads and a Write writes.
std::string SimMemory(const RadioOptions& radio) {
    return radio.strRadio.rfind("sim:", 0) == 0 ? radio.strRadio.substr(4) : std::string();
}

int RunRead(const ReadOptions& options) {
    RefuseSameFiles({{"the radio's memory", SimMemory(options.radio)}},
                    {{"-o", options.strCsv}, {"--image", options.strImage}});
    StartUp(options.common);
    if (options.strCsv.empty() && options.strImage.empty())
        UsageFail("read: name an output with -o FILE.csv and/or --image FILE.bin");
    if (!options.strCsv.empty() && !HasCsvName(options.strCsv))
        UsageFail(options.strCsv + ": " + LangText("IDS_FileNameError"));
    SelectRadio(options.radio);

    // A Read of a full radio takes minutes: find out first whether the
    // outputs can be written at all.
    std::optional<CPendingOutput> csv, bin;
    if (!options.strCsv.empty()) csv.emplace(options.strCsv).Reserve();
    if (!options.strImage.empty()) bin.emplace(options.strImage).Reserve();

    CContactImage& image = theAppData.m_contacts;
    RunRadioJob(JOB_MODE_READ, options.radio, options.common);
    // As the radio holds it, before the sort: written back, it restores
    // the radio byte for byte. Losing it loses nothing the outputs hold.
    const BackupResult kept = KeepBackup(options.backup, image, BackupKind::Read);
    if (!kept.bOk) PrintError("warning: no backup kept: " + kept.strReason);
    image.SortContactsByRadioId();  // as the dialog does when a Read is reported

    if (csv) ExportCsv(image, *csv);
    if (bin) SaveImageFile(image, *bin);
    if (Interrupted()) Fail("read interrupted; no file written");
    if (csv) csv->Commit();
    if (bin) bin->Commit();

    PrintInfo(LangText("IDS_PROMPT_READSUCC"));
    PrintInfo(ContactsText(image.GetContactCount()) + (csv ? ", CSV " + options.strCsv : "") +
              (bin ? ", image " + options.strImage : ""));
    return EXIT_OK;
}

int RunWrite(const WriteOptions& options) {
    if (options.csvFiles.empty() == options.strImage.empty())
        UsageFail("write: give either FILE.csv or --image FILE.bin");
    std::vector<NamedFile> inputs = {{"--image", options.strImage}};
    for (const std::string& csv : options.csvFiles) inputs.push_back({"the CSV file", csv});
    RefuseSameFiles(inputs, {{"the radio's memory", SimMemory(options.radio)}});
    StartUp(options.common);
    SelectRadio(options.radio);

    CContactImage& image = theAppData.m_contacts;
    if (!options.csvFiles.empty()) {
        const int count = ImportCsvFiles(image, options.csvFiles, options.import);
        PrintInfo("Imported " + ContactsText(count));
    } else {
        LoadImageFile(options.strImage, image);
        // A record of radio ID 0 is no contact: such a file was damaged.
        if (FirstZeroIdRecord(image) >= 0 && !options.bForce)
            Fail(options.strImage + " is damaged; nothing was written (--force writes it all the same)");
        PrintInfo("Loaded " + ContactsText(image.GetContactCount()) + " from " + options.strImage);
    }
    std::cout.flush();

    JobOptions job;
    job.bVerify = options.bVerify;
    std::string backup;
    job.pWriteBackup = &backup;
    job.beforeTransfer = [&] {
        const BackupResult kept = KeepBackup(options.backup, image, BackupKind::Write);
        if (!kept.bOk)
            Fail("no backup kept, so nothing was written: " + kept.strReason +
                 " (--no-backup writes without one)");
        backup = kept.strPath;
    };
    RunRadioJob(JOB_MODE_WRITE, options.radio, options.common, job);
    PrintInfo(LangText("IDS_PROMPT_WRITESUCC"));
    if (options.bVerify && image.GetContactCount() > 0)
        PrintInfo("Verified: the radio holds the " + ContactsText(image.GetContactCount()) +
                  " written");
    // As in the dialog, an empty list sends no block: say what that means.
    if (image.GetContactCount() == 0) PrintInfo("No contacts were sent; the radio keeps the ones it has.");
    return EXIT_OK;
}

// Closes the link on every way out of info.
struct CLinkGuard {
    ~CLinkGuard() { RadioClose(); }
};

[[noreturn]] void InfoFail(const char* key, const std::string& radio, const std::string& step) {
    Fail("radio " + radio + ", " + step + ": " + LangText(key));
}

// Each answer as it comes.
void ShowRadioInfo(const std::string& radio) {
    // The connection check and the job's own opening, step by step, so that
    // each answer can be shown.
    if (!RadioOpen()) Fail("radio " + radio + ", opening the link: " + OpenFailureText());
    CLinkGuard guard;
    PrintInfo("radio:          " + radio);

    unsigned char reply[7] = {};
    if (RadioSearch(reply) != 1) InfoFail("IDS_ERR_CONNECT", radio, "search (PSEARCH)");
    PrintInfo("search reply:   06 " + HexBytes(reply, 7));
    if (RadioSysInfo() != 1) InfoFail("IDS_ERR_GMode", radio, "system information (SYSINFO)");

    unsigned char version[RADIO_INFO_MAX] = {};
    int versionLength = 0;
    if (RadioReadInfo(4, version, &versionLength) != 1)
        InfoFail("IDS_ERR_ReadRDSVersion", radio, "reading the version record");
    std::string printable;
    for (int i = 0; i < versionLength; ++i)
        printable += (version[i] >= 0x20 && version[i] < 0x7F) ? static_cast<char>(version[i]) : '.';
    PrintInfo("version record: \"" + printable + "\" (" + HexBytes(version, versionLength) + ")");
    if (std::memcmp(version, "D1.00.02", 8) != 0)
        InfoFail("IDS_ERR_RDSVersion", radio, "checking the version record");

    unsigned char area[RADIO_INFO_MAX] = {};
    if (RadioReadInfo(15, area, nullptr) != 1) Fail("radio " + radio + ": cannot read information item 15 (contact area address)");
    const uint32_t address = area[0] | (area[1] << 8) | (area[2] << 16);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%06x", static_cast<unsigned>(address));
    PrintInfo(std::string("contact area:   ") + hex);

    RadioSendPreamble();
    if (RadioModelHandshake() != 1) Fail("radio " + radio + ": the model handshake failed");
    std::memset(version, 0, sizeof version);
    if (RadioReadInfo(4, version, nullptr) != 1)
        InfoFail("IDS_ERR_ReadRDSVersion", radio, "reading the version record after the handshake");
    const int digit = version[11] - '0';
    PrintInfo("block format:   " + std::to_string(digit) + " (" + std::to_string(BlockSizeForDigit(digit)) +
              "-byte blocks)");

    unsigned char header[CONTACT_HEADER_SIZE] = {};
    if (RadioReadBlock(address, digit, CONTACT_HEADER_SIZE, header) != 1)
        Fail("radio " + radio + ": cannot read the header block");
    const int count = header[0] | (header[1] << 8) | (header[2] << 16);
    // A Read moves MAX_CONTACTS records' bytes, and the radio's own header
    // then reads as 0 contacts.
    const std::string above = " (above " + std::to_string(MAX_CONTACTS) + ": a Read shows 0 contacts)";
    PrintInfo("contacts:       " + std::to_string(count) + (count > MAX_CONTACTS ? above : ""));
}

int RunInfo(const InfoOptions& options) {
    StartUp(options.common);
    SelectRadio(options.radio);
    SetRadioMayCreate(false);  // a look at a radio makes none
    const std::string& radio = options.radio.strRadio;
    // A radio that does not answer keeps every step waiting: run them where
    // Ctrl-C need not wait for them.
    const std::string interrupted = "radio " + radio + ", interrupted";
    try {
        RunInterruptible([&radio] { ShowRadioInfo(radio); }, nullptr,
                         [&interrupted] { return interrupted; });
    } catch (const CCliError&) {
        if (Interrupted()) Fail(interrupted);
        throw;
    }
    if (Interrupted()) Fail(interrupted);
    return EXIT_OK;
}

}  // namespace

void AddRadioCommands(CLI::App& app, CommandList& commands) {
    auto read = std::make_shared<ReadOptions>();
    CLI::App* cmd = app.add_subcommand("read", "Read the radio's contacts, then export them and/or save the image");
    AddRadioOption(*cmd, read->radio);
    AsPath(cmd->add_option("-o,--output", read->strCsv, "CSV file to write (name ending in .csv)"));
    AsPath(cmd->add_option("--image", read->strImage,
                           "Image file to write (the whole contact image)"));
    AddBackupOptions(*cmd, read->backup, true);
    AddCommonOptions(*cmd, read->common);
    commands.push_back({cmd, [read] { return RunRead(*read); }});

    auto write = std::make_shared<WriteOptions>();
    cmd = app.add_subcommand("write", "Import a CSV file (or load an image file), then write it to the radio");
    AddRadioOption(*cmd, write->radio);
    AsPath(
        cmd->add_option("csv", write->csvFiles, "CSV files to import, read in order as one list"));
    AsPath(cmd->add_option("--image", write->strImage,
                           "Image file (or backup) to write instead of a CSV file"));
    cmd->add_flag("--verify", write->bVerify,
                  "Read the radio back after the Write and compare; a difference fails");
    cmd->add_flag("--force", write->bForce,
                  "Write an image file even when it is damaged (contacts of radio ID 0)");
    AddBackupOptions(*cmd, write->backup, true);
    AddImportOptions(*cmd, write->import);
    AddCommonOptions(*cmd, write->common);
    commands.push_back({cmd, [write] { return RunWrite(*write); }});

    auto info = std::make_shared<InfoOptions>();
    cmd = app.add_subcommand("info", "Connection check and what the radio reports about itself");
    AddRadioOption(*cmd, info->radio);
    AddCommonOptions(*cmd, info->common);
    commands.push_back({cmd, [info] { return RunInfo(*info); }});
}

}  // namespace pendrak::cli
