// A running job's button stops it (a Write asks first), and a Write asks
// before it replaces the radio's list, through the in-process emulator.
#include <QPushButton>
#include <QtTest>
#include <chrono>
#include <thread>

#include "../radio/RadioTestSupport.h"
#include "AppTestSupport.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"

using namespace pendrak;
using namespace pendrak::test;

namespace {

QString ButtonText(CPendrakDlg& dlg, int id) {
    return static_cast<QPushButton*>(dlg.GetDlgItem(id))->text();
}

void Click(CPendrakDlg& dlg, int id) { QTest::mouseClick(dlg.GetDlgItem(id), Qt::LeftButton); }

// Until the worker has moved some of the contact data.
bool WaitForData(CPendrakDlg& dlg, int32_t state) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((dlg.Job().nState != state || dlg.Job().nBytesDone < 1) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return dlg.Job().nState == state;
}

int BackupCount(const CRadioProgram& program, const char* kind) {
    return QDir(program.Path("Bin")).entryList({QString("*_%1.bin").arg(kind)}, QDir::Files).size();
}

}  // namespace

class TestPendrakDlgStop : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ShortenRadioTimeouts();
        SetSimOptions(EmulatorOptions());
    }
    void cleanup() { SetSimOptions(EmulatorOptions()); }

    void stopEndsAReadAtOnceAndKeepsTheList() {
        CFakeDialogServices services;
        CRadioProgram program;
        program.PutContactsInRadio(3000, [](int n) { return n + 1; });
        EmulatorOptions stalling;
        stalling.faults.silentFromBlock = 4;
        SetSimOptions(stalling);
        g_radioTimeouts.readMs = 1000;
        FillContacts(theAppData.m_contacts, 7);
        CPendrakDlg dlg;
        Click(dlg, IDC_READ);
        QCOMPARE(ButtonText(dlg, IDC_READ), QString("Stop"));
        QVERIFY(!dlg.GetDlgItem(IDC_WRITE)->isEnabled());
        QVERIFY(WaitForData(dlg, JOB_READING));
        Click(dlg, IDC_READ);  // Stop: no question for a Read
        QTRY_COMPARE(services.boxes.size(), 1);
        QCOMPARE(services.questions.size(), 0);
        QVERIFY2(services.boxes[0].text.endsWith("Cause: it was stopped."),
                 qPrintable(services.boxes[0].text));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 7);
        QCOMPARE(ButtonText(dlg, IDC_READ), QString("Lesen"));  // the language file's again
        QVERIFY(dlg.GetDlgItem(IDC_WRITE)->isEnabled());
    }

    void stopAsksBeforeItCutsAWriteShort() {
        CFakeDialogServices services;
        CRadioProgram program;
        EmulatorOptions stalling;
        stalling.faults.silentFromBlock = 20000;
        SetSimOptions(stalling);
        g_radioTimeouts.readMs = 1000;
        FillContacts(theAppData.m_contacts, MAX_CONTACTS);
        CPendrakDlg dlg;
        Click(dlg, IDC_WRITE);
        QCOMPARE(ButtonText(dlg, IDC_WRITE), QString("Stop"));
        QVERIFY(!dlg.GetDlgItem(IDC_READ)->isEnabled());
        QVERIFY(WaitForData(dlg, JOB_WRITING));

        // No, the default: the Write goes on.
        Click(dlg, IDC_WRITE);
        QCOMPARE(services.questions.size(), 1);
        QVERIFY(services.questions[0].text.endsWith("Stop the Write?"));
        QVERIFY(!dlg.Job().bStopRequested.load());
        QVERIFY(dlg.IsJobRunning());

        // Yes: stopped, and the box says what the radio holds now.
        services.answerYes = true;
        Click(dlg, IDC_WRITE);
        QTRY_COMPARE(services.boxes.size(), 1);
        QVERIFY2(services.boxes[0].text.contains("Cause: it was stopped.") &&
                     services.boxes[0].text.contains("The radio now holds an incomplete list"),
                 qPrintable(services.boxes[0].text));
        QCOMPARE(ButtonText(dlg, IDC_WRITE), QString("Write"));
        QVERIFY(dlg.GetDlgItem(IDC_READ)->isEnabled());
    }

    void writeAsksNamingBothListsUntilToldNotTo() {
        CFakeDialogServices services;
        CRadioProgram program("confirm_write=1\n");
        program.PutContactsInRadio(2345, [](int n) { return 1000 + n; });
        const QByteArray radioBefore = ReadFile(program.Path("radio.bin"));
        FillContacts(theAppData.m_contacts, 1500, [](int n) { return 5000 + n; });
        CPendrakDlg dlg;

        // No: nothing written, no backup kept.
        Click(dlg, IDC_WRITE);
        QTRY_VERIFY(!dlg.IsJobRunning());
        QCOMPARE(services.questions.size(), 1);
        QCOMPARE(services.questions[0].text,
                 QString("Write 1,500 contacts to the radio, replacing the 2,345 it holds?"));
        QCOMPARE(services.checkTexts, QStringList{"Do not ask again"});
        QCOMPARE(services.boxes.size(), 0);
        QCOMPARE(dlg.Status()->FullText(), QString("Nothing was written."));
        QCOMPARE(BackupCount(program, "write"), 0);
        QVERIFY(ReadFile(program.Path("radio.bin")) == radioBefore);
        QCOMPARE(ButtonText(dlg, IDC_WRITE), QString("Write"));

        // Yes, and not again: written after its backup; setting.txt says so.
        services.answerYes = true;
        services.answerCheck = true;
        Click(dlg, IDC_WRITE);
        QTRY_COMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].text, QString("<IDS_PROMPT_WRITESUCC>"));
        QCOMPARE(BackupCount(program, "write"), 1);
        QVERIFY(ReadFile(program.Path("Data/setting.txt")).endsWith("\nconfirm_write=0\n"));
        Click(dlg, IDC_WRITE);
        QTRY_COMPARE(services.boxes.size(), 2);
        QCOMPARE(services.questions.size(), 2);

        // A fresh (erased) radio holds none.
        CRadioProgram fresh("confirm_write=1\n");
        FillContacts(theAppData.m_contacts, 1500, [](int n) { return 5000 + n; });
        Click(dlg, IDC_WRITE);
        QTRY_COMPARE(services.boxes.size(), 3);
        QCOMPARE(services.questions.back().text,
                 QString("Write 1,500 contacts to the radio? It holds none now."));
    }
};

QTEST_MAIN(TestPendrakDlgStop)
#include "tst_PendrakDlgStop.moc"
