// Read and Write from the window, through the in-process radio emulator.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <chrono>
#include <memory>
#include <thread>

#include "../radio/RadioTestSupport.h"
#include "AppTestSupport.h"
#include "app/ContactPageModel.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"
#include "radio/RadioProtocol.h"
#include "radio/sim/MemoryFile.h"
#include "radio/sim/RadioEmulator.h"
#include "radio/sim/SimLink.h"

using namespace pendrak;
using namespace pendrak::test;

namespace {

// The newest backup of the program's backup folder.
QString LatestBackup(const CRadioProgram& program) {
    const QStringList names =
        QDir(program.Path("Bin")).entryList({"*.bin"}, QDir::Files, QDir::Name | QDir::Reversed);
    return names.isEmpty() ? QString() : QDir(program.Path("Bin")).filePath(names.first());
}

bool Enabled(CPendrakDlg& dlg, int id) { return dlg.GetDlgItem(id)->isEnabled(); }

void Click(CPendrakDlg& dlg, int id) { QTest::mouseClick(dlg.GetDlgItem(id), Qt::LeftButton); }

}  // namespace

class TestPendrakDlgRadio : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ShortenRadioTimeouts();
        SetSimOptions(EmulatorOptions());
    }
    void cleanup() {
        SetSimOptions(EmulatorOptions());
        SetRadioLinkOpener(nullptr);
    }

    void readShowsTheRadioContactsSorted() {
        CFakeDialogServices services;
        CRadioProgram program;
        program.PutContactsInRadio(450, [](int n) { return 90000 - n; });
        CPendrakDlg dlg;
        Click(dlg, IDC_READ);
        QVERIFY(dlg.IsJobRunning());
        QTRY_COMPARE(services.boxes.size(), 1);
        const RecordedBox& box = services.boxes[0];
        QCOMPARE(box.text, QString("<IDS_PROMPT_READSUCC>"));
        QCOMPARE(box.caption, QString("<IDS_PROMPT_READ>"));
        QCOMPARE(box.icon, BoxIcon::Information);
        QVERIFY(box.owner == &dlg);
        QCOMPARE(dlg.Status()->FullText(), QString("Contacts read from the radio: 450."));
        QCOMPARE(theAppData.m_bRadioBusy, 0);
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 450);
        QCOMPARE(dlg.PageTotal()->text(), QString("/3"));
        QCOMPARE(dlg.PageModel()->ItemText(0, 1), QString::number(90000 - 449));
        for (int n = 1; n < 450; ++n)
            QVERIFY(theAppData.m_contacts.GetContactRadioId(n - 1) <
                    theAppData.m_contacts.GetContactRadioId(n));
        QVERIFY(Enabled(dlg, IDC_IMPORT) && Enabled(dlg, IDC_EXPORT) && Enabled(dlg, IDC_PAGE_NEXT));
    }

    void writeSendsTheImage() {
        CFakeDialogServices services;
        CRadioProgram program;
        FillContacts(theAppData.m_contacts, 100, [](int n) { return 7000 + n; });
        CPendrakDlg dlg;
        Click(dlg, IDC_WRITE);
        QTRY_COMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].text, QString("<IDS_PROMPT_WRITESUCC>"));
        QCOMPARE(services.boxes[0].caption, QString("<IDS_PROMPT_WRITE>"));
        QCOMPARE(services.boxes[0].icon, BoxIcon::Information);
        QCOMPARE(dlg.Status()->text(), QString("<IDS_PROMPT_WRITESUCC>"));
        QCOMPARE(dlg.Progress()->value(), 1024);
        const auto radio = program.LoadRadio();
        const int used = ContactImageUsedLength(100);
        QVERIFY(std::equal(theAppData.m_contacts.Bytes(), theAppData.m_contacts.Bytes() + used,
                           radio->ContactRegion()));
    }

    void failedReadKeepsTheListAndSaysWhereItStopped() {
        CFakeDialogServices services;
        CRadioProgram program;
        program.PutContactsInRadio(3000, [](int n) { return n + 1; });
        EmulatorOptions options;
        options.faults.silentFromBlock = 4;
        SetSimOptions(options);
        FillContacts(theAppData.m_contacts, 100);
        CPendrakDlg dlg;
        QCOMPARE(dlg.PageModel()->rowCount(), 100);
        Click(dlg, IDC_READ);
        QVERIFY(dlg.IsJobRunning());
        // A job runs: its button reads Stop, Write waits, and so does the rest.
        Click(dlg, IDC_WRITE);
        QVERIFY(Enabled(dlg, IDC_READ) && !Enabled(dlg, IDC_WRITE));
        QCOMPARE(static_cast<QPushButton*>(dlg.GetDlgItem(IDC_READ))->text(), QString("Stop"));
        for (int id : {IDC_IMPORT, IDC_EXPORT, IDC_PAGE_EDIT}) QVERIFY(!Enabled(dlg, id));
        QCOMPARE(services.boxes.size(), 0);
        QTRY_COMPARE(services.boxes.size(), 1);
        // The header and two blocks of data came; the third block had no answer.
        QCOMPARE(services.boxes[0].text,
                 QString("<IDS_ERR_READ>\n\nStep: the contact data, after %1 of %2 bytes.\n"
                         "Cause: the radio did not answer.")
                     .arg(2 * WIDE_BLOCK_SIZE)
                     .arg(ContactImageUsedLength(3000)));
        QCOMPARE(services.boxes[0].caption, QString("<IDS_ERROR>"));
        QCOMPARE(services.boxes[0].icon, BoxIcon::Error);
        // The status line keeps where and why, whole, once the box is gone.
        QCOMPARE(dlg.Status()->FullText(), QString(services.boxes[0].text).replace(QRegularExpression("\\n+"), " "));
        // The list shown before the Read is still there, whole.
        QCOMPARE(dlg.PageModel()->rowCount(), 100);
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 100);
        QCOMPARE(theAppData.m_contacts.GetContactFieldText(CONTACT_CALLSIGN, 99), std::string_view("C99"));
        QCOMPARE(theAppData.m_bRadioBusy, 0);
        QVERIFY(Enabled(dlg, IDC_IMPORT) && Enabled(dlg, IDC_PAGE_EDIT));

        // The next good Read brings the whole list back.
        SetSimOptions(EmulatorOptions());
        Click(dlg, IDC_READ);
        QTRY_COMPARE(services.boxes.size(), 2);
        QCOMPARE(services.boxes[1].text, QString("<IDS_PROMPT_READSUCC>"));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 3000);
    }

    void findDuringAReadIsRefused() {
        CFakeDialogServices services;
        CRadioProgram program;
        program.PutContactsInRadio(3000, [](int n) { return n + 1; });
        FillContacts(theAppData.m_contacts, 1000);
        CPendrakDlg dlg;
        dlg.OnFindOpen();
        Click(dlg, IDC_READ);
        QVERIFY(dlg.IsJobRunning());
        // The worker fills the image now: no search reads it.
        QVERIFY(!dlg.FindBar()->Edit()->isEnabled());
        dlg.FindBar()->Edit()->setText("C2999");
        dlg.OnFindNext();
        dlg.OnFindPrevious();
        QCOMPARE(dlg.m_nCurPage, 0);
        QVERIFY(!dlg.ContactList()->selectionModel()->hasSelection());
        QCOMPARE(dlg.FindBar()->Result()->text(), QString());

        QTRY_COMPARE(services.boxes.size(), 1);
        QVERIFY(dlg.FindBar()->Edit()->isEnabled());
        dlg.OnFindNext();
        QCOMPARE(dlg.m_nCurPage, 14);
        QCOMPARE(dlg.FindBar()->Result()->text(), QString("1/1"));
        // The next Read replaces the list: the count shown was of the old one.
        Click(dlg, IDC_READ);
        QTRY_COMPARE(services.boxes.size(), 2);
        QCOMPARE(dlg.FindBar()->Result()->text(), QString());
        dlg.OnFindNext();
        QCOMPARE(dlg.m_nCurPage, 14);
        QCOMPARE(dlg.FindBar()->Result()->text(), QString("1/1"));
    }

    void connectionFailures_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("silentFromExchange");
        QTest::addColumn<bool>("openable");
        QTest::addColumn<QString>("key");
        QTest::newRow("no radio") << "D1.00.02" << 0 << false << "IDS_ERR_PORTCONN";
        QTest::newRow("silent") << "D1.00.02" << 1 << true << "IDS_ERR_CONNECT";
        QTest::newRow("sysinfo") << "D1.00.02" << 2 << true << "IDS_ERR_GMode";
        QTest::newRow("version unread") << "D1.00.02" << 3 << true << "IDS_ERR_ReadRDSVersion";
        QTest::newRow("other version") << "D1.00.03" << 0 << true << "IDS_ERR_RDSVersion";
    }
    void connectionFailures() {
        QFETCH(QString, version);
        QFETCH(int, silentFromExchange);
        QFETCH(bool, openable);
        QFETCH(QString, key);
        CFakeDialogServices services;
        CRadioProgram program;
        program.PutContactsInRadio(0, [](int n) { return n + 1; });  // a Read needs a radio
        EmulatorOptions options;
        options.faults.versionText = version.toStdString();
        options.faults.silentFromExchange = silentFromExchange;
        SetSimOptions(options);
        // As the user would: in setting.txt, which every Read reads again.
        if (!openable)
            WriteFile(program.Path("Data/setting.txt"),
                      "[setup]\nlanguage=test\nradio=sim:/nonexistent-folder/radio.bin\n");
        FillContacts(theAppData.m_contacts, 5);
        CPendrakDlg dlg;
        Click(dlg, IDC_READ);
        QCOMPARE(services.boxes.size(), 1);
        // The emulator's file and its cause, not the USB text.
        if (openable)
            QVERIFY(services.boxes[0].text.startsWith("<" + key + ">"));
        else
            QVERIFY(services.boxes[0].text.startsWith(
                "Emulator memory file " + QDir::toNativeSeparators("/nonexistent-folder/radio.bin") +
                ": there is no folder " + QDir::toNativeSeparators("/nonexistent-folder")));
        QCOMPARE(services.boxes[0].caption, QString("<IDS_ERROR>"));
        QCOMPARE(services.boxes[0].icon, BoxIcon::Error);
        QVERIFY(!dlg.IsJobRunning());
        QCOMPARE(theAppData.m_bRadioBusy, 0);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 5);
        QVERIFY(Enabled(dlg, IDC_IMPORT));
    }

    void radioInUseOrUnableToKeepABlockSaysWhy() {
        CFakeDialogServices services;
        CRadioProgram program;
        FillContacts(theAppData.m_contacts, 100);
        CPendrakDlg dlg;
        {
            CRadioEmulator other;
            CMemoryFile held;
            std::string failure;
            QVERIFY(held.Open(program.MemoryFile(), other.Memory(), other.MemorySize(), failure));
            Click(dlg, IDC_WRITE);
            QCOMPARE(services.boxes.size(), 1);
            const QString memory = QDir::toNativeSeparators(QString::fromStdString(program.MemoryFile()));
            QCOMPARE(services.boxes[0].text, "Emulator memory file " + memory +
                                                 " is in use by another program "
                                                 "(a radio takes one link at a time)");
            QVERIFY(!dlg.IsJobRunning());
        }

        // The radio refuses the fourth block: the Write fails, and says why.
        SetRadioLinkOpener([](std::string&) {
            return CreateEmulatorLink(std::make_shared<CRadioEmulator>(),
                                      std::make_shared<CFailingStore>(4));
        });
        Click(dlg, IDC_WRITE);
        QTRY_COMPARE(services.boxes.size(), 2);
        QCOMPARE(services.boxes[1].text,
                 QString("<IDS_ERR_WRITE>\n\nStep: the contact data, after %1 of %2 bytes.\n"
                         "Cause: store refused: disk full\n\n"
                         "The radio now holds an incomplete list: %1 of %2 bytes were written.\n"
                         "The backup %3 holds the whole list: open it with \"Open backup…\" and "
                         "Write it.")
                     .arg(3 * WIDE_BLOCK_SIZE)
                     .arg(ContactImageUsedLength(100))
                     .arg(QDir::toNativeSeparators(LatestBackup(program))));
        QCOMPARE(services.boxes[1].icon, BoxIcon::Error);
        QVERIFY(dlg.Status()->FullText().startsWith(
            "<IDS_ERR_WRITE> Step: the contact data, after "));
    }

    void readKeepsThePageWhereItCan() {
        CFakeDialogServices services;
        CRadioProgram program;
        program.PutContactsInRadio(300, [](int n) { return n + 1; });
        FillContacts(theAppData.m_contacts, 1000);
        CPendrakDlg dlg;
        dlg.OnLastPage();
        QCOMPARE(dlg.PageEdit()->text(), QString("5"));
        Click(dlg, IDC_READ);
        QTRY_COMPARE(services.boxes.size(), 1);
        QCOMPARE(dlg.PageEdit()->text(), QString("2"));
        QCOMPARE(dlg.PageTotal()->text(), QString("/2"));
        QCOMPARE(dlg.PageModel()->rowCount(), 100);
        QCOMPARE(dlg.m_nFirstIndex, 299);
    }

    void timerShowsProgress_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("done");   // bytes, as the worker posts them
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("position");
        // Contacts done: whole records only, the sector gaps counted.
        QTest::newRow("read, count not known") << int(JOB_READING) << 1 << 0 << 0 << " 1%" << 10;
        QTest::newRow("read 1") << int(JOB_READING) << 1 << 4095 << 14391300
                                << "Reading: 36 of 130,000 contacts, 1%" << 10;
        QTest::newRow("write 50") << int(JOB_WRITING) << 50 << 4096 << 110700
                                  << "Writing: 37 of 1,000 contacts, 50%" << 512;
        QTest::newRow("read 100") << int(JOB_READING) << 100 << 110700 << 110700
                                  << "Reading: 1,000 of 1,000 contacts, 100%" << 1024;
        QTest::newRow("verify 50") << int(JOB_VERIFYING) << 50 << 124 << 124
                                   << "Verifying: 1 of 1 contacts, 50%" << 512;
        QTest::newRow("idle") << int(JOB_IDLE) << 70 << 124 << 124 << "" << 0;
    }
    void timerShowsProgress() {
        QFETCH(int, state);
        QFETCH(int, percent);
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, status);
        QFETCH(int, position);
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        dlg.Job().nProgress = percent;
        dlg.Job().nBytesDone = done;
        dlg.Job().nBytesTotal = total;
        dlg.Job().nState = state;
        dlg.OnTimer(2);  // not the job's timer
        QCOMPARE(dlg.Status()->text(), QString());
        dlg.OnTimer(ID_TIMER_JOB);
        QCOMPARE(dlg.Status()->text(), status);
        QCOMPARE(dlg.Progress()->value(), position);
        dlg.Job().nState = JOB_IDLE;
    }

    void theEndShowsWhereTheJobEnded_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("lastPercent");
        QTest::addColumn<int>("position");
        QTest::newRow("read done") << int(JOB_READ_DONE) << 37 << 1024;
        QTest::newRow("write done") << int(JOB_WRITE_DONE) << 99 << 1024;
        QTest::newRow("write failed") << int(JOB_WRITE_FAILED) << 40 << 409;
        QTest::newRow("read failed at once") << int(JOB_READ_FAILED) << 0 << 0;
    }
    void theEndShowsWhereTheJobEnded() {
        QFETCH(int, state);
        QFETCH(int, lastPercent);
        QFETCH(int, position);
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        dlg.Job().nProgress = 12;
        dlg.Job().nState = JOB_WRITING;
        dlg.OnTimer(ID_TIMER_JOB);  // the last tick saw 12%
        dlg.Job().nProgress = lastPercent;
        dlg.Job().nState = state;
        dlg.OnTimer(ID_TIMER_JOB);
        QCOMPARE(services.boxes.size(), 1);
        QCOMPARE(dlg.Progress()->value(), position);
    }

    void closingDuringAWriteAsksAndGoesOnByDefault() {
        CFakeDialogServices services;
        CRadioProgram program;
        // The radio stalls two thirds of the way in, so the Write cannot end
        // before the close however fast the machine.
        EmulatorOptions stalling;
        stalling.faults.silentFromBlock = 20000;
        SetSimOptions(stalling);
        g_radioTimeouts.readMs = 1000;
        FillContacts(theAppData.m_contacts, MAX_CONTACTS);
        CPendrakDlg dlg;
        dlg.show();
        Click(dlg, IDC_WRITE);
        QVERIFY(dlg.IsJobRunning());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while ((dlg.Job().nState != JOB_WRITING || dlg.Job().nProgress < 1) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QCOMPARE(dlg.Job().nState.load(), int32_t(JOB_WRITING));
        // A tick while the worker runs shows its progress (called here, not
        // awaited, so that the job cannot end first).
        dlg.OnTimer(ID_TIMER_JOB);
        QVERIFY(dlg.Progress()->value() > 0);
        QVERIFY2(QRegularExpression("^Writing: [\\d,]+ of 130,000 contacts, \\d+%$")
                     .match(dlg.Status()->text())
                     .hasMatch(),
                 qPrintable(dlg.Status()->text()));

        // Esc with the default answer: the Write goes on, the window stays.
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QCOMPARE(services.questions.size(), 1);
        QVERIFY(services.questions[0].text.startsWith("A Write is under way."));
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.IsJobRunning());
        QVERIFY(!dlg.Job().bStopRequested.load());

        // Stopped all the same: the radio is incomplete, and the box says
        // which backup completes it.
        services.answerYes = true;
        dlg.reject();
        QCOMPARE(services.questions.size(), 2);
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.IsJobRunning());
        QCOMPARE(theAppData.m_bRadioBusy, 0);
        QCOMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].icon, BoxIcon::Warning);
        QVERIFY(services.boxes[0].text.startsWith("The radio now holds an incomplete list: "));
        const QString backup = LatestBackup(program);
        QVERIFY(backup.endsWith("_write.bin"));
        QVERIFY(services.boxes[0].text.contains(QDir::toNativeSeparators(backup)));
        // The last contact never reached the radio: its record is still erased.
        const auto radio = program.LoadRadio();
        QCOMPARE(radio->ContactRegion()[ContactRecordOffset(MAX_CONTACTS - 1) + 1], 0xFF);
    }

    void enterAfterTheBoxDoesNotStartTheJobAgain() {
        CFakeDialogServices services;
        CRadioProgram program;
        FillContacts(theAppData.m_contacts, 40);
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.GetDlgItem(IDC_WRITE)->setFocus();
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(dlg.IsJobRunning());
        QTRY_COMPARE(services.boxes.size(), 1);
        QVERIFY(dlg.focusWidget() == dlg.ContactList());
        // The Enter that closed the box, and one more.
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(!dlg.IsJobRunning());
        QTest::qWait(100);
        QCOMPARE(services.boxes.size(), 1);
    }

    void aReadOfAMissingEmulatorFileFails() {
        CFakeDialogServices services;
        CRadioProgram program;  // its radio.bin is not there yet
        FillContacts(theAppData.m_contacts, 5);
        CPendrakDlg dlg;
        Click(dlg, IDC_READ);
        QCOMPARE(services.boxes.size(), 1);
        QVERIFY2(services.boxes[0].text.contains("does not exist"), qPrintable(services.boxes[0].text));
        QVERIFY(!QFile::exists(QString::fromStdString(program.MemoryFile())));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 5);
    }
};

QTEST_MAIN(TestPendrakDlgRadio)
#include "tst_PendrakDlgRadio.moc"
