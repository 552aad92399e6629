// "Update from the user database…": the download as a job, its list loaded
// as an Import with the own entries, cancelling, and failures.
#include <QLabel>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/PendrakDlg.h"
#include "app/StatusLine.h"
#include "tests/platform/HttpTestServer.h"

using namespace pendrak;
using namespace pendrak::test;
using httptest::Route;

class TestPendrakDlgUpdate : public QObject {
    Q_OBJECT

    // A program whose settings fetch from `path` on the server, with one own entry.
    void Load(CProgramDir& dir, httptest::CHttpTestServer& server, const char* path) {
        dir.Write("own.csv", "ID,Callsign\n2620009,MINE\n");
        dir.Write("Data/setting.txt", "[setup]\nlanguage=test\nexclude=Germany\nown_contacts=own.csv\n"
                                      "database_url=" + QByteArray::fromStdString(server.Url(path)) + "\n");
        dir.Load();
        qputenv("XDG_CACHE_HOME", dir.Path("cache").toUtf8());
        qputenv("LOCALAPPDATA", QDir::toNativeSeparators(dir.Path("cache")).toUtf8());
    }

    // Where the downloaded list is kept under the cache folder set above.
    static QString CacheFolder(const CProgramDir& dir) {
#ifdef Q_OS_WIN
        return dir.Path("cache/pendrak/cache");
#else
        return dir.Path("cache/pendrak");
#endif
    }

private slots:
    void loadsTheListWithOwnEntriesAndSaysItsAge() {
        httptest::CHttpTestServer server;
        server.Set("/user.csv", Route(200, "RADIO_ID,CALLSIGN,COUNTRY\n2620001,DL1,Germany\n3100001,W5,United States\n"
                                           "3100002,W6,United States\n", "", "Tue, 08 Dec 2026 03:00:00 GMT"));
        CProgramDir dir;
        Load(dir, server, "/user.csv");
        CFakeDialogServices services;
        CPendrakDlg dlg;
        dlg.OnUpdateFromDatabase();
        QVERIFY(dlg.IsJobRunning());
        QTRY_VERIFY(!dlg.IsJobRunning());
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 3);  // 2 chosen, and the own entry
        QCOMPARE(theAppData.m_contacts.GetContactRadioId(0), 2620009);
        QCOMPARE(theAppData.m_bRadioBusy, 0);
        QVERIFY2(dlg.Status()->FullText().startsWith("User database of 2026-12-08, "),
                 qPrintable(dlg.Status()->FullText()));
        QVERIFY(dlg.Status()->FullText().contains("; 3 of 6 lines taken"));
        QVERIFY(QFile::exists(CacheFolder(dir) + "/user.csv"));
    }

    void failureAndCancelChangeNothing() {
        httptest::CHttpTestServer server;
        server.Set("/gone", Route(404, "no"));
        Route stall(200, "RADIO_ID\n1\n2\n");
        stall.nSendOnly = 5;
        stall.nStallMs = 3000;
        server.Set("/stall", stall);
        CProgramDir dir;
        Load(dir, server, "/gone");
        FillContacts(theAppData.m_contacts, 7);
        CFakeDialogServices services;
        CPendrakDlg dlg;
        dlg.OnUpdateFromDatabase();
        QTRY_VERIFY(!dlg.IsJobRunning());
        QCOMPARE(services.boxes.size(), 1);
        QVERIFY2(services.boxes.back().text.contains("HTTP status 404"), qPrintable(services.boxes.back().text));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 7);

        Load(dir, server, "/stall");
        FillContacts(theAppData.m_contacts, 7);
        dlg.OnUpdateFromDatabase();
        QTRY_VERIFY(dlg.Status()->FullText().startsWith("Downloading: "));
        dlg.OnUpdateFromDatabase();  // the menu item cancels while it runs
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsJobRunning(), 1000);
        QCOMPARE(dlg.Status()->FullText(), QString("Download cancelled; nothing changed."));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 7);
        QCOMPARE(services.boxes.size(), 1);
        QVERIFY(!QFile::exists(CacheFolder(dir) + "/user.csv"));
        QCOMPARE(QDir(CacheFolder(dir)).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }
};

QTEST_MAIN(TestPendrakDlgUpdate)
#include "tst_PendrakDlgUpdate.moc"
