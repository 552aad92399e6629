// Runs the real dialog, clicks Read once it is shown and, when the Read has
// been reported, creates the file named by argv[1] so that a script can take
// a picture of the window; the file holds the window's geometry. Message
// boxes go to stderr instead of the screen. With --exit-when-shown it ends as
// soon as the window is on the screen (start-up benchmark).
//   pendrak-shot READY-FILE [--find TEXT] [--maximised] [--show edit|options|confirm]
// --find types TEXT into the find field and goes to its second match before
// the picture; --maximised shows the window maximised; --show opens the
// contact editor on the third row (a name typed too long for its field) or
// the Options dialog, or clicks Write for its question, and the geometry
// then takes it in too.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QDialog>
#include <QTableView>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "app/DialogServices.h"
#include "app/FindBar.h"
#include "app/PendrakApp.h"
#include "app/PendrakDlg.h"
#include "app/ProgramIcon.h"
#include "app/StatusLine.h"

namespace {

class CLoggingServices : public pendrak::IDialogServices {
public:
    void MessageBox(QWidget*, const QString& text, const QString& caption,
                    pendrak::BoxIcon) override {
        std::fprintf(stderr, "[%s] %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
    }
    bool GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         QString*) override {
        return false;
    }
    // PENDRAK_SHOT_ADD names a file that "Add from file…" takes after the Read.
    bool GetOpenFileName(QWidget*, const QString&, const QString&, const QString&,
                         QString* path) override {
        *path = qEnvironmentVariable("PENDRAK_SHOT_ADD");
        return !path->isEmpty();
    }
    bool GetExistingDirectory(QWidget*, const QString&, const QString&, QString*) override {
        return false;
    }
    // The question before a Write is shown as the program shows it.
    bool AskYesNoCheck(QWidget* owner, const QString& text, const QString& caption,
                       const QString& checkText, bool* checked) override {
        return pendrak::CQtDialogServices().AskYesNoCheck(owner, text, caption, checkText,
                                                          checked);
    }
    int ExecDialog(QDialog& dialog) override {
        // A name longer than its field and a city the code page lacks letters
        // of, typed as a user would, show the cut and the stored text.
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("field1"));
        auto* city = dialog.findChild<QLineEdit*>(QStringLiteral("field3"));
        if (name && city)
            QTimer::singleShot(200, name, [name, city] {
                name->end(false);
                name->insert(QString::fromUtf8("\xE5\xB0\x8F\xE6\x98\x8E\xE5\x90\x8C\xE5\xAD\xA6\xE4\xBB\xAC"));
                city->selectAll();
                city->insert(QString::fromUtf8("\xC5\x81\xC3\xB3\x64\xC5\xBA"));
            });
        return dialog.exec();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s READY-FILE | --exit-when-shown\n", argv[0]);
        return 2;
    }
    // Qt's own copy of the arguments: on Windows argv is in the ANSI code
    // page, which has no 王.
    const QStringList args = QCoreApplication::arguments();
    const bool exitWhenShown = args[1] == "--exit-when-shown";
    const QString readyFile = args[1];
    QString findText;
    QByteArray show;
    bool maximised = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == "--find" && i + 1 < args.size())
            findText = args[++i];
        else if (args[i] == "--maximised")
            maximised = true;
        else if (args[i] == "--show" && i + 1 < args.size())
            show = args[++i].toLatin1();
    }
    QApplication::setWindowIcon(pendrak::ProgramIcon());
    CLoggingServices services;
    pendrak::SetDialogServices(&services);
    pendrak::LoadProgramSettings({});

    pendrak::CPendrakDlg dlg;
    dlg.move(0, 0);
    if (maximised) {
        dlg.showMaximized();
        // Under Xvfb no window manager maximises: fill the screen as one would.
        dlg.setGeometry(dlg.screen()->availableGeometry());
    } else {
        dlg.show();
        dlg.activateWindow();  // no window manager gives it the keyboard
    }
    if (exitWhenShown) {
        QTimer shown;
        QObject::connect(&shown, &QTimer::timeout, &dlg, [&dlg] {
            if (dlg.windowHandle() && dlg.windowHandle()->isExposed()) QApplication::quit();
        });
        shown.start(0);
        return app.exec();
    }
    QTimer::singleShot(500, &dlg, [&dlg] { dlg.OnBnClickedRead(); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dlg, [&] {
        if (dlg.IsJobRunning() || pendrak::theAppData.m_bRadioBusy) return;
        if (!dlg.Status()->text().isEmpty() || QFile::exists(readyFile)) {
            poll.stop();
            if (qEnvironmentVariableIsSet("PENDRAK_SHOT_ADD")) dlg.OnAddFromFile();
            if (!findText.isEmpty()) {
                dlg.OnFindOpen();
                dlg.FindBar()->Edit()->setText(findText);
                dlg.OnFindNext();
            }
            if (show == "edit") {
                dlg.ContactList()->selectRow(2);
                QTimer::singleShot(0, &dlg, [&dlg] { dlg.OnEditContact(); });
            } else if (show == "options") {
                QTimer::singleShot(0, &dlg, [&dlg] { dlg.OnOptions(); });
            } else if (show == "confirm") {
                QTimer::singleShot(0, &dlg, [&dlg] { dlg.OnBnClickedWrite(); });
            }
            // The window's place on the screen (and its dialog's), for
            // cropping the picture.
            QTimer::singleShot(800, &dlg, [readyFile, &dlg] {
                QRect frame = dlg.frameGeometry();
                if (QWidget* modal = QApplication::activeModalWidget())
                    frame = frame.united(modal->frameGeometry());
                // In the screen's pixels: at 200 % twice the window's own.
                const qreal scale = dlg.devicePixelRatioF();
                const QRect g(QPoint(qRound(frame.x() * scale), qRound(frame.y() * scale)),
                              QSize(qRound(frame.width() * scale), qRound(frame.height() * scale)));
                QFile f(readyFile);
                if (f.open(QIODevice::WriteOnly))
                    f.write(QStringLiteral("%1x%2+%3+%4\n")
                                .arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y())
                                .toUtf8());
            });
        }
    });
    poll.start(100);
    QTimer::singleShot(60000, &app, &QApplication::quit);
    return app.exec();
}
