// Start-up, texts, layout and paging of the contact window.
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/AboutDlg.h"
#include "app/ContactPageModel.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"

using namespace pendrak;
using namespace pendrak::test;

class TestPendrakDlg : public QObject {
    Q_OBJECT

    static QString ButtonText(CPendrakDlg& dlg, int id) {
        return static_cast<QPushButton*>(dlg.GetDlgItem(id))->text();
    }
    static bool Enabled(CPendrakDlg& dlg, int id) { return dlg.GetDlgItem(id)->isEnabled(); }
    static QString Cell(CPendrakDlg& dlg, int row, int column) {
        return dlg.PageModel()->ItemText(row, column);
    }

private slots:
    void startsEmptyWithLocalisedTexts() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString("Kontakte"));
        QCOMPARE(dlg.PageModel()->rowCount(), 0);
        QCOMPARE(dlg.PageEdit()->text(), QString("1"));
        QCOMPARE(dlg.PageTotal()->text(), QString("/1"));
        for (int id : {IDC_PAGE_FIRST, IDC_PAGE_PREV, IDC_PAGE_NEXT, IDC_PAGE_LAST})
            QVERIFY(!Enabled(dlg, id));
        QCOMPARE(dlg.Status()->text(), QString());
        QCOMPARE(dlg.Progress()->minimum(), 0);
        QCOMPARE(dlg.Progress()->maximum(), 1024);
        QCOMPARE(dlg.Progress()->value(), 0);
        // Given texts replace the template's; an empty entry keeps it.
        QCOMPARE(ButtonText(dlg, IDC_PAGE_FIRST), QString("|<<"));
        QCOMPARE(ButtonText(dlg, IDC_READ), QString("Lesen"));
        QCOMPARE(ButtonText(dlg, IDC_WRITE), QString("Write"));
        QCOMPARE(ButtonText(dlg, IDC_EXPORT), QString("Ausgabe"));
        QCOMPARE(ButtonText(dlg, IDC_IMPORT), QString("导入"));
        QVERIFY(services.boxes.isEmpty());
    }

    void templateTextsWithoutResourceEntries() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(false));
        dir.Load();
        CPendrakDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString());
        const QStringList expected = {"|<", "<", ">", ">|", "导出", "导入", "Read", "Write"};
        const int ids[] = {IDC_PAGE_FIRST, IDC_PAGE_PREV, IDC_PAGE_NEXT, IDC_PAGE_LAST,
                           IDC_EXPORT,     IDC_IMPORT,    IDC_READ,      IDC_WRITE};
        for (int i = 0; i < expected.size(); ++i) QCOMPARE(ButtonText(dlg, ids[i]), expected[i]);
    }

    void languageTextsFollowTheByteOrderMark() {
        // Without a mark the file is in the program's code page (GBK here).
        CFakeDialogServices services;
        CProgramDir gbk("[Resource]\n102=\xC1\xAA\xCF\xB5\xC8\xCB\n", "codepage=GBK\n");
        gbk.Load();
        CPendrakDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString("联系人"));

        CProgramDir utf8("\xEF\xBB\xBF[Resource]\n102=\xE8\x81\x94\xE7\xB3\xBB\n", "codepage=GBK\n");
        utf8.Load();
        CPendrakDlg dlg2;
        QCOMPARE(dlg2.windowTitle(), QString("联系"));
    }

    void missingSettingsShowsTheMessageBeforeTheWindow() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), {}, false);
        // As a fresh process has them: no language file, no contacts.
        theAppData.m_langFile.Close();
        theAppData.m_contacts.ClearContactImage();
        bool dialogExistedAtBox = true;
        services.onBox = [&](const RecordedBox&) {
            dialogExistedAtBox = false;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<CPendrakDlg*>(w)) dialogExistedAtBox = true;
        };
        bool shown = false;
        QString caption = "unset";
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dlg = qobject_cast<CPendrakDlg*>(w); dlg && dlg->isVisible()) {
                    shown = true;
                    caption = dlg->windowTitle();
                    dlg->reject();
                }
        });
        CPendrakApp app(dir.ProgramPath());
        app.InitInstance();
        QCOMPARE(services.boxes.size(), 1);
        QCOMPARE(services.boxes[0].text, QString("Can not find the file setting!"));
        QCOMPARE(services.boxes[0].caption, QString("pendrak"));
        QCOMPARE(services.boxes[0].icon, BoxIcon::Error);
        QVERIFY(services.boxes[0].owner == nullptr);
        QVERIFY(!dialogExistedAtBox);
        QVERIFY(shown);
        QCOMPARE(caption, QString());
    }

    void layoutFollowsTheTemplate() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        QList<int> order;
        for (QObject* child : dlg.children())
            if (child->property(CONTROL_ID_PROPERTY).isValid())
                order << child->property(CONTROL_ID_PROPERTY).toInt();
        QCOMPARE(order, (QList<int>{7303, 7304, 7305, 7306, 7307, 7308, 7313, 7314, 7316, 7317,
                                    7318, 7315, 1003}));
        const QFont f = dlg.font();
        QCOMPARE(dlg.size(), CPendrakDlg::DialogUnitsToPixels(QRect(0, 0, 423, 326), f).size());
        QCOMPARE(dlg.GetDlgItem(IDC_CONTACT_LIST)->geometry(),
                 CPendrakDlg::DialogUnitsToPixels(QRect(7, 7, 409, 253), f));
        QCOMPARE(dlg.GetDlgItem(IDC_WRITE)->geometry(),
                 CPendrakDlg::DialogUnitsToPixels(QRect(100, 304, 43, 13), f));
        QTableView* list = dlg.ContactList();
        QVERIFY(list->showGrid());
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        const QStringList headings = {"",     "Radio ID", "Callsign", "Name",   "Nickname",
                                      "City", "State",    "Country",  "Remarks"};
        for (int c = 0; c < 9; ++c) {
            QCOMPARE(dlg.PageModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                     headings[c]);
            if (c > 0) QCOMPARE(list->columnWidth(c), 80);
        }
        QVERIFY(list->columnWidth(0) >= 50);
    }

    void rowNumbersOfTheLastPagesShowInFull() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, MAX_CONTACTS);
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.OnLastPage();
        QCOMPARE(Cell(dlg, 199, 0), QString("130000"));
        // What the view itself asks for its widest row number, margins and grid included.
        const QAbstractItemView* view = dlg.ContactList();
        QVERIFY2(dlg.ContactList()->columnWidth(0) >= view->sizeHintForColumn(0),
                 "\"130000\" is cut");
    }

    void theWindowGrowsTheListTakesTheRoom() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 500);
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QSize start = dlg.size();
        QMap<QWidget*, QRect> before;
        for (QObject* child : dlg.children())
            if (child->property(CONTROL_ID_PROPERTY).isValid())
                before[static_cast<QWidget*>(child)] = static_cast<QWidget*>(child)->geometry();
        dlg.OnFindOpen();

        // Never smaller than the template; larger by hand; maximised.
        const std::function<void()> sizes[] = {
            [&] { dlg.resize(start - QSize(100, 100)); },
            [&] { dlg.resize(start + QSize(300, 200)); },
            [&] { dlg.showMaximized(); },
        };
        for (const auto& size : sizes) {
            size();
            QTRY_VERIFY(dlg.width() >= start.width() && dlg.height() >= start.height());
            QTest::qWait(20);
            const QPoint grown(dlg.width() - start.width(), dlg.height() - start.height());
            for (auto it = before.cbegin(); it != before.cend(); ++it) {
                const QRect now = it.key()->geometry();
                QVERIFY(dlg.rect().contains(now));
                if (it.key() == dlg.ContactList()) {
                    // The open find field takes a strip at the top right of
                    // the list's room; the list starts below it.
                    QRect area = it.value().adjusted(0, 0, grown.x(), grown.y());
                    const QRect bar = dlg.FindBar()->geometry();
                    QCOMPARE(bar.topRight(), area.topRight());
                    area.setTop(bar.bottom() + 2);
                    QCOMPARE(now, area);
                } else {
                    // The same distance from the bottom edge, the same x.
                    QCOMPARE(now.topLeft(), it.value().topLeft() + QPoint(0, grown.y()));
                    QVERIFY(!now.intersects(dlg.ContactList()->geometry()));
                }
            }
            QVERIFY(!dlg.ContactList()->geometry().intersects(dlg.FindBar()->geometry()));
        }
        QVERIFY(dlg.isMaximized());
        QVERIFY(dlg.width() > start.width() && dlg.height() > start.height());
        // The radio ID keeps its width; the texts share the rest of the list's.
        QTableView* list = dlg.ContactList();
        QCOMPARE(list->columnWidth(1), 80);
        const auto sum = [list] {
            int width = 0;
            for (int c = 0; c < 9; ++c) width += list->columnWidth(c);
            return width;
        };
        QTRY_COMPARE(sum(), list->viewport()->width());
        for (int c = 2; c < 9; ++c) QVERIFY(list->columnWidth(c) > 80);
        QCOMPARE(list->columnWidth(2), list->columnWidth(7));
    }

    void enterKeepsTheWindowEscapeCloses() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.PageEdit()->setFocus();
        QTest::keyClick(dlg.PageEdit(), Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Enter);
        QVERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }

    void aboutBoxFromTheSystemCommand() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        CPendrakDlg dlg;
        QString title;
        QTimer::singleShot(0, [&] {
            if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
                title = about->windowTitle();
                about->accept();
            }
        });
        dlg.OnSysCommand(IDM_ABOUTBOX | 0x7);  // the low four bits do not count
        QCOMPARE(title, QString("About Pendrak"));
    }

    void pagesForCounts_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("lastPageRows");
        QTest::newRow("0") << 0 << 1 << 0;
        QTest::newRow("199") << 199 << 1 << 199;
        QTest::newRow("200") << 200 << 1 << 200;
        QTest::newRow("201") << 201 << 2 << 1;
        QTest::newRow("130000") << 130000 << 650 << 200;
    }
    void pagesForCounts() {
        QFETCH(int, count);
        QFETCH(int, pages);
        QFETCH(int, lastPageRows);
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, count);
        CPendrakDlg dlg;
        QCOMPARE(dlg.m_nPageCount, pages);
        QCOMPARE(dlg.PageTotal()->text(), QString("/%1").arg(pages));
        QCOMPARE(dlg.PageModel()->rowCount(), pages == 1 ? count : 200);
        if (count > 0) {
            QCOMPARE(Cell(dlg, 0, 0), QString("1"));
            QCOMPARE(Cell(dlg, 0, 1), QString("1"));
            QCOMPARE(Cell(dlg, 0, 2), QString("C0"));
        }
        QCOMPARE(Enabled(dlg, IDC_PAGE_NEXT), pages > 1);
        QCOMPARE(Enabled(dlg, IDC_PAGE_LAST), pages > 1);
        dlg.OnLastPage();
        QCOMPARE(dlg.PageEdit()->text(), QString::number(pages));
        QCOMPARE(dlg.PageModel()->rowCount(), lastPageRows);
        if (lastPageRows > 0) {
            const int first = (pages - 1) * 200 + 1;
            QCOMPARE(Cell(dlg, 0, 0), QString::number(first));
            QCOMPARE(Cell(dlg, lastPageRows - 1, 0), QString::number(count));
            QCOMPARE(Cell(dlg, lastPageRows - 1, 2), QString("C%1").arg(count - 1));
        }
        QVERIFY(!Enabled(dlg, IDC_PAGE_NEXT));
        QCOMPARE(Enabled(dlg, IDC_PAGE_PREV), pages > 1);
        if (count == 0) QCOMPARE(dlg.m_nFirstIndex, -1);
    }

    void navigationSteps() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 1000);
        CPendrakDlg dlg;
        QSignalSpy refills(dlg.PageModel(), &QAbstractItemModel::modelReset);
        dlg.OnPrevPage();  // disabled on page 1: nothing happens
        dlg.OnFirstPage();
        QCOMPARE(refills.count(), 0);
        dlg.OnNextPage();
        dlg.OnNextPage();
        QCOMPARE(dlg.m_nCurPage, 2);
        QCOMPARE(dlg.m_nFirstIndex, 400);
        QCOMPARE(Cell(dlg, 0, 0), QString("401"));
        dlg.OnPrevPage();
        QCOMPARE(dlg.PageEdit()->text(), QString("2"));
        dlg.OnLastPage();
        QCOMPARE(dlg.m_nFirstIndex, 800);
        const qsizetype before = refills.count();
        dlg.OnNextPage();
        dlg.OnLastPage();
        QCOMPARE(refills.count(), before);
        QTest::mouseClick(dlg.GetDlgItem(IDC_PAGE_FIRST), Qt::LeftButton);
        QCOMPARE(dlg.m_nCurPage, 0);
        QVERIFY(!Enabled(dlg, IDC_PAGE_FIRST));
    }

    void headerCountAboveLimitShowsNothing() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 300);
        unsigned char* header = theAppData.m_contacts.Bytes();
        header[0] = header[1] = header[2] = 0xFF;
        CPendrakDlg dlg;
        QCOMPARE(dlg.PageModel()->rowCount(), 0);
        QCOMPARE(dlg.PageTotal()->text(), QString("/1"));
    }

    void pageEdit_data() {
        QTest::addColumn<int>("startPage");  // 0-based
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("refilled");
        QTest::newRow("zero") << 1 << "0" << "1" << true;
        QTest::newRow("empty") << 1 << "" << "1" << true;
        QTest::newRow("negative") << 1 << "-5" << "1" << true;
        QTest::newRow("beyond") << 0 << "9999" << "10" << true;
        QTest::newRow("leading zeros, same page") << 6 << "007" << "7" << false;
        QTest::newRow("blanks and trailing text") << 0 << "  3abc" << "3" << true;
        QTest::newRow("no digits") << 4 << "abc" << "1" << true;
        QTest::newRow("above 32 bits") << 0 << "99999999999" << "10" << true;
        QTest::newRow("below 32 bits") << 3 << "-99999999999" << "1" << true;
        QTest::newRow("plus sign") << 0 << "+4" << "4" << true;
    }
    void pageEdit() {
        QFETCH(int, startPage);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, refilled);
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 1999);  // 10 pages
        CPendrakDlg dlg;
        for (int i = 0; i < startPage; ++i) dlg.OnNextPage();
        QSignalSpy refills(dlg.PageModel(), &QAbstractItemModel::modelReset);
        dlg.PageEdit()->setText(typed);
        dlg.OnKillFocusPageEdit();
        QCOMPARE(dlg.PageEdit()->text(), shown);
        QCOMPARE(dlg.m_nCurPage, shown.toInt() - 1);
        QCOMPARE(refills.count() > 0, refilled);
        QCOMPARE(Cell(dlg, 0, 0), QString::number((shown.toInt() - 1) * 200 + 1));
    }

    void pageEditActsOnFocusLossAndEnterNotOnAContextMenu() {
        CFakeDialogServices services;
        CProgramDir dir;
        dir.Load();
        FillContacts(theAppData.m_contacts, 1000);
        CPendrakDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QApplication::setActiveWindow(&dlg);
        dlg.PageEdit()->setFocus();
        dlg.PageEdit()->setText("4");
        QTest::keyClick(dlg.PageEdit(), Qt::Key_Return);
        QCOMPARE(dlg.m_nCurPage, 3);
        dlg.PageEdit()->setText("2");
        dlg.GetDlgItem(IDC_READ)->setFocus();
        QTRY_COMPARE(dlg.m_nCurPage, 1);
        QVERIFY(dlg.isVisible());
        dlg.OnFirstPage();

        // A context menu, the dialog's or the edit's own, takes the focus for
        // a moment: that is no leaving. (On Windows the dialog has none: its
        // items are in the system menu.)
        QList<QWidget*> targets{dlg.PageEdit()};
#ifndef Q_OS_WIN
        targets.prepend(&dlg);
#endif
        for (QWidget* target : targets) {
            dlg.PageEdit()->setFocus();
            QTRY_VERIFY(dlg.PageEdit()->hasFocus());
            dlg.PageEdit()->setText("4");
            bool menuShown = false;
            QTimer::singleShot(50, [&] {
                if (QWidget* menu = QApplication::activePopupWidget()) {
                    menuShown = true;
                    menu->close();
                }
            });
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                    target->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(target, &event);  // the edit's menu does not wait
            QTRY_VERIFY(menuShown);
            QCOMPARE(dlg.m_nCurPage, 0);
            QCOMPARE(dlg.PageEdit()->text(), QString("4"));
            // Leaving it for real still applies the page.
            dlg.ContactList()->setFocus();
            QTRY_COMPARE(dlg.m_nCurPage, 3);
            dlg.OnFirstPage();
        }
    }

    void shippedStatusTextsFitTheStatusLine_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "lang_en";
        QTest::newRow("Chinese") << "lang_cn";
    }
    void shippedStatusTextsFitTheStatusLine() {
        QFETCH(QString, language);
        QFile shipped(QCoreApplication::applicationDirPath() + "/Data/" + language + ".lng");
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        CFakeDialogServices services;
        CProgramDir dir(shipped.readAll());
        dir.Load();
        CPendrakDlg dlg;
        const QLabel* status = dlg.Status();
        for (const char* key : {"IDS_PROMPT_READSUCC", "IDS_PROMPT_WRITESUCC", "IDS_ERR_READ",
                                "IDS_ERR_WRITE", "IDS_PROMPT_VERIFYSUCC", "IDS_ERR_VERIFYSTATUS"}) {
            const QString text = LangString(key);
            QVERIFY2(!text.isEmpty(), key);
            QVERIFY2(!text.contains('\n'), key);
            QVERIFY2(
                status->fontMetrics().horizontalAdvance(text) <= status->contentsRect().width(),
                qPrintable(text));
        }
    }

    void messageBoxesAndLabelsShowTextAsWritten() {
        const QString html = "<b>x</b> in C:\\<i>y</i>";
        QString shown;
        Qt::TextFormat format = Qt::RichText;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                format = box->textFormat();
                if (auto* label = box->findChild<QLabel*>("qt_msgbox_label")) shown = label->text();
                box->accept();
            }
        });
        CQtDialogServices().MessageBox(nullptr, html, "caption", BoxIcon::Error);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shown, html);

        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(false).replace("=<IDS_ERR_WRITE>", "=<b>x</b>"));
        dir.Load();
        CPendrakDlg dlg;
        dlg.Job().nState = JOB_WRITE_FAILED;
        dlg.OnTimer(ID_TIMER_JOB);
        for (const QLabel* label : {static_cast<QLabel*>(dlg.Status()), dlg.PageTotal()}) {
            // Drawn as typed, the text takes the width of its tags too.
            const QString text = label == dlg.PageTotal() ? QString("/1") : QString("<b>x</b>");
            QCOMPARE(label->text(), text);
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QVERIFY(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(text));
        }
    }

    void contactTextsDecodedWithoutChangingBytes() {
        CFakeDialogServices services;
        CProgramDir dir(KeyedLanguageFile(true), "codepage=GBK\n");
        dir.Load();
        CContactImage& image = theAppData.m_contacts;
        FillContacts(image, 1);
        // 王伟 in GBK; then a Name cut inside its last character.
        image.SetContactFieldText(CONTACT_NAME, 0, "\xCD\xF5\xCE\xB0");
        image.SetContactFieldText(CONTACT_CITY, 0, std::string("ABCDEFGHIJKLMNO\xCD", 16));
        const QByteArray before(reinterpret_cast<const char*>(image.Bytes()), 200);
        CPendrakDlg dlg;
        QCOMPARE(Cell(dlg, 0, 3), QString("王伟"));
        QCOMPARE(Cell(dlg, 0, 5), QString("ABCDEFGHIJKLMNO") + QChar(0xFFFD));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.Bytes()), 200), before);
    }
};

QTEST_MAIN(TestPendrakDlg)
#include "tst_PendrakDlg.moc"
