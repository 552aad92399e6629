// Export and Import of the contact CSV file.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/DialogMessages.h"
#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FileDialogFolders.h"
#include "app/ImportReportView.h"
#include "app/PendrakDlg.h"
#include "csv/ContactCsv.h"
#include "platform/CodePage.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

// The first file whose UTF-8 texts would be kept as the radio's bytes.
const CsvFileReport* Utf8TextFile(const CsvImportReport& report) {
    for (const CsvFileReport& file : report.files)
        if (file.bUtf8Text) return &file;
    return nullptr;
}

// The wait cursor and the mouse held by the dialog while an import runs.
class CImportBusyGuard {
public:
    explicit CImportBusyGuard(QWidget* owner) : m_owner(owner) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_owner->grabMouse();
    }
    ~CImportBusyGuard() {
        m_owner->releaseMouse();
        QApplication::restoreOverrideCursor();
    }
    CImportBusyGuard(const CImportBusyGuard&) = delete;
    CImportBusyGuard& operator=(const CImportBusyGuard&) = delete;

private:
    QWidget* m_owner;
};

}  // namespace

void CPendrakDlg::OnExport() {
    // The worker owns the image while a job runs.
    if (IsJobRunning()) return;
    const QString proposed = QDir(StartFolder(FilePurpose::Export))
                                 .filePath(FromLangBytes(MakeDefaultCsvName(
                                     theAppData.GetLangString("IDS_DMRCONTACT"))));
    QString path;
    if (!DialogServices().GetSaveFileName(this, FileDialogTitle(FilePurpose::Export), proposed,
                                          QStringLiteral("Csv Files(*.csv)"), &path))
        return;
    RememberFolder(FilePurpose::Export, path);

    if (!IsCsvFileName(PathBytes(QFileInfo(path).fileName()))) {
        AppMessageBox(this, LangString("IDS_FileNameError"), BoxIcon::Warning);
        return;
    }

    const CsvExportResult result = ExportContactsCsvFile(theAppData.m_contacts, PathBytes(path));
    switch (result.outcome) {
    case CsvExportResult::OpenFailed:
    case CsvExportResult::WriteFailed:
        AppMessageBox(this, FileErrorMessage(result.cause, path), BoxIcon::Error);
        break;
    case CsvExportResult::Done:
        AppMessageBox(this, LangString("IDS_SavecsvOK"), BoxIcon::Information);
        break;
    }
}

void CPendrakDlg::OnImport() {
    if (IsJobRunning()) return;
    QString path;
    if (!DialogServices().GetOpenFileName(this, FileDialogTitle(FilePurpose::Import),
                                          StartFolder(FilePurpose::Import),
                                          QStringLiteral("(*.csv)"), &path))
        return;
    RememberFolder(FilePurpose::Import, path);
    ImportFile(path, false);
}

bool CPendrakDlg::ImportFile(const QString& path, bool merge) {
    ReloadSettings();  // a hand edit of setting.txt counts from now
    CsvImportOptions options;
    options.bMerge = merge;
    if (const QString error = ImportOptionsFromSettings(options.choice); !error.isEmpty()) {
        AppMessageBox(this, error, BoxIcon::Error);
        return false;
    }
    // The user's own entries go on top of every import.
    std::vector<std::string> files = theAppData.OwnContactFiles();
    options.nOwnEntrySources = files.size();
    files.push_back(PathBytes(path));
    auto import = [&] {
        CImportBusyGuard busy(this);
        const CsvImportResult done = ImportContactsCsvFiles(theAppData.m_contacts, files, options);
        if (done.outcome == CsvImportResult::Done) m_nFirstIndex = 0;
        ShowContactPage();
        OnContactsReplaced();
        return done;
    };
    // The list as it was, for a second import that converts.
    SpareImage().CopyFrom(theAppData.m_contacts);
    CsvImportResult result = import();
    if (result.outcome == CsvImportResult::Done) {
        if (const CsvFileReport* file = Utf8TextFile(result.report)) {
            const QString question =
                LangStringOr("IDS_ASK_CONVERTUTF8",
                             "%1 holds UTF-8 text, but the radio keeps its texts in %2: its "
                             "letters beyond ASCII would show garbled.\n\nConvert them to %2?")
                    .arg(QFileInfo(QString::fromStdString(file->strName)).fileName(),
                         QString::fromLatin1(CodePageCodecName(GetProgramCodePage())));
            if (DialogServices().AskYesNo(this, question, AppName())) {
                theAppData.m_contacts.CopyFrom(SpareImage());
                options.strEncoding = "UTF-8";
                result = import();
            }
        }
    }

    const bool ownFailed = result.nFailedFile < options.nOwnEntrySources;
    const QString failed =
        ownFailed ? QFile::decodeName(QByteArray::fromStdString(files[result.nFailedFile])) : path;
    if (result.bChanged) {
        AppMessageBox(this,
                      LangStringOr("IDS_IMPORT_CHANGED",
                                   "%1 changed while it was read. Nothing was imported.")
                          .arg(failed),
                      BoxIcon::Error);
        return false;
    }
    if (result.outcome != CsvImportResult::Done) {
        QString text = result.outcome == CsvImportResult::OptionFailed
                           ? QString::fromStdString(result.strMessage)
                           : FileErrorMessage(result.cause, failed);
        if (ownFailed && result.outcome != CsvImportResult::OptionFailed)
            text = LangStringOr("IDS_IMPORT_OWNFAILED",
                                "Your own entries (own_contacts in setting.txt):\n%1")
                       .arg(text);
        AppMessageBox(this, text, BoxIcon::Error);
        return false;
    }
    m_unwritten.Changed(merge ? ListChange::Added : ListChange::Imported);
    AppMessageBox(this, LangStringOr("IDS_IMPORT_DONE", "Contacts imported: %1.").arg(result.count),
                  BoxIcon::Information);
    ShowImportReport(result.report);
    return true;
}

}  // namespace pendrak
