// Single contacts edited, added, deleted and undone as a user does it; the
// Options dialog and setting.txt; column widths; the page scroll; the file
// dialogs' titles and folders.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/ContactEditDlg.h"
#include "app/ContactPageModel.h"
#include "app/OptionsDlg.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "platform/CodePage.h"

using namespace pendrak;
using namespace pendrak::test;

namespace {

// Contact n: radio ID 10 * (n + 1), Callsign C<n>.
void FillTens(int count) {
    FillContacts(theAppData.m_contacts, count, [](int n) { return 10 * (n + 1); });
}

QByteArray UsedImage() {
    const int count = theAppData.m_contacts.GetContactCount();
    return QByteArray(reinterpret_cast<const char*>(theAppData.m_contacts.Bytes()),
                      ContactImageUsedLength(count)) +
           QByteArray::number(count);
}

// Runs a dialog's steps; a failed check ends them (and the test fails),
// the dialog then not accepted.
void Drive(QDialog& dialog, const std::function<void()>& steps) {
    steps();
    if (QTest::currentTestFailed()) dialog.reject();
}

// Typed over what the field held, as a keyboard or an input method sends it.
void Retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &typed);
}

}  // namespace

class TestPendrakDlgEdit : public QObject {
    Q_OBJECT

private slots:
    void init() { SetProgramCodePage(0); }

    void editAddDeleteAndUndoKeepTheSort() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "codepage=GBK\n");
        dir.Load();
        FillTens(450);
        const QByteArray before = UsedImage();
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTableView* list = dlg.ContactList();

        // Page 2, row 0 is contact 200 (ID 2010): Enter opens it.
        dlg.OnNextPage();
        list->setFocus();
        list->selectRow(0);
        services.onDialog = [&](QDialog& d) {
            Drive(d, [&] {
            auto& editor = static_cast<CContactEditDlg&>(d);
            // Another contact's ID, then out of range, then letters: each refused.
            const struct {
                const char* id;
                const char* note;
            } refused[] = {{"20", "Contact 2 (C1) has this radio ID."},
                           {"16777216", "A radio ID is 1 to 16777215."},
                           {"12a", "A radio ID has digits only."}};
            for (const auto& r : refused) {
                Retype(editor.RadioIdEdit(), r.id);
                QCOMPARE(editor.RadioIdNote()->text(), QString(r.note));
                QVERIFY(!editor.OkButton()->isEnabled());
            }
            Retype(editor.RadioIdEdit(), "16777215");  // the last ID there is
            QVERIFY(editor.OkButton()->isEnabled());
            Retype(editor.RadioIdEdit(), "5");
            // 9 bytes for 8: the last letter is cut, and shown so.
            Retype(editor.FieldEdit(CONTACT_CALLSIGN), "BG5ABCDEF");
            QCOMPARE(editor.FieldCount(CONTACT_CALLSIGN)->text(), QString("9/8 bytes"));
            QVERIFY(editor.FieldNote(CONTACT_CALLSIGN)->text().contains("<s><span style=\"color:#c00000\">F</span></s>"));
            // Nine GBK characters are 18 bytes: the ninth does not fit.
            Retype(editor.FieldEdit(CONTACT_NAME), "王小明王小明王小明");
            QCOMPARE(editor.FieldCount(CONTACT_NAME)->text(), QString("18/16 bytes"));
            // A character GBK lacks is stored as the import would store it.
            Retype(editor.FieldEdit(CONTACT_CITY), "Łódź");
            QCOMPARE(editor.FieldCount(CONTACT_CITY)->text(), QString("5/16 bytes"));
            QVERIFY(editor.FieldNote(CONTACT_CITY)->text().contains("<b>Lódz</b>"));
            QVERIFY(editor.FieldNote(CONTACT_NICKNAME)->isHidden());
            editor.OkButton()->click();
            });
            return d.result();
        };
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(services.dialogs, QStringList{"Edit contact"});
        CContactImage& image = theAppData.m_contacts;
        QCOMPARE(image.GetContactRadioId(0), 5);  // sorted to the front
        QCOMPARE(image.GetContactFieldText(CONTACT_CALLSIGN, 0), "BG5ABCDE");
        QCOMPARE(image.GetContactFieldText(CONTACT_NAME, 0),
                 "\xCD\xF5\xD0\xA1\xC3\xF7\xCD\xF5\xD0\xA1\xC3\xF7\xCD\xF5\xD0\xA1");
        QCOMPARE(image.GetContactRadioId(200), 2000);
        QCOMPARE(dlg.m_nCurPage, 0);
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 0);

        // A double-click on row 3 of page 1, its ID unchanged: it stays at 3.
        services.onDialog = [](QDialog& d) {
            auto& editor = static_cast<CContactEditDlg&>(d);
            Retype(editor.FieldEdit(CONTACT_REMARKS), "club");
            editor.OkButton()->click();
            return d.result();
        };
        const QRect row3 = list->visualRect(list->model()->index(3, 2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row3.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row3.center());
        QCOMPARE(image.GetContactFieldText(CONTACT_REMARKS, 3), "club");
        QCOMPARE(image.GetContactRadioId(3), 30);

        // Insert: a new contact between two others.
        services.onDialog = [](QDialog& d) {
            Drive(d, [&] {
                auto& editor = static_cast<CContactEditDlg&>(d);
                QCOMPARE(editor.windowTitle(), QString("New contact"));
                QVERIFY(!editor.OkButton()->isEnabled());  // no ID yet
                Retype(editor.RadioIdEdit(), "4495");
                Retype(editor.FieldEdit(CONTACT_CALLSIGN), "NEW1");
                editor.OkButton()->click();
            });
            return d.result();
        };
        QTest::keyClick(list, Qt::Key_Insert);
        QCOMPARE(image.GetContactCount(), 451);
        QCOMPARE(image.GetContactRadioId(449), 4495);
        QCOMPARE(dlg.m_nCurPage, 2);
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 49);

        // Delete: three rows are asked for; No keeps them, Yes removes them.
        dlg.OnFirstPage();
        list->selectionModel()->select(
            QItemSelection(list->model()->index(1, 0), list->model()->index(3, 8)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        services.answerYes = false;
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(services.questions.size(), 1);
        QCOMPARE(services.questions[0].text, QString("Delete the 3 selected contacts?"));
        QCOMPARE(image.GetContactCount(), 451);
        services.answerYes = true;
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(image.GetContactCount(), 448);
        QCOMPARE(image.GetContactRadioId(1), 40);
        // One row goes without a question.
        list->selectRow(0);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(services.questions.size(), 2);
        QCOMPARE(image.GetContactRadioId(0), 40);

        // Ctrl+Z five times: every change undone, byte for byte.
        for (int i = 0; i < 5; ++i) QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(UsedImage(), before);
        // The last undo shows the contact it brought back, where it was.
        QCOMPARE(dlg.m_nCurPage, 1);
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 0);
        QCOMPARE(dlg.PageModel()->ItemText(0, 1), QString("2010"));
        QVERIFY(!dlg.Editor().CanUndo());

        // An edited list is not written: closing the window asks first.
        services.answerYes = false;
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QCOMPARE(services.questions.size(), 3);
        QVERIFY2(services.questions[2].text.startsWith("The list shown was edited"),
                 qPrintable(services.questions[2].text));
        QVERIFY(dlg.isVisible());
    }

    void optionsWriteOnlyTheirKeysAndApplyAtOnce() {
        CFakeDialogServices services;
        CProgramDir dir;
        // CR LF lines, comments, keys of no concern, a key written in upper case.
        const QByteArray before =
            "; hand-made\r\n[setup]\r\nlanguage=test\r\n; the radio\r\nradio=usb\r\n"
            "VERIFY = 0\r\nprefer=\r\nown_contacts=mine.csv\r\n\r\n[other]\r\nprefer=x\r\n";
        dir.Write("Data/setting.txt", before);
        dir.Load();
        FillContacts(theAppData.m_contacts, 3);
        theAppData.m_contacts.SetContactFieldText(CONTACT_NAME, 0, "\xCD\xF5");  // 王 in GBK
        CPendrakDlg dlg;

        // A near that is no radio ID: said under the field; nothing written.
        services.onDialog = [](QDialog& d) {
            auto& options = static_cast<COptionsDlg&>(d);
            static_cast<QLineEdit*>(options.Editor("near"))->setText("99999999");
            options.OkButton()->click();
            return d.result();
        };
        dlg.OnOptions();
        QCOMPARE(ReadFile(dir.Path("Data/setting.txt")), before);

        services.onDialog = [](QDialog& d) {
            auto& options = static_cast<COptionsDlg&>(d);
            static_cast<QLineEdit*>(options.Editor("near"))->setText("99999999");
            options.OkButton()->click();
            if (options.Problem("near")->isHidden() ||
                !options.Problem("near")->text().contains("is no radio ID"))
                return 0;
            static_cast<QLineEdit*>(options.Editor("near"))->clear();
            static_cast<QLineEdit*>(options.Editor("prefer"))->setText("460,461");
            static_cast<QCheckBox*>(options.Editor("verify"))->setChecked(true);
            static_cast<QCheckBox*>(options.Editor("confirm_write"))->setChecked(false);
            auto* codePage = static_cast<QComboBox*>(options.Editor("codepage"));
            codePage->setCurrentIndex(codePage->findData(QByteArray("GBK")));
            options.OkButton()->click();
            return d.result();
        };
        dlg.OnOptions();
        QCOMPARE(services.dialogs.size(), 2);
        QCOMPARE(ReadFile(dir.Path("Data/setting.txt")),
                 QByteArray("; hand-made\r\n[setup]\r\nlanguage=test\r\n; the radio\r\nradio=usb\r\n"
                            "VERIFY = 1\r\nprefer=460,461\r\nown_contacts=mine.csv\r\n"
                            "confirm_write=0\r\ncodepage=GBK\r\n\r\n[other]\r\nprefer=x\r\n"));
        // At once: the list shows GBK, an import would prefer 460 and 461.
        QCOMPARE(GetProgramCodePage(), CP_GBK_ID);
        QCOMPARE(dlg.PageModel()->ItemText(0, 3), QString("王"));
        QCOMPARE(theAppData.m_strPrefer, std::string("460,461"));
        QCOMPARE(theAppData.m_bVerify, 1);
        QCOMPARE(theAppData.m_bConfirmWrite, 0);

        // Opened and closed with OK unchanged: not a byte moves.
        const QByteArray now = ReadFile(dir.Path("Data/setting.txt"));
        services.onDialog = [](QDialog& d) {
            static_cast<COptionsDlg&>(d).OkButton()->click();
            return d.result();
        };
        dlg.OnOptions();
        QCOMPARE(ReadFile(dir.Path("Data/setting.txt")), now);
    }

    void columnsShareTheWidthAndKeepWhatWasDragged() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 1000);
        {
            CPendrakDlg dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QTableView* list = dlg.ContactList();
            // Scrolled to the bottom of page 1, then page 2 starts at its top.
            list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
            QVERIFY(list->verticalScrollBar()->value() > 0);
            QTest::mouseClick(dlg.GetDlgItem(IDC_PAGE_NEXT), Qt::LeftButton);
            QCOMPARE(list->verticalScrollBar()->value(), 0);

            list->horizontalHeader()->resizeSection(3, 200);  // as a drag does
            QTRY_VERIFY(ReadFile(dir.Path("Data/setting.txt")).contains("column_widths="));
            QCOMPARE(QByteArray::fromStdString(theAppData.m_strColumnWidths).split(',').value(3),
                     QByteArray("200"));
        }
        // The next window starts with it, and grows it with the window.
        CPendrakDlg dlg;
        dlg.resize(dlg.size() + QSize(400, 0));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTableView* list = dlg.ContactList();
        QVERIFY(list->columnWidth(3) > 200);
        QVERIFY(list->columnWidth(3) > 2 * list->columnWidth(4));
        QCOMPARE(list->columnWidth(1), 80);
    }

    void fileDialogsAreTitledAndRememberTheirFolder() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        dir.Write("in.csv", "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n7,K7,,,,,,,\r\n");
        CPendrakDlg dlg;
        const struct {
            void (CPendrakDlg::*open)();
            const char* title;
        } purposes[] = {{&CPendrakDlg::OnImport, "Import contacts"},
                        {&CPendrakDlg::OnAddFromFile, "Add contacts from file"}};
        for (const auto& p : purposes) {
            services.answerPath = dir.Path("in.csv");
            (dlg.*p.open)();
            QCOMPARE(services.openTitle, QString(p.title));
            QCOMPARE(services.openFolder, QDir::homePath());
            (dlg.*p.open)();  // the second time, where the file was
            QCOMPARE(QDir(services.openFolder), QDir(dir.Path(".")));
        }
        const QByteArray settings = ReadFile(dir.Path("Data/setting.txt"));
        QVERIFY(settings.contains("import_folder=" + QFile::encodeName(QFileInfo(dir.Path("in.csv")).absolutePath())));
        QVERIFY(settings.contains("add_folder="));
    }
};

QTEST_MAIN(TestPendrakDlgEdit)
#include "tst_PendrakDlgEdit.moc"
