// The window's menu: the system menu on Windows, a context menu elsewhere,
// with Open backup…, Add from file…, Update from the user database…,
// Options…, Language and About. Shift+F10 and the Menu key open it on every
// system.
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QMenu>

#include "app/AboutDlg.h"
#include "app/DisplayText.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "settings/AppData.h"
#include "settings/LanguageChoice.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace pendrak {

void CPendrakDlg::OnSysCommand(int nID) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        dlgAbout.exec();
    } else if ((nID & 0xFFF0) == IDM_OPENBACKUP) {
        OnOpenBackup();
        FocusList();
    } else if ((nID & 0xFFF0) == IDM_ADDFROMFILE) {
        OnAddFromFile();
        FocusList();
    } else if ((nID & 0xFFF0) == IDM_UPDATEDB) {
        OnUpdateFromDatabase();
    } else if ((nID & 0xFFF0) == IDM_OPTIONS) {
        OnOptions();
        FocusList();
    }
}

QString CPendrakDlg::OpenBackupMenuText() {
    return LangStringOr("IDS_OPENBACKUP", "Open backup…");
}

QString CPendrakDlg::LanguageMenuText() { return LangStringOr("IDS_MENU_LANGUAGE", "&Language"); }

std::vector<CPendrakDlg::WindowMenuItem> CPendrakDlg::WindowMenuItems() const {
    std::vector<WindowMenuItem> items = {
        {OpenBackupMenuText(), IDM_OPENBACKUP, false},
        {AddFromFileMenuText(), IDM_ADDFROMFILE, false},
        {UpdateMenuText(), IDM_UPDATEDB, false},
        {OptionsMenuText(), IDM_OPTIONS, false},
        {AboutMenuText(), IDM_ABOUTBOX, false},
    };
    for (WindowMenuItem& item : items)
        // The update is also how its own download is stopped.
        item.bEnabled = item.nId == IDM_ABOUTBOX || !IsJobRunning() ||
                        (item.nId == IDM_UPDATEDB && IsDatabaseUpdateRunning());
    return items;
}

void CPendrakDlg::AddWindowMenuItems(QMenu& menu) {
    if (!menu.isEmpty()) menu.addSeparator();
    for (const WindowMenuItem& item : WindowMenuItems()) {
        if (item.nId == IDM_ABOUTBOX) AddLanguageMenu(menu);
        QAction* action = menu.addAction(item.strText);
        action->setEnabled(item.bEnabled);
        connect(action, &QAction::triggered, this, [this, id = item.nId] { OnSysCommand(id); });
    }
}

void CPendrakDlg::AddLanguageMenu(QMenu& menu) {
    QMenu* languages = menu.addMenu(LanguageMenuText());
    auto* group = new QActionGroup(languages);
    const std::string current = theAppData.LanguageInForce();
    for (const LanguageEntry& entry : ListLanguages(theAppData.m_strDataDir)) {
        const QString name = QString::fromStdString(entry.strName);
        QAction* item = languages->addAction(QString::fromStdString(entry.strTitle));
        item->setCheckable(true);
        item->setChecked(entry.strName == current);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, name] { OnLanguage(name); });
    }
}

void CPendrakDlg::ShowWindowMenu(const QPoint& globalPos) {
    QMenu menu(this);
    AddWindowMenuItems(menu);
    menu.exec(globalPos);
}

#ifndef Q_OS_WIN
void CPendrakDlg::contextMenuEvent(QContextMenuEvent* event) { ShowWindowMenu(event->globalPos()); }
#else
void CPendrakDlg::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse finds the menu in the window's system menu; the keyboard
    // (Shift+F10, the Menu key) gets it where the focus is.
    if (event->reason() == QContextMenuEvent::Keyboard) ShowWindowMenu(event->globalPos());
    else QDialog::contextMenuEvent(event);
}

void CPendrakDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_bSystemMenuDone) return;
    m_bSystemMenuDone = true;
    BuildSystemMenu();
}

void CPendrakDlg::BuildSystemMenu() {
    const HWND hwnd = reinterpret_cast<HWND>(winId());
    GetSystemMenu(hwnd, TRUE);  // back to the system's own, then ours again
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu) return;
    const std::wstring text = AboutMenuText().toStdWString();
    const std::wstring openBackup = OpenBackupMenuText().toStdWString();
    const std::wstring addFromFile = AddFromFileMenuText().toStdWString();
    const std::wstring updateDb = UpdateMenuText().toStdWString();
    const std::wstring language = LanguageMenuText().toStdWString();
    const std::wstring options = OptionsMenuText().toStdWString();
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_OPENBACKUP, openBackup.c_str());
    AppendMenuW(menu, MF_STRING, IDM_ADDFROMFILE, addFromFile.c_str());
    AppendMenuW(menu, MF_STRING, IDM_UPDATEDB, updateDb.c_str());
    AppendMenuW(menu, MF_STRING, IDM_OPTIONS, options.c_str());
    HMENU languages = CreatePopupMenu();
    m_systemMenuLanguages.clear();
    const std::string current = theAppData.LanguageInForce();
    for (const LanguageEntry& entry : ListLanguages(theAppData.m_strDataDir)) {
        const UINT id = IDM_LANGUAGE_FIRST + 0x10 * static_cast<UINT>(m_systemMenuLanguages.size());
        if (id >= 0xF000) break;
        const std::wstring title = QString::fromStdString(entry.strTitle).toStdWString();
        const UINT checked = entry.strName == current ? MF_CHECKED : 0;
        AppendMenuW(languages, MF_STRING | checked, id, title.c_str());
        m_systemMenuLanguages.push_back(QString::fromStdString(entry.strName));
    }
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(languages), language.c_str());
    if (!text.empty()) AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text.c_str());
    RefreshSystemMenu();
}

void CPendrakDlg::RefreshSystemMenu() {
    // Before the first show there are no items, and winId() would make the
    // native window early.
    if (!m_bSystemMenuDone) return;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (!menu) return;
    // Texts too: a running download's item reads Cancel.
    for (const WindowMenuItem& item : WindowMenuItems()) {
        ModifyMenuW(menu, item.nId, MF_BYCOMMAND | MF_STRING, item.nId, item.strText.toStdWString().c_str());
        EnableMenuItem(menu, item.nId, MF_BYCOMMAND | (item.bEnabled ? MF_ENABLED : MF_GRAYED));
    }
}

bool CPendrakDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    auto* msg = static_cast<MSG*>(message);
    // The system menu is about to open: its items as the window is now.
    if (msg->message == WM_INITMENU) RefreshSystemMenu();
    if (msg->message == WM_SYSCOMMAND) {
        const int id = static_cast<int>(msg->wParam & 0xFFF0);
        const int item = (id - IDM_LANGUAGE_FIRST) / 0x10;
        if (id == IDM_ABOUTBOX || id == IDM_OPENBACKUP || id == IDM_ADDFROMFILE ||
            id == IDM_UPDATEDB || id == IDM_OPTIONS) {
            OnSysCommand(static_cast<int>(msg->wParam));
            *result = 0;
            return true;
        }
        if (id >= IDM_LANGUAGE_FIRST && item < static_cast<int>(m_systemMenuLanguages.size())) {
            OnLanguage(m_systemMenuLanguages[static_cast<size_t>(item)]);
            *result = 0;
            return true;
        }
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace pendrak
