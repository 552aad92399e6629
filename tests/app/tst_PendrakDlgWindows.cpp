// What the window does only on Windows: its items in the system menu, the
// program's resources, and GBK names on a system of another code page.
#include <QApplication>
#include <QLineEdit>
#include <QtTest>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/AboutDlg.h"
#include "app/ContactPageModel.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "tests/platform/HttpTestServer.h"

#include <windows.h>

using namespace pendrak;
using namespace pendrak::test;
using httptest::Route;

namespace {

struct MenuItem {
    UINT id;
    QString text;
    bool grayed;
};

// The items after the system's own: from the last separator on.
std::vector<MenuItem> OwnSystemMenuItems(CPendrakDlg& dlg) {
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(dlg.winId()), FALSE);
    std::vector<MenuItem> items;
    for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) break;
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        items.insert(items.begin(), {GetMenuItemID(menu, i), QString::fromWCharArray(text),
                                     (state & MF_GRAYED) != 0});
    }
    return items;
}

// '1' for each grayed item, '0' for each usable one, in menu order.
QString GrayedItems(CPendrakDlg& dlg) {
    QString pattern;
    for (const MenuItem& item : OwnSystemMenuItems(dlg)) pattern += item.grayed ? '1' : '0';
    return pattern;
}

}  // namespace

class TestPendrakDlgWindows : public QObject {
    Q_OBJECT

private slots:
    void systemMenuCarriesTheWindowsItemsOnce() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        dlg.show();
        // Shown a second time, the window must not add them again.
        dlg.hide();
        dlg.show();
        const auto items = OwnSystemMenuItems(dlg);
        QCOMPARE(items.size(), size_t(6));
        const struct {
            UINT id;
            QString text;
        } expected[] = {{IDM_OPENBACKUP, "Open backup…"},
                        {IDM_ADDFROMFILE, "Add from file…"},
                        {IDM_UPDATEDB, "Update from the user database…"},
                        {IDM_OPTIONS, "Options…"},
                        {UINT(-1), "&Language"},  // a submenu
                        {IDM_ABOUTBOX, QString("&About Pendrak...")}};
        for (size_t i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i].id, expected[i].id);
            QCOMPARE(items[i].text, expected[i].text);
        }
        QCOMPARE(GrayedItems(dlg), QString("000000"));
    }

    // The items a job must not interrupt are grayed while it runs.
    void systemMenuItemsFollowTheJob() {
        CFakeDialogServices services;
        ShortenRadioTimeouts();
        CRadioProgram program;
        program.PutContactsInRadio(300, [](int n) { return 5000 - n; });
        CPendrakDlg dlg;
        dlg.show();
        dlg.OnBnClickedRead();
        QVERIFY(dlg.IsJobRunning());
        // Open backup, Add from file, Update and Options wait; Language and About do not.
        QCOMPARE(GrayedItems(dlg), QString("111100"));
        QTRY_VERIFY(!dlg.IsJobRunning() && services.boxes.size() == 1);
        QCOMPARE(GrayedItems(dlg), QString("000000"));
    }

    // While the list downloads, its item cancels it: shown so when the menu opens.
    void systemMenuCancelsARunningDownload() {
        httptest::CHttpTestServer server;
        Route stall(200, "RADIO_ID\n1\n2\n");
        stall.nSendOnly = 5;
        stall.nStallMs = 3000;
        server.Set("/stall", stall);
        CProgramDir dir(KeyedLanguageFile(true), "database_url=" + QByteArray::fromStdString(server.Url("/stall")) + "\n");
        dir.Load();
        qputenv("LOCALAPPDATA", QDir::toNativeSeparators(dir.Path("cache")).toUtf8());
        CFakeDialogServices services;
        CPendrakDlg dlg;
        dlg.show();
        const auto hwnd = reinterpret_cast<HWND>(dlg.winId());
        dlg.OnUpdateFromDatabase();
        QVERIFY(dlg.IsJobRunning());
        SendMessageW(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(GetSystemMenu(hwnd, FALSE)), 0);
        QCOMPARE(OwnSystemMenuItems(dlg)[2].text, QString("Cancel the download"));
        QCOMPARE(GrayedItems(dlg), QString("110100"));

        SendMessageW(hwnd, WM_SYSCOMMAND, IDM_UPDATEDB, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsJobRunning(), 2000);
        SendMessageW(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(GetSystemMenu(hwnd, FALSE)), 0);
        QCOMPARE(OwnSystemMenuItems(dlg)[2].text, QString("Update from the user database…"));
        QCOMPARE(GrayedItems(dlg), QString("000000"));
    }

    void systemCommandsReachTheWindow() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        dlg.show();
        const auto hwnd = reinterpret_cast<HWND>(dlg.winId());
        QString title;
        QTimer::singleShot(0, [&] {
            if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
                title = about->windowTitle();
                about->accept();
            }
        });
        SendMessageW(hwnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        QCOMPARE(title, QString("About Pendrak"));

        // Open backup, cancelled: its list of backups was shown.
        SendMessageW(hwnd, WM_SYSCOMMAND, IDM_OPENBACKUP, 0);
        QVERIFY2(services.dialogs.size() == 1, qPrintable(services.dialogs.join('|')));
    }

    void programResources() {
        HMODULE module = LoadLibraryExA(PENDRAK_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        QVERIFY2(module, PENDRAK_EXE);
        QVERIFY(FindResourceA(module, MAKEINTRESOURCEA(128), MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
        FreeLibrary(module);
        DWORD ignored = 0;
        std::string info(GetFileVersionInfoSizeA(PENDRAK_EXE, &ignored), '\0');
        QVERIFY(!info.empty());
        QVERIFY(GetFileVersionInfoA(PENDRAK_EXE, 0, static_cast<DWORD>(info.size()), info.data()));
        const struct {
            const char* key;
            const char* expected;
        } cases[] = {{"FileVersion", PENDRAK_VERSION},
                     {"OriginalFilename", "pendrak.exe"},
                     {"FileDescription", "Pendrak contact list manager"}};
        for (const auto& c : cases) {
            char* value = nullptr;
            UINT length = 0;
            const std::string path = std::string("\\StringFileInfo\\080403a8\\") + c.key;
            QVERIFY2(VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length),
                     c.key);
            QCOMPARE(QString(value), QString(c.expected));
        }
    }

    // The page number must show in its box, not only be held by it: with
    // no usable system font the line edits draw nothing.
    void pageNumberIsDrawn() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 250);
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.PageEdit()->text(), QString("1"));
        const QImage image = dlg.PageEdit()->grab().toImage();
        int dark = 0;  // inside the frame
        for (int y = 3; y < image.height() - 3; ++y)
            for (int x = 3; x < image.width() - 3; ++x) dark += qGray(image.pixel(x, y)) < 100;
        QVERIFY2(dark >= 5, qPrintable(QString::number(dark) + " dark pixels"));
    }

    // codepage=GBK decodes with GBK whatever the system's own code page.
    void gbkNamesOnAWesternSystem() {
        if (GetACP() == 936) QSKIP("this system's own code page is GBK's (936)");
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "codepage=GBK\n");
        dir.Load();
        FillContacts(theAppData.m_contacts, 2);
        theAppData.m_contacts.SetContactFieldText(CONTACT_NAME, 0, "\xCD\xF5\xCE\xB0");  // 王伟
        theAppData.m_contacts.SetContactFieldText(CONTACT_NAME, 1, "\xD5\xC5\xC8\xFD");  // 张三
        CPendrakDlg dlg;
        QCOMPARE(dlg.PageModel()->ItemText(0, 3), QString("王伟"));
        QCOMPARE(dlg.PageModel()->ItemText(1, 3), QString("张三"));
    }
};

QTEST_MAIN(TestPendrakDlgWindows)
#include "tst_PendrakDlgWindows.moc"
