// "Options…" and setting.txt while the program runs: the Options dialog
// writes it and the change applies at once; a hand edit is read again at
// the next Import, Read or Write.
#include <QLineEdit>

#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/OptionsDlg.h"
#include "app/PendrakDlg.h"
#include "settings/AppData.h"

namespace pendrak {

QString CPendrakDlg::OptionsMenuText() {
    return LangStringOr("IDS_OPTIONS", "Options…");
}

void CPendrakDlg::OnOptions() {
    if (IsJobRunning() || theAppData.m_bRadioBusy) return;
    ReloadSettings();  // the dialog shows what the file holds now
    COptionsDlg options(this);
    if (DialogServices().ExecDialog(options) != QDialog::Accepted) return;
    ApplySettings();
}

void CPendrakDlg::ReloadSettings() {
    if (theAppData.ReloadSettings()) ApplySettings();
}

void CPendrakDlg::ApplySettings() {
    // Every text, tooltip and accessible name again: the language may be another.
    Retranslate();
    // The texts again, in the code page now in force.
    const int first = m_nFirstIndex;
    ShowContactPage();
    m_nFirstIndex = first;
}

}  // namespace pendrak
