#include "app/PendrakApp.h"

#include "app/DialogServices.h"
#include "app/PendrakDlg.h"
#include "platform/CodePage.h"

namespace pendrak {

void CStartupBoxNotifier::SettingsFileMissing(const std::string& text, const std::string& title) {
    DialogServices().MessageBox(nullptr, QString::fromUtf8(text), QString::fromUtf8(title),
                                BoxIcon::Error);
}

void LoadProgramSettings(const std::string& programPath) {
    CStartupBoxNotifier notifier;
    if (!theAppData.LoadSettings(&notifier, programPath)) return;
    if (!theAppData.m_strCodePage.empty()) {
        const int codePage = CodePageFromName(theAppData.m_strCodePage);
        if (codePage != 0) SetProgramCodePage(codePage);
    }
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
