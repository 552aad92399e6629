// The application object: settings first, then the main dialog, run
// modally; the program ends with it.
#pragma once

#include <string>

#include "settings/AppData.h"

namespace pendrak {

class CPendrakDlg;

// The missing-settings message: an error box without owner, before any window.
class CStartupBoxNotifier : public IStartupNotifier {
public:
    void SettingsFileMissing(const std::string& text, const std::string& title) override;
};

class CPendrakApp {
public:
    // programPath: where Data/ is looked for; the running executable when empty.
    explicit CPendrakApp(std::string programPath = {}) : m_strProgramPath(std::move(programPath)) {}

    // LoadSettings (its result only decides the message), then the dialog.
    // Returns when the dialog has ended.
    int InitInstance();

    // The dialog while it runs; null before and after.
    CPendrakDlg* m_pMainWnd = nullptr;

private:
    std::string m_strProgramPath;
};

// Start-up work before the dialog: settings, language file, code page.
void LoadProgramSettings(const std::string& programPath);

}  // namespace pendrak
