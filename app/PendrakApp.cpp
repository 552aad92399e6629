#include "app/PendrakApp.h"

#include "app/DialogServices.h"
#include "app/PendrakDlg.h"
#include "app/DisplayText.h"

namespace pendrak {

void CStartupBoxNotifier::SettingsFileMissing(const std::string& text, const std::string& title) {
    DialogServices().MessageBox(nullptr, QString::fromUtf8(text), FromProgramBytes(title),
                                BoxIcon::Error);
}

void LoadProgramSettings(const std::string& programPath) {
    // Without a settings file the box has been shown; the dialog opens anyway.
    CStartupBoxNotifier notifier;
    theAppData.LoadSettings(&notifier, programPath);
}

int CPendrakApp::InitInstance() {
    LoadProgramSettings(m_strProgramPath);
    CPendrakDlg dlg;
    m_pMainWnd = &dlg;
    dlg.exec();
    m_pMainWnd = nullptr;
    return 0;
}

}  // namespace pendrak
