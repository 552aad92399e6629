// Switching the language while the window is open: every text is looked up
// again, and the choice is kept in setting.txt for the next start.
#include <QHeaderView>
#include <QTableView>

#include "app/ContactPageModel.h"
#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "settings/AppData.h"

namespace pendrak {

void CPendrakDlg::OnLanguage(const QString& language) {
    const std::string name = language.toStdString();
    const std::string before = theAppData.LanguageInForce();
    std::string reason;
    const bool kept = theAppData.SwitchLanguage(name, &reason);
    const bool switched = theAppData.LanguageInForce() == name;
    if (switched && name != before) Retranslate();
    if (!switched) {
        AppMessageBox(this,
                      LangStringOr("IDS_ERR_LANGFILE", "%1 cannot be used as a language file.")
                          .arg(language) + QStringLiteral("\n") + QString::fromStdString(reason),
                      BoxIcon::Error);
    } else if (!kept) {
        // In the new language: the user has just chosen to read it.
        AppMessageBox(this,
                      LangStringOr("IDS_ERR_LANGSAVE",
                                   "The language was switched, but setting.txt could not be "
                                   "changed, so the next start shows the old one:\n%1")
                          .arg(QString::fromStdString(reason)),
                      BoxIcon::Warning);
    }
}

void CPendrakDlg::Retranslate() {
    LocalizeDialog();
    // The column headings come from the language file as the model is asked.
    m_pageModel->headerDataChanged(Qt::Horizontal, 0, CONTACT_LIST_COLUMNS - 1);
    m_listContacts->horizontalHeader()->viewport()->update();
    m_findBar->Retranslate();
    if (m_findBar->isVisible()) LayoutControls();  // the bar fits its new hint
    m_strPagePosition.clear();
    SetControlTexts();
#ifdef Q_OS_WIN
    if (m_bSystemMenuDone) BuildSystemMenu();
#endif
}

}  // namespace pendrak
