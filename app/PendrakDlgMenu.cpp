// The window's menu: the system menu on Windows, a context menu elsewhere,
// with Open backup…, Add from file…, Update from the user database… and
// About.
#include <QContextMenuEvent>
#include <QMenu>

#include "app/AboutDlg.h"
#include "app/DisplayText.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "settings/AppData.h"

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
    }
}

QString CPendrakDlg::OpenBackupMenuText() {
    return LangStringOr("IDS_OPENBACKUP", "Open backup…");
}

#ifndef Q_OS_WIN
void CPendrakDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* openBackup = menu.addAction(OpenBackupMenuText());
    openBackup->setEnabled(!IsJobRunning());
    QAction* add = menu.addAction(AddFromFileMenuText());
    add->setEnabled(!IsJobRunning());
    QAction* updateDb = menu.addAction(UpdateMenuText());
    updateDb->setEnabled(!IsJobRunning() || IsDatabaseUpdateRunning());
    QAction* about = menu.addAction(AboutMenuText());
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == about) OnSysCommand(IDM_ABOUTBOX);
    else if (chosen == openBackup) OnSysCommand(IDM_OPENBACKUP);
    else if (chosen == add)
        OnSysCommand(IDM_ADDFROMFILE);
    else if (chosen == updateDb)
        OnSysCommand(IDM_UPDATEDB);
}
#else
void CPendrakDlg::contextMenuEvent(QContextMenuEvent* event) { QDialog::contextMenuEvent(event); }

void CPendrakDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_bSystemMenuDone) return;
    m_bSystemMenuDone = true;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    const std::wstring text = AboutMenuText().toStdWString();
    const std::wstring openBackup = OpenBackupMenuText().toStdWString();
    const std::wstring addFromFile = AddFromFileMenuText().toStdWString();
    const std::wstring updateDb = UpdateMenuText().toStdWString();
    if (!menu) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_OPENBACKUP, openBackup.c_str());
    AppendMenuW(menu, MF_STRING, IDM_ADDFROMFILE, addFromFile.c_str());
    AppendMenuW(menu, MF_STRING, IDM_UPDATEDB, updateDb.c_str());
    if (!text.empty()) AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text.c_str());
    RefreshSystemMenu();
}

void CPendrakDlg::RefreshSystemMenu() {
    // Before the first show there are no items, and winId() would make the
    // native window early.
    if (!m_bSystemMenuDone) return;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (!menu) return;
    const auto state = [](bool on) { return UINT(MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    EnableMenuItem(menu, IDM_OPENBACKUP, state(!IsJobRunning()));
    EnableMenuItem(menu, IDM_ADDFROMFILE, state(!IsJobRunning()));
    // A running download is cancelled through this same item.
    const std::wstring updateDb = UpdateMenuText().toStdWString();
    ModifyMenuW(menu, IDM_UPDATEDB, MF_BYCOMMAND | MF_STRING, IDM_UPDATEDB, updateDb.c_str());
    EnableMenuItem(menu, IDM_UPDATEDB, state(!IsJobRunning() || IsDatabaseUpdateRunning()));
}

bool CPendrakDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    auto* msg = static_cast<MSG*>(message);
    // The system menu is about to open: its items as the window is now.
    if (msg->message == WM_INITMENU) RefreshSystemMenu();
    if (msg->message == WM_SYSCOMMAND &&
        ((msg->wParam & 0xFFF0) == IDM_ABOUTBOX || (msg->wParam & 0xFFF0) == IDM_OPENBACKUP ||
         (msg->wParam & 0xFFF0) == IDM_ADDFROMFILE || (msg->wParam & 0xFFF0) == IDM_UPDATEDB)) {
        OnSysCommand(static_cast<int>(msg->wParam));
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace pendrak
