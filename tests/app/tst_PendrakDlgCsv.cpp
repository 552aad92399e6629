// Export and Import from the window, with the file dialogs answered.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/ContactPageModel.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"
#include "csv/ContactCsv.h"

using namespace pendrak;
using namespace pendrak::test;

class TestPendrakDlgCsv : public QObject {
    Q_OBJECT

private slots:
    void exportWritesTheFile() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 2, [](int n) { return 460 + n; });
        CPendrakDlg dlg;
        services.answerPath = dir.Path("out.csv");
        QTest::mouseClick(dlg.GetDlgItem(IDC_EXPORT), Qt::LeftButton);
        QCOMPARE(services.saveTitle, QString("<IDS_Savecsv>"));
        QCOMPARE(services.saveFilter, QString("Csv Files(*.csv)"));
        // In the home folder the first time, then where the last one went.
        QVERIFY(QRegularExpression("^<IDS_DMRCONTACT>-\\d{14}\\.csv$")
                    .match(QFileInfo(services.saveProposed).fileName())
                    .hasMatch());
        QCOMPARE(QFileInfo(services.saveProposed).absolutePath(), QDir::homePath());
        QCOMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].text, QString("<IDS_SavecsvOK>"));
        QCOMPARE(services.boxes[0].caption, AppName());
        QCOMPARE(services.boxes[0].icon, BoxIcon::Information);
        QVERIFY(services.boxes[0].owner == &dlg);
        QFile f(dir.Path("out.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n"
                                         "460,C0,,,,,,,\r\n461,C1,,,,,,,\r\n"));
    }

    void exportRefusals_data() {
        QTest::addColumn<QString>("name");  // empty: cancelled
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::newRow("cancel") << "" << "" << 0;
        QTest::newRow("not a csv name") << "out.CSV" << "<IDS_FileNameError>" << int(BoxIcon::Warning);
        QTest::newRow("bare extension") << ".csv" << "<IDS_FileNameError>" << int(BoxIcon::Warning);
        QTest::newRow("missing folder") << "nowhere/out.csv" << "nowhere/out.csv" << int(BoxIcon::Error);
    }
    void exportRefusals() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(int, icon);
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 3);
        CPendrakDlg dlg;
        services.answerPath = name.isEmpty() ? QString() : dir.Path(name);
        dlg.OnExport();
        QCOMPARE(services.boxes.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(services.boxes[0].text.contains(QDir::toNativeSeparators(message)),
                     qPrintable(services.boxes[0].text));
            QCOMPARE(int(services.boxes[0].icon), icon);
            QCOMPARE(services.boxes[0].caption, AppName());
        }
        if (!name.isEmpty()) QVERIFY(!QFile::exists(dir.Path(name)));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 3);
    }

    // A folder chosen in either file dialog is named as one, not as a
    // denied access; the contacts stay.
    void folderIsNamedAsAFolder() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 3);
        CPendrakDlg dlg;
        QVERIFY(QDir(dir.Path(".")).mkdir("folder.csv"));
        services.answerPath = dir.Path("folder.csv");
        dlg.OnExport();
        dlg.OnImport();
        QCOMPARE(services.boxes.size(), 2);
        for (const RecordedBox& box : services.boxes) {
            // In the language of the window, not the framework's Chinese.
            QVERIFY2(box.text.endsWith("folder.csv is a folder, not a file."), qPrintable(box.text));
            QCOMPARE(box.icon, BoxIcon::Error);
        }
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 3);
    }

    void importReplacesAndReturnsToPageOne() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 1000);
        CPendrakDlg dlg;
        dlg.OnLastPage();
        QByteArray csv = "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n";
        for (int i = 0; i < 250; ++i) csv += QByteArray::number(5000 - i) + ",K" + QByteArray::number(i) + ",,,,,,,\r\n";
        dir.Write("in.csv", csv);
        services.answerPath = dir.Path("in.csv");
        QTest::mouseClick(dlg.GetDlgItem(IDC_IMPORT), Qt::LeftButton);
        QCOMPARE(services.openFilter, QString("(*.csv)"));
        QCOMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].text, QString("Contacts imported: 250."));
        QCOMPARE(services.boxes[0].caption, AppName());
        QCOMPARE(services.boxes[0].icon, BoxIcon::Information);
        QCOMPARE(dlg.PageEdit()->text(), QString("1"));
        QCOMPARE(dlg.m_nPageCount, 2);
        QCOMPARE(dlg.PageModel()->ItemText(0, 1), QString("4751"));
        QCOMPARE(dlg.PageModel()->ItemText(0, 2), QString("K249"));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 250);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void importThatCannotStartChangesNothing() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 450);
        CPendrakDlg dlg;
        dlg.OnNextPage();
        services.answerPath.clear();  // cancelled
        dlg.OnImport();
        QCOMPARE(services.boxes.size(), 0);
        services.answerPath = dir.Path("missing.csv");
        dlg.OnImport();
        QCOMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].text,
                 QDir::toNativeSeparators(dir.Path("missing.csv")) + " was not found.");
        QCOMPARE(services.boxes[0].icon, BoxIcon::Error);
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 450);
        QCOMPARE(dlg.PageEdit()->text(), QString("2"));
        QCOMPARE(dlg.PageModel()->rowCount(), 200);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    // "Add from file…" keeps the contacts shown, takes the settings' choice,
    // and says why lines were lost after the fixed closing message.
    void addFromFileMergesAndReports() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "codepage=GBK\nexclude=3101\n");
        dir.Load();
        FillContacts(theAppData.m_contacts, 3);
        CPendrakDlg dlg;
        dir.Write(
            "add.csv",
            "RADIO_ID,CALLSIGN,FIRST_NAME\n2,new,J\xC3\xB6rg\n4600001,BA1\n3101000,K\nbad,x\n");
        services.answerPath = dir.Path("add.csv");
        dlg.OnSysCommand(IDM_ADDFROMFILE);
        QCOMPARE(services.boxes.size(), 2);
        QCOMPARE(services.boxes[0].text, QString("Contacts imported: 4."));
        QVERIFY2(services.boxes[1].text.contains("1 lines hold no valid radio ID"),
                 qPrintable(services.boxes[1].text));
        QVERIFY(!services.boxes[1].text.contains("did not fit"));
        QCOMPARE(dlg.Status()->text(), QString("2 of 5 lines taken, 1 lost"));
        CContactImage& image = theAppData.m_contacts;
        QCOMPARE(image.GetContactCount(), 4);
        QCOMPARE(image.GetContactFieldText(CONTACT_CALLSIGN, 0), std::string_view("C0"));
        QCOMPARE(image.GetContactFieldText(CONTACT_CALLSIGN, 1), std::string_view("new"));
        QCOMPARE(image.GetContactFieldText(CONTACT_NAME, 1),
                 std::string_view("Jorg"));  // GBK lacks ö
        QCOMPARE(image.GetContactRadioId(3), 4600001);
        QCOMPARE(dlg.PageModel()->rowCount(), 4);
    }

    void importWithABadSettingChangesNothing() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "near=somewhere\n");
        dir.Load();
        FillContacts(theAppData.m_contacts, 3);
        CPendrakDlg dlg;
        dir.Write("in.csv", "1,a,\n");
        services.answerPath = dir.Path("in.csv");
        dlg.OnImport();
        QCOMPARE(services.boxes.size(), 1);
        QVERIFY2(services.boxes[0].text.contains("key near"), qPrintable(services.boxes[0].text));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 3);
    }

    // A list imported and not written is not dropped without a question.
    void closingAskedForAnUnwrittenList() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        dlg.show();
        dir.Write("in.csv", "1,a,\n2,b,\n");
        services.answerPath = dir.Path("in.csv");
        dlg.OnImport();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QCOMPARE(services.questions.size(), 1);
        QVERIFY2(services.questions[0].text.startsWith("The list shown was imported"),
                 qPrintable(services.questions[0].text));
        QVERIFY(dlg.isVisible());
        services.answerYes = true;
        dlg.reject();
        QCOMPARE(services.questions.size(), 2);
        QVERIFY(!dlg.isVisible());
    }

    void unknownHeaderIsTold() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        dir.Write("odd.csv", "Call,Name,Town\n1234567,K1AB,Bob\n");
        services.answerPath = dir.Path("odd.csv");
        dlg.OnImport();
        QCOMPARE(services.boxes.size(), 2);
        QCOMPARE(services.boxes[1].icon, BoxIcon::Warning);
        QVERIFY2(services.boxes[1].text.contains("layout not known") &&
                     services.boxes[1].text.contains("Call, Name, Town"),
                 qPrintable(services.boxes[1].text));
    }

    // Saved as UTF-8 from a spreadsheet, for a GBK radio: the offer to convert.
    void utf8InTheOwnLayoutIsOfferedConversion() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "codepage=GBK\n");
        dir.Load();
        FillContacts(theAppData.m_contacts, 3, [](int n) { return 900 + n; });
        CPendrakDlg dlg;
        dir.Write("utf8.csv", "7,K7,\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD,,,,,\n");  // Иван
        services.answerPath = dir.Path("utf8.csv");
        services.answerYes = true;
        dlg.OnSysCommand(IDM_ADDFROMFILE);  // a merge: the second import must not merge twice
        QCOMPARE(services.questions.size(), 1);
        QVERIFY(services.questions[0].text.startsWith("utf8.csv holds UTF-8 text"));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 4);
        QCOMPARE(dlg.PageModel()->ItemText(0, 3), QString("Иван"));
        QCOMPARE(services.boxes[0].text, QString("Contacts imported: 4."));
    }
};

QTEST_MAIN(TestPendrakDlgCsv)
#include "tst_PendrakDlgCsv.moc"
