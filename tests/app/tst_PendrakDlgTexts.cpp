// What the window says, in the user's language, and what it asks before
// anything on screen is dropped.
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/AboutDlg.h"
#include "app/ContactPageModel.h"
#include "app/DialogMessages.h"
#include "app/DisplayText.h"
#include "app/ImportReportView.h"
#include "app/PendrakDlg.h"
#include "app/StatusLine.h"
#include "app/UnwrittenList.h"
#include "csv/ImportReport.h"

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
        CContactPageModel model;
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Radio ID"));
        QCOMPARE(model.headerData(8, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Remarks"));

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

    void statusLineKeepsALongReportWhole_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "lang_en";
        QTest::newRow("Chinese") << "lang_cn";
    }
    void statusLineKeepsALongReportWhole() {
        QFETCH(QString, language);
        CFakeDialogServices services;
        CProgramDir dir(Shipped(language), "codepage=GBK\n");
        dir.Load();
        CPendrakDlg dlg;
        CsvImportReport report;
        report.nLines = 290001;
        report.nTaken = 130000;
        report.nHeader = 1;
        report.nOverCapacity = 159999;
        report.nNoId = 1;
        const QString summary = QString::fromStdString(FormatImportSummary(report, DialogReportText()));
        QVERIFY(summary.contains("160000"));
        dlg.Status()->SetFullText(summary);
        QCOMPARE(dlg.Status()->toolTip(), summary);
        QCOMPARE(dlg.Status()->text(), summary);  // one line is room enough
        // A failure that names its step and cause takes two lines, not one cut.
        const QString failure = LangString("IDS_ERR_WRITE") + " " +
                                LangString("IDS_STEP_DATA").arg(7590000).arg(14393344) + " " +
                                LangString("IDS_CAUSE_NOANSWER");
        dlg.Status()->SetFullText(failure);
        const QString shown = dlg.Status()->text();
        QVERIFY(!shown.contains(QChar(0x2026)));
        QVERIFY(shown.contains("7590000") && shown.contains("14393344"));
        const QFontMetrics fm(dlg.Status()->font());
        QVERIFY(dlg.Status()->contentsRect().height() >= 2 * fm.height());
        for (const QString& line : shown.split('\n'))
            QVERIFY2(fm.horizontalAdvance(line) <= dlg.Status()->contentsRect().width(),
                     qPrintable(line));
    }

    void fittingToTwoLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("room");  // the width, as a share of the text's own
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("cut");
        const QString words = QString("word ").repeated(14).trimmed();
        QTest::newRow("fits") << "Read 450 contacts." << 1.2 << 1 << false;
        QTest::newRow("two lines") << words << 0.6 << 2 << false;
        QTest::newRow("no blanks") << QString("联系人").repeated(6) << 0.6 << 2 << false;
        QTest::newRow("too long") << words << 0.3 << 2 << true;
        QTest::newRow("a line end") << "first\nsecond" << 1.2 << 1 << false;
    }
    void fittingToTwoLines() {
        QFETCH(QString, text);
        QFETCH(double, room);
        QFETCH(int, lines);
        QFETCH(bool, cut);
        QFont font;
        const QFontMetrics fm(font);
        const int width = int(fm.horizontalAdvance(text) * room);
        const QString fitted = FitToTwoLines(text, font, width);
        QCOMPARE(fitted.count('\n') + 1, lines);
        QCOMPARE(fitted.endsWith(QChar(0x2026)), cut);
        for (const QString& line : fitted.split('\n'))
            QVERIFY2(fm.horizontalAdvance(line) <= width, qPrintable(line));
        QString flat = text;
        flat.replace('\n', ' ');
        if (!cut) QCOMPARE(QString(fitted).remove('\n').remove(' '), QString(flat).remove(' '));
    }

    void whatClosingAsks_data() {
        QTest::addColumn<QString>("events");  // what happened to the list, in order
        QTest::addColumn<bool>("writing");
        QTest::addColumn<int>("ask");
        QTest::newRow("nothing") << "" << false << int(CloseAsk::Nothing);
        QTest::newRow("imported") << "i" << false << int(CloseAsk::DropList);
        QTest::newRow("added to") << "a" << false << int(CloseAsk::DropList);
        QTest::newRow("backup opened") << "b" << false << int(CloseAsk::DropList);
        QTest::newRow("edited") << "e" << false << int(CloseAsk::DropList);
        QTest::newRow("imported, written") << "iw" << false << int(CloseAsk::Nothing);
        QTest::newRow("imported, read") << "ir" << false << int(CloseAsk::Nothing);
        QTest::newRow("written, edited") << "we" << false << int(CloseAsk::DropList);
        QTest::newRow("a Write runs") << "" << true << int(CloseAsk::StopWrite);
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
            if (e == 'a') list.Changed(ListChange::Added);
            if (e == 'b') list.Changed(ListChange::OpenedBackup);
            if (e == 'e') list.Changed(ListChange::Edited);
            if (e == 'w') list.Written();
            if (e == 'r') list.ReadFromRadio();
        }
        QCOMPARE(int(CloseQuestionFor(writing, list)), ask);
        if (ask == int(CloseAsk::DropList)) {
            const char* how[] = {"imported", "added to from a file", "opened from a backup", "edited"};
            QVERIFY2(list.DropQuestion().startsWith(QString("The list shown was ") +
                                                    how[int(list.LastChange())]),
                     qPrintable(list.DropQuestion()));
        }
    }

    void whatAWriteCutShortLeaves_data() {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("backup");
        QTest::addColumn<QString>("start");  // of the text; empty: none
        QTest::newRow("nothing sent") << false << false << "/b/w.bin" << "";
        QTest::newRow("all sent") << true << true << "/b/w.bin" << "";
        QTest::newRow("part sent") << true << false << "/b/w.bin"
                                   << "The radio now holds an incomplete list: 1012 of 99600 "
                                      "bytes were written.\nThe backup "
                                          + QDir::toNativeSeparators("/b/w.bin");
        QTest::newRow("part sent, no backup")
            << true << false << "" << "The radio now holds an incomplete list: 1012 of 99600 "
                                      "bytes were written.\nNo backup";
    }
    void whatAWriteCutShortLeaves() {
        QFETCH(bool, changed);
        QFETCH(bool, complete);
        QFETCH(QString, backup);
        QFETCH(QString, start);
        CProgramDir dir(Shipped("lang_en"));
        dir.Load();
        RadioJob job;
        job.nMode = JOB_MODE_WRITE;
        job.nBytesDone = 1012;
        job.nBytesTotal = 99600;
        job.bRadioChanged = changed;
        job.bWriteComplete = complete;
        const QString text = IncompleteRadioText(job, backup);
        QCOMPARE(text.isEmpty(), start.isEmpty());
        if (!start.isEmpty()) QVERIFY2(text.startsWith(start), qPrintable(text));
        job.nMode = JOB_MODE_READ;  // a Read changes no radio
        QCOMPARE(IncompleteRadioText(job, backup), QString());
    }
};

QTEST_MAIN(TestPendrakDlgTexts)
#include "tst_PendrakDlgTexts.moc"
