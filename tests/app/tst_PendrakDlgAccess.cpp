// The window with the keyboard alone and through Qt's accessibility
// interface, as a screen reader sees it; the language switched from its menu.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QTimer>
#include <QScopeGuard>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/Announce.h"
#include "app/BackupListDlg.h"
#include "app/ContactEditDlg.h"
#include "app/OptionsDlg.h"
#include "contacts/ContactEdit.h"
#include "app/ContactPageModel.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"

using namespace pendrak;
using namespace pendrak::test;

namespace {

QByteArray Shipped(const QString& language) {
    QFile file(QCoreApplication::applicationDirPath() + "/Data/" + language + ".lng");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Heard {
    QObject* object;
    QAccessible::Event type;
    QString name;
};
QVector<Heard> g_heard;

void RecordEvent(const QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    g_heard.push_back({event->object(), event->type(), iface ? iface->text(QAccessible::Name) : QString()});
}

int ControlId(QWidget* w) {
    for (; w; w = w->parentWidget())
        if (w->property(CONTROL_ID_PROPERTY).isValid()) return w->property(CONTROL_ID_PROPERTY).toInt();
    return 0;
}

// Runs `look` on the menu that opens next, then closes it with Esc.
void OnNextMenu(const std::function<void(QMenu*)>& look, int tries = 100) {
    QTimer::singleShot(tries == 100 ? 0 : 10, [look, tries] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        // A menu opened from a signal may show a moment later.
        if (!menu) {
            if (tries > 0) OnNextMenu(look, tries - 1);
            return;
        }
        look(menu);
        if (QApplication::activePopupWidget() == menu) menu->close();
    });
}

QStringList Texts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    return texts;
}

// The texts of the menu that `press` opens, whether it waits for a choice
// (the window's) or not (a text field's).
QStringList MenuAfter(const std::function<void()>& press) {
    QStringList texts;
    OnNextMenu([&](QMenu* m) { texts = Texts(m); });
    press();
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        texts = Texts(menu);
        menu->close();
    }
    QCoreApplication::processEvents();
    return texts;
}

}  // namespace

class TestPendrakDlgAccess : public QObject {
    Q_OBJECT

private slots:
    void init() { g_heard.clear(); }

    // Read, the next page, a typed page, find and Export, without the mouse.
    void keyboardAloneDoesTheWholeJob() {
        CFakeDialogServices services;
        ShortenRadioTimeouts();
        CRadioProgram program;
        program.PutContactsInRadio(450, [](int n) { return 1000 + 2 * n; });  // 3 pages
        CPendrakDlg dlg;
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));

        QTest::keyClick(&dlg, Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsJobRunning() && !services.boxes.isEmpty(), 10000);
        QCOMPARE(services.boxes.constLast().caption, QString("<IDS_PROMPT_READ>"));
        QCOMPARE(dlg.m_nPageCount, 3);
        QCOMPARE(QApplication::focusWidget(), dlg.ContactList());
        // The list shows where its focus is, on a row not chosen.
        QCOMPARE(dlg.ContactList()->currentIndex().row(), 0);
        QVERIFY(!dlg.ContactList()->selectionModel()->hasSelection());

        // From the list Tab wraps to the first control that takes it: Next.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(ControlId(QApplication::focusWidget()), IDC_PAGE_NEXT);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(dlg.m_nCurPage, 1);
        QCOMPARE(dlg.PageModel()->ItemText(0, 1), QString::number(1000 + 2 * 200));

        // The page edit takes a typed page with Enter.
        while (QApplication::focusWidget() != dlg.PageEdit())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(dlg.PageEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dlg.PageEdit(), "3");
        QTest::keyClick(dlg.PageEdit(), Qt::Key_Return);
        QCOMPARE(dlg.m_nCurPage, 2);
        QCOMPARE(QApplication::focusWidget(), dlg.PageEdit());

        // Find from anywhere, then Esc back to the list.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(dlg.FindBar()->Edit()->hasFocus());
        QTest::keyClicks(dlg.FindBar()->Edit(), "1398");  // contact 199, on page 1
        QCOMPARE(dlg.m_nCurPage, 0);
        QCOMPARE(dlg.ContactList()->currentIndex().row(), 199);
        QTest::keyClick(dlg.FindBar()->Edit(), Qt::Key_Escape);
        QVERIFY(!dlg.FindBar()->isVisible());
        QCOMPARE(QApplication::focusWidget(), dlg.ContactList());

        services.answerPath = program.Path("all.csv");
        const qsizetype boxes = services.boxes.size();
        QTest::keyClick(dlg.ContactList(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(services.boxes.size(), boxes + 1);
        QCOMPARE(services.boxes.constLast().text, QString("<IDS_SavecsvOK>"));
        QFile csv(services.answerPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 450 + 1);  // header and every page, not one
    }

    // Tab visits the controls in the template's order, each visibly focused.
    void tabFollowsTheTemplateAndShowsTheFocus() {
        CFakeDialogServices services;
        CProgramDir dir(Shipped("lang_en"));
        dir.Load();
        FillContacts(theAppData.m_contacts, 450);
        CPendrakDlg dlg;
        dlg.ShowContactPage();
        dlg.OnNextPage();  // every page button enabled
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.GetDlgItem(IDC_PAGE_FIRST)->setFocus(Qt::TabFocusReason);
        const QList<int> order = {IDC_PAGE_FIRST, IDC_PAGE_PREV, IDC_PAGE_NEXT, IDC_PAGE_LAST,
                                  IDC_PAGE_EDIT,  IDC_EXPORT,    IDC_IMPORT,    IDC_READ,
                                  IDC_WRITE,      IDC_CONTACT_LIST, IDC_PAGE_FIRST};
        QList<int> visited;
        for (int i = 0; i < order.size(); ++i) {
            QWidget* w = QApplication::focusWidget();
            visited << ControlId(w);
            // What a focused control shows differs from what it shows without.
            const QImage focused = w->grab().toImage();
            w->clearFocus();
            const QImage unfocused = w->grab().toImage();
            QVERIFY2(focused != unfocused, qPrintable(QString::number(ControlId(w))));
            w->setFocus(Qt::TabFocusReason);
            QTest::keyClick(w, Qt::Key_Tab);
        }
        QCOMPARE(visited, order);
    }

    // Shift+F10 and the Menu key open the focused control's menu: the
    // window's, the list's with the window's, or a text field's own.
    void contextMenuFromTheKeyboard() {
        CFakeDialogServices services;
        CProgramDir dir(Shipped("lang_en"));
        dir.Load();
        CPendrakDlg dlg;
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        const QStringList window = {"Open backup…", "Add from &file…", "&Update from the user database…",
                                    "&Options…", "&Language", "&About Pendrak..."};
        for (QWidget* focus : {static_cast<QWidget*>(dlg.ContactList()), dlg.GetDlgItem(IDC_READ),
                               static_cast<QWidget*>(dlg.PageEdit())}) {
            const QString name = focus->metaObject()->className();
            // Offscreen, the window is not given back its activation after a popup.
            QApplication::setActiveWindow(&dlg);
            focus->setFocus();
#ifndef Q_OS_WIN
            const QStringList shiftF10 = MenuAfter([&] { QTest::keyClick(focus, Qt::Key_F10, Qt::ShiftModifier); });
            QApplication::setActiveWindow(&dlg);
            focus->setFocus();
#endif
            // The platform turns the Menu key into a keyboard context menu event.
            const QStringList menuKey = MenuAfter([&] {
                QContextMenuEvent event(QContextMenuEvent::Keyboard, focus->rect().center(),
                                        focus->mapToGlobal(focus->rect().center()));
                QApplication::sendEvent(focus, &event);
            });
#ifdef Q_OS_WIN
            // Windows itself turns Shift+F10 into the keyboard's context menu
            // event; a simulated key press never reaches that.
            const QStringList shiftF10 = menuKey;
#endif
            QVERIFY2(!shiftF10.isEmpty(), qPrintable(name));
            QCOMPARE(menuKey, shiftF10);
            // The list's own items come first, then the window's.
            QCOMPARE(shiftF10.mid(shiftF10.size() - window.size()) == window, focus != dlg.PageEdit());
            if (focus == dlg.ContactList()) QCOMPARE(shiftF10.first(), QString("&Edit contact…"));
            if (focus == dlg.GetDlgItem(IDC_READ)) QCOMPARE(shiftF10, window);
        }
    }

    void shortcutsAreInTheTooltips() {
        CFakeDialogServices services;
        CProgramDir dir(Shipped("lang_en"));
        dir.Load();
        CPendrakDlg dlg;
        const struct {
            int id;
            const char* tip;
        } cases[] = {{IDC_READ, "Read the contact list from the radio (Ctrl+R)"},
                     {IDC_WRITE, "Write the contact list to the radio (Ctrl+Shift+W)"},
                     {IDC_IMPORT, "Replace the contacts with those of a CSV file (Ctrl+I)"},
                     {IDC_EXPORT, "Save the contacts as a CSV file (Ctrl+S)"}};
        for (const auto& c : cases) QCOMPARE(dlg.GetDlgItem(c.id)->toolTip(), QString(c.tip));
        QCOMPARE(dlg.FindBar()->Edit()->toolTip(), QString("Find a contact in the whole list (Ctrl+F)"));
    }

    // Names and descriptions, the list as a table, the page and the status
    // announced: what a screen reader gets.
    void screenReaderHearsTheWindow() {
        CFakeDialogServices services;
        CProgramDir dir(Shipped("lang_en"));
        dir.Load();
        FillContacts(theAppData.m_contacts, 450);
        CPendrakDlg dlg;
        dlg.ShowContactPage();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const struct {
            int id;
            QAccessible::Role role;
            const char* name;
        } controls[] = {
            {IDC_PAGE_FIRST, QAccessible::Button, "First page"},
            {IDC_PAGE_PREV, QAccessible::Button, "Previous page"},
            {IDC_PAGE_NEXT, QAccessible::Button, "Next page"},
            {IDC_PAGE_LAST, QAccessible::Button, "Last page"},
            {IDC_PAGE_EDIT, QAccessible::EditableText, "Page"},
            {IDC_PAGE_TOTAL, QAccessible::StaticText, "Page 1 of 3"},
            {IDC_EXPORT, QAccessible::Button, "Export"},
            {IDC_IMPORT, QAccessible::Button, "Import"},
            {IDC_READ, QAccessible::Button, "Read"},
            {IDC_WRITE, QAccessible::Button, "Write"},
            {IDC_PROGRESS, QAccessible::ProgressBar, "Progress"},
            {IDC_STATUS, QAccessible::StaticText, "Status"},
            {IDC_CONTACT_LIST, QAccessible::Table, "Contacts"},
        };
        for (const auto& c : controls) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(dlg.GetDlgItem(c.id));
            QVERIFY(iface);
            QCOMPARE(iface->role(), c.role);
            QCOMPARE(iface->text(QAccessible::Name), QString(c.name));
            if (c.id != IDC_PAGE_TOTAL)
                QVERIFY2(!iface->text(QAccessible::Description).isEmpty(), c.name);
        }

        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(dlg.ContactList());
        QAccessibleTableInterface* table = list->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 200);
        QCOMPARE(table->columnCount(), CONTACT_LIST_COLUMNS);
        QAccessibleInterface* cell = table->cellAt(199, 2);
        QCOMPARE(cell->text(QAccessible::Name), QString("C199"));
        // Qt makes a new header cell for each call and leaves it to the caller.
        QList<QAccessibleInterface*> heads = cell->tableCellInterface()->columnHeaderCells();
        const auto dropHeads = qScopeGuard([&heads] {
            for (QAccessibleInterface* head : heads)
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(head));
        });
        QCOMPARE(heads.size(), 1);
        QCOMPARE(heads[0]->text(QAccessible::Name), QString("Callsign"));
        QCOMPARE(table->cellAt(5, 0)->text(QAccessible::Name), QString("6"));
        heads += table->cellAt(5, 0)->tableCellInterface()->columnHeaderCells();
        QCOMPARE(heads.size(), 2);
        QCOMPARE(heads[1]->text(QAccessible::Name), QString("No."));

        // Qt hands events on only to an active screen reader; the offscreen
        // platform has none, so the announcements are taken where they leave.
        SetAnnounceSink(RecordEvent);
        dlg.OnLastPage();
        dlg.Status()->SetFullText("Contacts imported: 450.");
        dlg.Status()->SetFullText(" 42%", false);
        SetAnnounceSink(nullptr);
        // What is said appears as a notification, which screen readers speak.
        auto heard = [](const QString& name) {
            for (const Heard& h : g_heard)
                if (h.type == QAccessible::ObjectShow && h.name == name &&
                    QAccessible::queryAccessibleInterface(h.object)->role() == QAccessible::Notification)
                    return true;
            return false;
        };
        QVERIFY(heard("Page 3 of 3"));
        QVERIFY(heard("Status: Contacts imported: 450."));
        QCOMPARE(QAccessible::queryAccessibleInterface(dlg.PageTotal())->text(QAccessible::Name), QString("Page 3 of 3"));
        // A progress tick renames the line, and is not spoken over everything.
        QCOMPARE(QAccessible::queryAccessibleInterface(dlg.Status())->text(QAccessible::Name), QString("Status: 42%"));
        QVERIFY(!heard("Status: 42%"));
        QCOMPARE(g_heard.size(), 2);
        QCOMPARE(dlg.Status()->toolTip(), QString(" 42%"));
    }

    // The dialogs beside the window: each field named in the language shown,
    // what it says under a field heard with it.
    void dialogsNameTheirFields() {
        CFakeDialogServices services;
        CProgramDir dir(Shipped("lang_de"));
        dir.Load();
        FillContacts(theAppData.m_contacts, 3);
        COptionsDlg options(nullptr);
        CContactEditor editor(theAppData.m_contacts);
        CContactEditDlg edit(theAppData.m_contacts, -1, editor, nullptr);
        CBackupListDlg backups({}, QStringLiteral("/b"), QString(), nullptr);
        auto said = [](QWidget* w, QAccessible::Text what) {
            return QAccessible::queryAccessibleInterface(w)->text(what);
        };
        const struct {
            QWidget* widget;
            const char* name;
        } named[] = {
            {options.Editor("prefer"), "Zuerst übernehmen (Radio-ID-Präfixe, Länder)"},
            {options.Editor("verify"), "Funkgerät nach jedem Schreiben zurücklesen"},
            {options.Editor("BinFile"), "Ordner für Sicherungen (leer: wählt das Programm)"},
            {edit.RadioIdEdit(), "Radio-ID"},
            {edit.FieldEdit(CONTACT_CALLSIGN), "Rufzeichen"},
            {backups.List(), "Sicherung öffnen"},
        };
        for (const auto& n : named) QCOMPARE(said(n.widget, QAccessible::Name), QString::fromUtf8(n.name));
        // A list box's name is its choice; its label comes as a relation.
        const auto labels = QAccessible::queryAccessibleInterface(options.Editor("language"))->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].first->text(QAccessible::Name), QString("Sprache"));

        QTest::keyClicks(edit.FieldEdit(CONTACT_CALLSIGN), "DL1ABCDEFG");
        QCOMPARE(said(edit.FieldEdit(CONTACT_CALLSIGN), QAccessible::Description),
                 QString("10/8 Bytes. Gespeichert als: DL1ABCDEFG (der rote Teil passt nicht)"));
        QCOMPARE(said(edit.RadioIdEdit(), QAccessible::Description), QString("Radio-ID eingeben."));
        QTest::keyClicks(edit.RadioIdEdit(), "2");
        QCOMPARE(said(edit.RadioIdEdit(), QAccessible::Description), QString("Kontakt 2 (C1) hat diese Radio-ID."));
        QTest::keyClicks(edit.RadioIdEdit(), "0000");
        QCOMPARE(said(edit.RadioIdEdit(), QAccessible::Description), QString());

        static_cast<QLineEdit*>(options.Editor("near"))->setText("99999999");
        options.OkButton()->click();
        QVERIFY(!options.Problem("near")->text().isEmpty());
        QCOMPARE(said(options.Editor("near"), QAccessible::Description), options.Problem("near")->text());
    }

    // The Language submenu switches every text at once and keeps the choice.
    void languageMenuSwitchesAndKeepsTheChoice() {
#ifdef Q_OS_WIN
        QSKIP("on Windows the Language submenu is in the system menu, which this test does not drive");
#endif
        CFakeDialogServices services;
        CProgramDir dir;  // with test.lng, which names no language
        dir.Write("Data/setting.txt", "; mine\n[setup]\nlanguage=lang_en\n; the radio\nradio=usb\n");
        dir.Write("Data/lang_en.lng", Shipped("lang_en"));
        dir.Write("Data/lang_de.lng", Shipped("lang_de"));
        dir.Load();
        FillContacts(theAppData.m_contacts, 450);
        CPendrakDlg dlg;
        dlg.ShowContactPage();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.GetDlgItem(IDC_READ)->property("text").toString(), QString("Read"));

        QStringList titles;
        OnNextMenu([&](QMenu* m) {
            QMenu* languages = nullptr;
            for (QAction* a : m->actions())
                if (a->menu()) languages = a->menu();
            QVERIFY(languages);
            for (QAction* a : languages->actions()) titles << a->text() + (a->isChecked() ? "*" : "");
            for (QAction* a : languages->actions())
                if (a->text() == "Deutsch") a->trigger();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dlg.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&dlg, &event);
        QCOMPARE(titles, QStringList({"Deutsch", "English*", "test"}));
        QVERIFY(services.boxes.isEmpty());

        QCOMPARE(dlg.windowTitle(), QString("Kontakte"));
        QCOMPARE(dlg.GetDlgItem(IDC_READ)->property("text").toString(), QString("Lesen"));
        QCOMPARE(dlg.ContactList()->model()->headerData(2, Qt::Horizontal).toString(), QString("Rufzeichen"));
        QCOMPARE(dlg.GetDlgItem(IDC_PAGE_NEXT)->accessibleName(), QString("Nächste Seite"));
        QCOMPARE(dlg.PageTotal()->accessibleName(), QString("Seite 1 von 3"));
        QVERIFY(dlg.GetDlgItem(IDC_READ)->toolTip().endsWith("(Ctrl+R)"));
        QFile setting(dir.Path("Data/setting.txt"));
        QVERIFY(setting.open(QIODevice::ReadOnly));
        QCOMPARE(setting.readAll(), QByteArray("; mine\n[setup]\nlanguage=lang_de\n; the radio\nradio=usb\n"));
        setting.close();

        // Options offers what the menu chose, and its choice switches as much.
        QString offered;
        services.onDialog = [&offered](QDialog& d) {
            auto* language = static_cast<QComboBox*>(static_cast<COptionsDlg&>(d).Editor("language"));
            offered = language->currentText();
            language->setCurrentIndex(language->findData(QByteArray("lang_en")));
            static_cast<COptionsDlg&>(d).OkButton()->click();
            return d.result();
        };
        dlg.OnOptions();
        QCOMPARE(offered, QString("Deutsch"));
        QCOMPARE(dlg.GetDlgItem(IDC_READ)->property("text").toString(), QString("Read"));
        QCOMPARE(dlg.ContactList()->model()->headerData(2, Qt::Horizontal).toString(), QString("Callsign"));
        QCOMPARE(dlg.GetDlgItem(IDC_PAGE_NEXT)->accessibleName(), QString("Next page"));
        QCOMPARE(dlg.FindBar()->Edit()->accessibleName(), QString("Find"));
        QVERIFY(setting.open(QIODevice::ReadOnly));
        QCOMPARE(setting.readAll(), QByteArray("; mine\n[setup]\nlanguage=lang_en\n; the radio\nradio=usb\n"));
        dlg.OnLanguage("lang_de");

        // A file gone since the menu was made: told, and nothing changes.
        QFile::remove(dir.Path("Data/lang_en.lng"));
        dlg.OnLanguage("lang_en");
        QCOMPARE(services.boxes.size(), 1);
        QVERIFY(services.boxes[0].text.contains("lang_en"));
        QCOMPARE(dlg.windowTitle(), QString("Kontakte"));
        QCOMPARE(theAppData.LanguageInForce(), std::string("lang_de"));
    }
};

QTEST_MAIN(TestPendrakDlgAccess)
#include "tst_PendrakDlgAccess.moc"
