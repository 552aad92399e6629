// Backups after Read and before Write, "Open backup…", and verify=1, through
// the in-process radio emulator.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/BackupListDlg.h"
#include "app/ContactPageModel.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"
#include "contacts/ContactBackup.h"
#include "contacts/ContactImageFile.h"
#include "radio/RadioProtocol.h"

using namespace pendrak;
using namespace pendrak::test;

namespace {

void Click(CPendrakDlg& dlg, int id) { QTest::mouseClick(dlg.GetDlgItem(id), Qt::LeftButton); }

std::vector<ContactBackupInfo> Backups(const QString& folder) {
    std::vector<ContactBackupInfo> backups;
    ListContactBackups(folder.toStdString(), backups);
    return backups;
}

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray ShortBytes(const unsigned char* image, int count) {
    return QByteArray(reinterpret_cast<const char*>(image), ContactImageShortLength(count));
}

// Answers the next "Open backup…" with the list's row `row` (newest first),
// or with "Other file…" for -1; *shown gets the rows as the list shows them.
void AnswerOpenBackup(CFakeDialogServices& services, int row, QStringList* shown = nullptr) {
    services.onDialog = [row, shown](QDialog& dialog) {
        auto* backups = qobject_cast<CBackupListDlg*>(&dialog);
        if (!backups) return 0;
        QTreeWidget* list = backups->List();
        for (int i = 0; shown && i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c) cells << list->topLevelItem(i)->text(c);
            *shown << cells.join(QLatin1Char('|'));
        }
        if (row < 0) {
            backups->OtherFileButton()->click();
        } else {
            list->setCurrentItem(list->topLevelItem(row));
            QTest::keyClick(list, Qt::Key_Return);
        }
        return dialog.result();
    };
}

// Runs one job from its button to its outcome box.
void RunJob(CPendrakDlg& dlg, CFakeDialogServices& services, int button) {
    const auto boxes = services.boxes.size();
    Click(dlg, button);
    QTRY_VERIFY(services.boxes.size() > boxes);
    QVERIFY(!dlg.IsJobRunning());
}

}  // namespace

class TestPendrakDlgBackup : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ShortenRadioTimeouts();
        SetSimOptions(EmulatorOptions());
    }
    void cleanup() { SetSimOptions(EmulatorOptions()); }

    void readAndWriteKeepBackupsAndOpenBackupRestores() {
        CFakeDialogServices services;
        CRadioProgram program;
        program.PutContactsInRadio(450, [](int n) { return 90000 - n; });  // unsorted
        const QByteArray radioBefore = FileBytes(program.MemoryFile());
        const QString bin = QDir::toNativeSeparators(program.Path("Bin"));
        CPendrakDlg dlg;

        RunJob(dlg, services, IDC_READ);
        auto backups = Backups(bin);
        QCOMPARE(int(backups.size()), 1);
        QCOMPARE(backups[0].kind, BackupKind::Read);
        QCOMPARE(backups[0].nContacts, 450);
        // The list as the radio held it, though the window shows it sorted.
        QCOMPARE(FileBytes(backups[0].strPath),
                 ShortBytes(program.LoadRadio()->ContactRegion(), 450));
        QCOMPARE(dlg.PageModel()->ItemText(0, 1), QString::number(90000 - 449));

        FillContacts(theAppData.m_contacts, 30, [](int n) { return 5000 + n; });
        const QByteArray written = ShortBytes(theAppData.m_contacts.Bytes(), 30);
        RunJob(dlg, services, IDC_WRITE);
        backups = Backups(bin);
        QCOMPARE(int(backups.size()), 2);
        QCOMPARE(backups[0].kind, BackupKind::Write);
        QCOMPARE(FileBytes(backups[0].strPath), written);
        QVERIFY(FileBytes(program.MemoryFile()) != radioBefore);

        // The Read's backup, opened and written, gives the radio back exactly.
        QStringList shown;
        AnswerOpenBackup(services, 1, &shown);
        dlg.OnOpenBackup();
        QCOMPARE(shown.size(), 2);  // newest first: date, kind, count, file
        QCOMPARE(shown[0], QString("%1|Write|30|%2").arg(QString::fromStdString(backups[0].strWhen),
                                                          QString::fromStdString(backups[0].strName)));
        QCOMPARE(shown[1], QString("%1|Read|450|%2").arg(QString::fromStdString(backups[1].strWhen),
                                                          QString::fromStdString(backups[1].strName)));
        QCOMPARE(services.boxes.back().text,
                 QString("450 contacts from %1.\nWrite puts them into the radio.")
                     .arg(QString::fromStdString(backups[1].strName)));
        QCOMPARE(dlg.PageTotal()->text(), QString("/3"));
        QCOMPARE(dlg.Status()->text(), QString("Backup: 450 contacts"));
        QCOMPARE(dlg.PageModel()->ItemText(0, 1), QString::number(90000));  // as kept, unsorted
        RunJob(dlg, services, IDC_WRITE);
        QCOMPARE(services.boxes.back().text, QString("<IDS_PROMPT_WRITESUCC>"));
        QVERIFY(FileBytes(program.MemoryFile()) == radioBefore);
        QCOMPARE(int(Backups(bin).size()), 3);
    }

    void aWriteThatFailsHasKeptItsBackup() {
        CFakeDialogServices services;
        CRadioProgram program;
        EmulatorOptions failing;
        failing.faults.silentFromBlock = 3;
        SetSimOptions(failing);
        FillContacts(theAppData.m_contacts, 300);
        CPendrakDlg dlg;
        RunJob(dlg, services, IDC_WRITE);
        const auto backups = Backups(program.Path("Bin"));
        QCOMPARE(int(backups.size()), 1);
        // The failure names the backup that completes the radio.
        const QString text = services.boxes.back().text;
        QVERIFY2(text.startsWith("<IDS_ERR_WRITE>\n\n") &&
                     text.contains(QDir::toNativeSeparators(
                         QString::fromStdString(backups[0].strPath))),
                 qPrintable(text));
        QCOMPARE(FileBytes(backups[0].strPath), ShortBytes(theAppData.m_contacts.Bytes(), 300));
    }

    void openBackupRefusesWhatIsNoImage() {
        CFakeDialogServices services;
        CRadioProgram program;
        FillContacts(theAppData.m_contacts, 12);
        CPendrakDlg dlg;
        QFile bad(program.Path("bad.bin"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(100, '\x01'));  // a count a radio can hold: the size is wrong
        bad.close();
        services.answerPath = program.Path("bad.bin");
        AnswerOpenBackup(services, -1);
        dlg.OnOpenBackup();
        QCOMPARE(services.openTitle, QString("Open backup"));
        QCOMPARE(services.openFolder, QDir::toNativeSeparators(program.Path("Bin")));
        QCOMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].icon, BoxIcon::Error);
        QVERIFY(services.boxes[0].text.contains(QDir::toNativeSeparators(program.Path("bad.bin"))));
        QVERIFY(services.boxes[0].text.contains("100 bytes"));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 12);
        QCOMPARE(dlg.PageModel()->rowCount(), 12);

        services.answerPath.clear();  // cancelled: nothing happens
        dlg.OnOpenBackup();
        QCOMPARE(services.boxes.size(), 1);
    }

    // A damaged backup replaces the list only when the user says so; an
    // impossible count never does.
    void openBackupAsksForADamagedOneAndRefusesAnImpossibleCount() {
        CFakeDialogServices services;
        CRadioProgram program;
        FillContacts(theAppData.m_contacts, 12);
        CPendrakDlg dlg;
        auto image = std::make_unique<CContactImage>();
        image->ClearContactImage();
        FillContacts(*image, 5);
        image->SetContactRadioId(2, 0);
        const std::string damaged = program.Path("damaged.bin").toStdString();
        QCOMPARE(WriteContactImageFile(damaged, *image, true).outcome, ImageFileResult::Done);
        AnswerOpenBackup(services, -1);  // "Other file…"
        services.answerPath = program.Path("damaged.bin");
        dlg.OnOpenBackup();
        QCOMPARE(services.questions.size(), 1);
        QVERIFY(services.questions[0].text.contains("contact 3 of 5"));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 12);
        services.answerYes = true;
        dlg.OnOpenBackup();
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 5);

        image->Bytes()[0] = 0x40, image->Bytes()[1] = 0x0D, image->Bytes()[2] = 0x03;  // 200000
        QCOMPARE(WriteContactImageFile(program.Path("count.bin").toStdString(), *image, false).outcome,
                 ImageFileResult::Done);
        services.answerPath = program.Path("count.bin");
        const auto boxes = services.boxes.size();
        dlg.OnOpenBackup();
        QCOMPARE(services.boxes.size(), boxes + 1);
        QCOMPARE(services.boxes.back().icon, BoxIcon::Error);
        QVERIFY(services.boxes.back().text.contains("not a contact image: count 200000"));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 5);
    }

    void contextMenuOffersOpenBackup() {
#ifdef Q_OS_WIN
        QSKIP("on Windows these items are in the system menu (tst_PendrakDlgWindows)");
#endif
        CFakeDialogServices services;
        CRadioProgram program;
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QStringList texts;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) texts << action->text();
            menu->setActiveAction(menu->actions().value(0));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dlg.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&dlg, &event);
        QCOMPARE(texts, QStringList({"Open backup…", "Add from file…",
                                     "Update from the user database…", "Options…",
                                     "&Language", "&About Pendrak..."}));
        QCOMPARE(services.dialogs, QStringList{"Open backup"});
    }

    void aBackupThatCannotBeKeptIsTold() {
        CFakeDialogServices services;
        QFile taken(QDir::temp().filePath("pendrak-taken-%1").arg(QCoreApplication::applicationPid()));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        CRadioProgram program("BinFile=" + taken.fileName().toUtf8() + "\n");
        program.PutContactsInRadio(40, [](int n) { return n + 1; });
        const QByteArray radioBefore = FileBytes(program.MemoryFile());
        FillContacts(theAppData.m_contacts, 8);
        CPendrakDlg dlg;

        // Asked first; No writes nothing.
        Click(dlg, IDC_WRITE);
        QCOMPARE(services.questions.size(), 1);
        QVERIFY(services.questions[0].text.contains("could not be kept"));
        QVERIFY(services.questions[0].text.contains(QDir::toNativeSeparators(taken.fileName())));
        QVERIFY(!dlg.IsJobRunning());
        QCOMPARE(theAppData.m_bRadioBusy, 0);
        QVERIFY(FileBytes(program.MemoryFile()) == radioBefore);
        QCOMPARE(services.boxes.size(), 0);

        services.answerYes = true;
        RunJob(dlg, services, IDC_WRITE);
        QCOMPARE(services.questions.size(), 2);
        QCOMPARE(services.boxes.back().text, QString("<IDS_PROMPT_WRITESUCC>"));
        QVERIFY(FileBytes(program.MemoryFile()) != radioBefore);

        // A Read succeeds, and then says its backup is missing.
        RunJob(dlg, services, IDC_READ);
        QCOMPARE(services.boxes.size(), 3);
        QCOMPARE(services.boxes[1].text, QString("<IDS_PROMPT_READSUCC>"));
        QVERIFY(services.boxes[2].text.startsWith("The list read could not be kept as a backup"));
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 8);
        taken.remove();
    }

    void verifyReadsBackWhenTheSettingsAskIt() {
        CFakeDialogServices services;
        CRadioProgram program("verify=1\n");
        FillContacts(theAppData.m_contacts, 1000, [](int n) { return 7000 + n; });
        CPendrakDlg dlg;
        RunJob(dlg, services, IDC_WRITE);
        QCOMPARE(services.boxes.back().text, QString("Written and verified."));
        QCOMPARE(services.boxes.back().icon, BoxIcon::Information);
        const int blocks = (ContactImageUsedLength(1000) + WIDE_BLOCK_SIZE - 1) / WIDE_BLOCK_SIZE;
        QCOMPARE(LastSimEmulator()->BlockCount(), 2 * blocks);  // written, then read back

        // A radio that changes the last byte of block 3 (image byte 1517, the
        // 14th contact) acknowledges it all the same.
        EmulatorOptions corrupting;
        corrupting.faults.corruptBlock = 3;
        SetSimOptions(corrupting);
        RunJob(dlg, services, IDC_WRITE);
        const QString failed("Verify failed: contact 14 (radio ID 7013) differs.");
        QCOMPARE(services.boxes.back().text, failed);
        QCOMPARE(services.boxes.back().icon, BoxIcon::Error);
        QCOMPARE(services.boxes.back().caption, QString("<IDS_ERROR>"));
        QCOMPARE(dlg.Status()->text(), QString("Verify failed."));
        QCOMPARE(theAppData.m_bRadioBusy, 0);

        // Without the setting the same radio's Write looks fine.
        CRadioProgram plain;
        FillContacts(theAppData.m_contacts, 1000, [](int n) { return 7000 + n; });
        RunJob(dlg, services, IDC_WRITE);
        QCOMPARE(services.boxes.back().text, QString("<IDS_PROMPT_WRITESUCC>"));
    }
};

QTEST_MAIN(TestPendrakDlgBackup)
#include "tst_PendrakDlgBackup.moc"
