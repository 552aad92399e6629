// The find field: Ctrl+F, typing, Enter/F3/Shift+F3 across the pages of
// the whole image, Esc.
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/ContactPageModel.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"

using namespace pendrak;
using namespace pendrak::test;

namespace {

// 130,000 contacts: callsigns C0 to C129999 and radio IDs n+1 from
// FillContacts, two names "Wang", and 王伟 (GBK) on the last page.
void FillFindList() {
    CContactImage& image = theAppData.m_contacts;
    FillContacts(image, MAX_CONTACTS);
    image.SetContactFieldText(CONTACT_NAME, 5, "Wang Wei");
    image.SetContactFieldText(CONTACT_CITY, 450, "Wangjing");
    image.SetContactFieldText(CONTACT_NAME, MAX_CONTACTS - 1, "\xCD\xF5\xCE\xB0");
    image.SetContactFieldText(CONTACT_NICKNAME, 7, "?");
}

struct Shown {
    int page;  // 0-based
    int row;
};

Shown SelectedRow(CPendrakDlg& dlg) {
    const QModelIndexList rows = dlg.ContactList()->selectionModel()->selectedRows();
    return {dlg.m_nCurPage, rows.size() == 1 ? rows.first().row() : -1};
}

// In view, and no cell of it under the find field.
bool RowInView(CPendrakDlg& dlg, int row) {
    QTableView* list = dlg.ContactList();
    QRect cells = list->visualRect(list->model()->index(row, 0));
    cells.setLeft(0);
    cells.setRight(list->viewport()->width() - 1);
    const QRect onDialog(list->viewport()->mapTo(&dlg, cells.topLeft()), cells.size());
    return list->viewport()->rect().contains(cells) &&
           !(dlg.FindBar()->isVisible() && dlg.FindBar()->geometry().intersects(onDialog));
}

}  // namespace

class TestPendrakDlgFind : public QObject {
    Q_OBJECT

private slots:
    void findsOverThePagesAndWrapsAround() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "codepage=GBK\n");
        dir.Load();
        FillFindList();
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QApplication::setActiveWindow(&dlg);
        CFindBar* bar = dlg.FindBar();
        QVERIFY(!bar->isVisible());

        QTest::keyClick(&dlg, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QTRY_VERIFY(bar->Edit()->hasFocus());
        QVERIFY(!dlg.ContactList()->geometry().intersects(bar->geometry()));

        struct Step {
            const char* what;
            std::function<void()> act;
            int page, row;
            QString result;
        };
        const Step steps[] = {
            {"typed, any case", [&] { QTest::keyClicks(bar->Edit(), "WANG"); }, 0, 5, "1/2"},
            {"the first row of a page", [&] { bar->Edit()->setText("C400"); }, 2, 0, "1/111"},
            {"again", [&] { bar->Edit()->setText("wang"); }, 0, 5, "1/2"},
            {"Enter", [&] { QTest::keyClick(bar->Edit(), Qt::Key_Return); }, 2, 50, "2/2"},
            {"F3 wraps", [&] { QTest::keyClick(bar->Edit(), Qt::Key_F3); }, 0, 5, "1/2"},
            {"Shift+F3 wraps back",
             [&] { QTest::keyClick(bar->Edit(), Qt::Key_F3, Qt::ShiftModifier); }, 2, 50, "2/2"},
            // The radio ID first, then the callsign that holds the digits.
            {"an ID", [&] { bar->Edit()->setText("70001"); }, 350, 0, "1/2"},
            {"F3 from the list", [&] { QTest::keyClick(dlg.ContactList(), Qt::Key_F3); }, 350, 1,
             "2/2"},
            {"GBK on the last page", [&] { bar->Edit()->setText("王伟"); }, 649, 199, "1/1"},
            {"the second character", [&] { bar->Edit()->setText("伟"); }, 649, 199, "1/1"},
        };
        for (const Step& step : steps) {
            step.act();
            QCOMPARE(SelectedRow(dlg).page, step.page);
            QCOMPARE(SelectedRow(dlg).row, step.row);
            QCOMPARE(dlg.PageEdit()->text(), QString::number(step.page + 1));
            QCOMPARE(bar->Result()->text(), step.result);
            QVERIFY2(RowInView(dlg, step.row), step.what);
            QVERIFY2(bar->Edit()->hasFocus(), step.what);
        }
        QCOMPARE(dlg.PageModel()->ItemText(199, 3), QString("王伟"));

        // No match: said so; the page stays, the row of the last match is no
        // longer selected. 跷 is F5 CE in GBK, found in 王伟 only from its
        // trail byte; ش has no GBK form and must not turn into a '?' that matches.
        for (const QString& text : {QString("zzqq"), QString("跷"), QString("ش")}) {
            bar->Edit()->setText("王伟");
            QCOMPARE(SelectedRow(dlg).row, 199);
            bar->Edit()->setText(text);
            QCOMPARE(bar->Result()->text(), QString("No match"));
            QCOMPARE(dlg.m_nCurPage, 649);
            QCOMPARE(dlg.ContactList()->selectionModel()->selectedRows().size(), 0);
        }
        QTest::keyClick(bar->Edit(), Qt::Key_Return);
        QCOMPARE(dlg.m_nCurPage, 649);

        // Esc closes the field, a second Esc the window.
        QTest::keyClick(bar->Edit(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(dlg.isVisible());
        QTest::keyClick(dlg.ContactList(), Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
    }

    // A RadioID-style list imported into a GBK radio: what the import
    // transliterated is found by what the user types.
    void findsWhatTheImportStored() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "codepage=GBK\n");
        dir.Load();
        dir.Write("user.csv",
                  "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY\n"
                  "2021234,SV1ABC,Γιώργος,Παπαδόπουλος,Αθήνα,,Greece\n"
                  "2601111,SP5XYZ,Łukasz,Kowalski,Łódź,,Poland\n"
                  "2501234,R3ABC,Иван,Петров,Москва,,Russia\n"
                  "2621234,DL1ABC,Jürgen,Schmidt,Köln,NRW,Germany\n"
                  "2629999,DL9ZZZ,Hans,Lodzinski,Berlin,,Germany\n");
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        services.answerPath = dir.Path("user.csv");
        QTest::mouseClick(dlg.GetDlgItem(IDC_IMPORT), Qt::LeftButton);
        QCOMPARE(theAppData.m_contacts.GetContactCount(), 5);  // sorted: 2021234 first
        dlg.OnFindOpen();
        CFindBar* bar = dlg.FindBar();
        const struct {
            const char* typed;
            int row;
            const char* result;
        } cases[] = {
            {"Γιώργος", 0, "1/1"},  // ς has no GBK form: stored and looked for as s
            {"γιωργος", 0, "1/1"},  // without the accent
            {"Łódź", 2, "1/2"},     // Ł and ź spelled L and z, ó kept
            {"lodz", 2, "1/2"},     // and Lodzinski
            {"иван", 1, "1/1"},     // lower case Cyrillic in GBK
            {"köln", 3, "1/1"},     // stored as Koln
            {"KOLN", 3, "1/1"},
        };
        for (const auto& c : cases) {
            bar->Edit()->setText(QString::fromUtf8(c.typed));
            QVERIFY2(bar->Result()->text() == c.result,
                     qPrintable(QString::fromUtf8(c.typed) + ": " + bar->Result()->text() + " " +
                                dlg.PageModel()->ItemText(0, 3) + dlg.PageModel()->ItemText(0, 5)));
            QCOMPARE(SelectedRow(dlg).row, c.row);
            QVERIFY2(RowInView(dlg, c.row), c.typed);
        }
    }

    void f3WithTheFieldClosedGoesOn() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 1000);
        theAppData.m_contacts.SetContactFieldText(CONTACT_STATE, 800, "Bavaria");
        theAppData.m_contacts.SetContactFieldText(CONTACT_STATE, 900, "bavaria");
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.OnFindOpen();
        dlg.FindBar()->Edit()->setText("BAVARIA");
        QCOMPARE(SelectedRow(dlg).page, 4);
        QCOMPARE(SelectedRow(dlg).row, 0);
        dlg.FindBar()->Close();
        // A row the user picked is where the next search starts.
        dlg.OnFirstPage();
        dlg.ContactList()->selectRow(3);
        dlg.OnFindNext();
        QVERIFY(dlg.FindBar()->isVisible());
        QCOMPARE(SelectedRow(dlg).row, 0);
        QCOMPARE(SelectedRow(dlg).page, 4);
        dlg.OnFindNext();
        QCOMPARE(SelectedRow(dlg).row, 100);
        // An empty field finds nothing and moves nothing.
        dlg.FindBar()->Edit()->clear();
        dlg.OnFindPrevious();
        QCOMPARE(SelectedRow(dlg).row, 100);
        QCOMPARE(dlg.FindBar()->Result()->text(), QString());
    }
};

QTEST_MAIN(TestPendrakDlgFind)
#include "tst_PendrakDlgFind.moc"
