// What the window says, in the user's language, and what it asks before
// anything on screen is dropped.
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/AboutDlg.h"
#include "app/DialogMessages.h"
#include "app/DisplayText.h"
#include "app/PendrakDlg.h"
#include "app/StatusLine.h"
#include "app/UnwrittenList.h"

using namespace pendrak;
using namespace pendrak::test;

namespace {

QByteArray Shipped(const QString& language) {
    QFile file(QCoreApplication::applicationDirPath() + "/Data/" + language + ".lng");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The keys of section [String].
QSet<QString> StringKeys(const QByteArray& file) {
    QSet<QString> keys;
    bool inString = false;
    for (const QByteArray& raw : file.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[')) inString = line == "[String]";
        else if (inString && !line.startsWith(';') && line.contains('='))
            keys << line.section('=', 0, 0).trimmed();
    }
    return keys;
}

const FileErrorCause kCauses[] = {
    FileErrorCause::fileNotFound,     FileErrorCause::badPath,     FileErrorCause::accessDenied,
    FileErrorCause::sharingViolation, FileErrorCause::diskFull,    FileErrorCause::readOnly,
    FileErrorCause::isDirectory,      FileErrorCause::genericException};

}  // namespace

class TestPendrakDlgTexts : public QObject {
    Q_OBJECT

private slots:
    void bothLanguageFilesHaveEveryKey() {
        const QSet<QString> en = StringKeys(Shipped("lang_en"));
        const QSet<QString> cn = StringKeys(Shipped("lang_cn"));
        QVERIFY(en.contains("IDS_IMPORT_DONE"));
        QCOMPARE(QSet<QString>(en).subtract(cn), QSet<QString>());
        QCOMPARE(QSet<QString>(cn).subtract(en), QSet<QString>());
    }

    void textsInTheUsersLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("imported");
        QTest::addColumn<QString>("about");
        QTest::newRow("English") << "lang_en" << "Contacts imported: 250." << "&About Pendrak...";
        // Exactly what the program always showed.
        QTest::newRow("Chinese") << "lang_cn" << "导入联系人：250。" << "关于 Pendrak(&A)...";
    }
    void textsInTheUsersLanguage() {
        QFETCH(QString, language);
        QFETCH(QString, imported);
        QFETCH(QString, about);
        CProgramDir dir(Shipped(language));
        dir.Load();
        QCOMPARE(LangString("IDS_IMPORT_DONE").arg(250), imported);
        QCOMPARE(AboutMenuText(), about);
        const QString path = "/m/x %1.csv";  // a '%1' in a name is no place for an argument
        QSet<QString> seen;
        for (const FileErrorCause cause : kCauses) {
            const QString text = FileErrorMessage(cause, path);
            QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
            seen << text;
            if (language == "lang_cn")
                QCOMPARE(text, QString::fromStdString(FileErrorText(
                                   cause, QDir::toNativeSeparators(path).toStdString())));
            else
                QVERIFY2(!text.contains(QRegularExpression("[\\x{2E80}-\\x{9FFF}]")), qPrintable(text));
        }
        QCOMPARE(seen.size(), int(std::size(kCauses)));  // each cause its own words
    }

    // At the window's first size, a failure with its step and cause is shown whole.
    void statusLineShowsALongTextWhole() {
        CFakeDialogServices services;
        CProgramDir dir(Shipped("lang_en"));
        dir.Load();
        CPendrakDlg dlg;
        const QString text = LangString("IDS_ERR_WRITE") + " " +
                             LangString("IDS_STEP_DATA").arg(7590000).arg(14393344) + " " +
                             LangString("IDS_CAUSE_NOANSWER");
        dlg.Status()->SetFullText(text);
        QCOMPARE(dlg.Status()->toolTip(), text);
        const QString shown = dlg.Status()->text();
        QCOMPARE(QString(shown).replace('\n', ' '), text);
        for (const QString& line : shown.split('\n'))
            QVERIFY2(dlg.Status()->fontMetrics().horizontalAdvance(line) <=
                         dlg.Status()->contentsRect().width(),
                     qPrintable(line));
        QVERIFY(dlg.Status()->contentsRect().height() >= 2 * dlg.Status()->fontMetrics().height());
    }

    void whatClosingAsks_data() {
        QTest::addColumn<QString>("events");  // what happened to the list, in order
        QTest::addColumn<bool>("writing");
        QTest::addColumn<int>("ask");
        QTest::newRow("nothing") << "" << false << int(CloseAsk::Nothing);
        QTest::newRow("imported, written") << "iw" << false << int(CloseAsk::Nothing);
        QTest::newRow("imported, read") << "ir" << false << int(CloseAsk::Nothing);
        QTest::newRow("written, then a backup") << "wb" << false << int(CloseAsk::DropList);
        QTest::newRow("imported, a Write runs") << "i" << true << int(CloseAsk::StopWrite);
    }
    void whatClosingAsks() {
        QFETCH(QString, events);
        QFETCH(bool, writing);
        QFETCH(int, ask);
        CProgramDir dir(Shipped("lang_en"));
        dir.Load();
        CUnwrittenList list;
        for (const QChar e : events) {
            if (e == 'i') list.Changed(ListChange::Imported);
            if (e == 'b') list.Changed(ListChange::OpenedBackup);
            if (e == 'w') list.Written();
            if (e == 'r') list.ReadFromRadio();
        }
        QCOMPARE(int(CloseQuestionFor(writing, list)), ask);
        if (ask == int(CloseAsk::DropList))
            QVERIFY(list.DropQuestion().startsWith("The list shown was opened from a backup"));
    }
};

QTEST_MAIN(TestPendrakDlgTexts)
#include "tst_PendrakDlgTexts.moc"
