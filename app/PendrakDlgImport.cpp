// "Add from file…" (a merge into the contacts shown) and the import report:
// the summary in the status line, and a box that says why when lines were
// lost.
#include <QLabel>
#include <QStringList>
#include <algorithm>

#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FileDialogFolders.h"
#include "app/ImportReportView.h"
#include "app/PendrakDlg.h"
#include "app/StatusLine.h"
#include "settings/AppData.h"

namespace pendrak {

QString ImportOptionsFromSettings(CContactChoice& choice) {
    std::string error;
    const char* key = nullptr;
    if (!choice.SetPrefer(theAppData.m_strPrefer, &error))
        key = "prefer";
    else if (!choice.SetNear(theAppData.m_strNear, &error))
        key = "near";
    else if (!choice.SetOnly(theAppData.m_strOnly, &error))
        key = "only";
    else if (!choice.SetExclude(theAppData.m_strExclude, &error))
        key = "exclude";
    if (!key) return {};
    return LangStringOr("IDS_IMPORT_SETTING", "setting.txt, key %1: %2")
        .arg(QString::fromLatin1(key), QString::fromStdString(error));
}

ReportTextFn DialogReportText() {
    return [](const char* key, const char* english) {
        return LangStringOr(key, english).toStdString();
    };
}

QString CPendrakDlg::AddFromFileMenuText() const {
    return LangStringOr("IDS_ADD_FROM_FILE", "Add from file…");
}

void CPendrakDlg::OnAddFromFile() {
    if (IsJobRunning()) return;
    QString path;
    if (!DialogServices().GetOpenFileName(this, FileDialogTitle(FilePurpose::AddFromFile),
                                          StartFolder(FilePurpose::AddFromFile),
                                          QStringLiteral("(*.csv)"), &path))
        return;
    RememberFolder(FilePurpose::AddFromFile, path);
    ImportFile(path, true);
}

void CPendrakDlg::ShowImportReport(const CsvImportReport& report) {
    const ReportTextFn text = DialogReportText();
    Status()->SetFullText(QString::fromStdString(FormatImportSummary(report, text)));
    const std::vector<std::string> losses = FormatImportLosses(report, text);
    // A header the program does not know was read as its own layout: say so,
    // as the report's first lines do.
    const bool unknown = std::any_of(report.files.begin(), report.files.end(), [](const auto& f) {
        return f.layout.kind == CsvLayout::Unknown;
    });
    if (losses.empty() && !unknown) return;
    QStringList lines;
    if (!losses.empty()) {
        lines << LangStringOr("IDS_IMPORT_LOST", "Not every line of the file was taken:");
        for (const std::string& line : losses) lines << QString::fromStdString(line);
        lines << QString();
    }
    for (const std::string& line : FormatImportReport(report, text))
        lines << QString::fromStdString(line);
    AppMessageBox(this, lines.join(QLatin1Char('\n')), BoxIcon::Warning);
}

}  // namespace pendrak
