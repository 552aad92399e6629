// The window's menu: the system menu on Windows, a context menu elsewhere,
// with Open backup…, Add from file…, Update from the user database…,
// Options… and About.
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
    } else if ((nID & 0xFFF0) == IDM_OPTIONS) {
        OnOptions();
        FocusList();
    }
}

QString CPendrakDlg::OpenBackupMenuText() {
    return LangStringOr("IDS_OPENBACKUP", "Open backup…");
}

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
        QAction* action = menu.addAction(item.strText);
        action->setEnabled(item.bEnabled);
        connect(action, &QAction::triggered, this, [this, id = item.nId] { OnSysCommand(id); });
    }
}

#ifndef Q_OS_WIN
void CPendrakDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    AddWindowMenuItems(menu);
    menu.exec(event->globalPos());
}
#else
void CPendrakDlg::contextMenuEvent(QContextMenuEvent* event) { QDialog::contextMenuEvent(event); }

void CPendrakDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_bSystemMenuDone) return;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (!menu) return;
    m_bSystemMenuDone = true;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (const WindowMenuItem& item : WindowMenuItems())
        AppendMenuW(menu, MF_STRING, item.nId, item.strText.toStdWString().c_str());
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
    const auto command = static_cast<int>(msg->wParam & 0xFFF0);
    if (msg->message == WM_SYSCOMMAND &&
        (command == IDM_ABOUTBOX || command == IDM_OPENBACKUP || command == IDM_ADDFROMFILE ||
         command == IDM_UPDATEDB || command == IDM_OPTIONS)) {
        OnSysCommand(static_cast<int>(msg->wParam));
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace pendrak
