// Export and Import of the contact CSV file.
#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FileDialogFolders.h"
#include "app/ImportReportView.h"
#include "app/PendrakDlg.h"
#include "csv/ContactCsv.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

// A path as messages show it: with the platform's separators.
std::string ShownPath(const QString& path) {
    return QDir::toNativeSeparators(path).toUtf8().toStdString();
}

QString FileErrorMessage(FileErrorCause cause, const QString& path) {
    return QString::fromUtf8(FileErrorText(cause, ShownPath(path)));
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
        AppMessageBox(this, LangString("IDS_FileNameError"));
        return;
    }

    const CsvExportResult result = ExportContactsCsvFile(theAppData.m_contacts, PathBytes(path));
    switch (result.outcome) {
    case CsvExportResult::OpenFailed:
        AppMessageBox(this, FileErrorMessage(result.cause, path));
        break;
    case CsvExportResult::WriteFailed:
        AppMessageBox(this, QString::fromUtf8(DiskFullText(ShownPath(path))), BoxIcon::Error);
        break;
    case CsvExportResult::Done:
        AppMessageBox(this, LangString("IDS_SavecsvOK"));
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

void CPendrakDlg::ImportFile(const QString& path, bool merge) {
    ReloadSettings();  // a hand edit of setting.txt counts from now
    CsvImportOptions options;
    options.bMerge = merge;
    if (const QString error = ImportOptionsFromSettings(options.choice); !error.isEmpty()) {
        AppMessageBox(this, error);
        return;
    }
    CsvImportResult result;
    {
        CImportBusyGuard busy(this);
        result = ImportContactsCsvFiles(theAppData.m_contacts, {PathBytes(path)}, options);
        if (result.outcome == CsvImportResult::Done) m_nFirstIndex = 0;
        ShowContactPage();
        OnContactsReplaced();
    }

    if (result.bChanged) {
        AppMessageBox(this, LangStringOr("IDS_IMPORT_CHANGED",
                                         "%1 changed while it was read. "
                                         "Nothing was imported.")
                                .arg(path));
        return;
    }
    if (result.outcome != CsvImportResult::Done) {
        AppMessageBox(this, result.outcome == CsvImportResult::OptionFailed
                                ? QString::fromStdString(result.strMessage)
                                : FileErrorMessage(result.cause, path));
        return;
    }
    AppMessageBox(this, QString::fromUtf8("导入联系人：%1。").arg(result.count));
    ShowImportReport(result.report);
}

}  // namespace pendrak
