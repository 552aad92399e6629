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

void CPendrakDlg::AddWindowMenuItems(QMenu& menu) {
    if (!menu.isEmpty()) menu.addSeparator();
    const std::pair<QString, int> items[] = {
        {OpenBackupMenuText(), IDM_OPENBACKUP},
        {AddFromFileMenuText(), IDM_ADDFROMFILE},
        {UpdateMenuText(), IDM_UPDATEDB},
        {OptionsMenuText(), IDM_OPTIONS},
        {AboutMenuText(), IDM_ABOUTBOX},
    };
    for (const auto& [text, id] : items) {
        QAction* action = menu.addAction(text);
        // The update is also how its own download is stopped.
        action->setEnabled(id == IDM_ABOUTBOX || !IsJobRunning() ||
                           (id == IDM_UPDATEDB && IsDatabaseUpdateRunning()));
        connect(action, &QAction::triggered, this, [this, id = id] { OnSysCommand(id); });
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
    m_bSystemMenuDone = true;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    const std::wstring text = AboutMenuText().toStdWString();
    const std::wstring openBackup = OpenBackupMenuText().toStdWString();
    const std::wstring addFromFile = AddFromFileMenuText().toStdWString();
    const std::wstring updateDb = UpdateMenuText().toStdWString();
    const std::wstring options = OptionsMenuText().toStdWString();
    if (!menu) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_OPENBACKUP, openBackup.c_str());
    AppendMenuW(menu, MF_STRING, IDM_ADDFROMFILE, addFromFile.c_str());
    AppendMenuW(menu, MF_STRING, IDM_UPDATEDB, updateDb.c_str());
    AppendMenuW(menu, MF_STRING, IDM_OPTIONS, options.c_str());
    if (!text.empty()) AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text.c_str());
}

bool CPendrakDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    auto* msg = static_cast<MSG*>(message);
    if (msg->message == WM_SYSCOMMAND &&
        ((msg->wParam & 0xFFF0) == IDM_ABOUTBOX || (msg->wParam & 0xFFF0) == IDM_OPENBACKUP ||
         (msg->wParam & 0xFFF0) == IDM_ADDFROMFILE || (msg->wParam & 0xFFF0) == IDM_UPDATEDB ||
         (msg->wParam & 0xFFF0) == IDM_OPTIONS)) {
        OnSysCommand(static_cast<int>(msg->wParam));
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace pendrak
