// Runs the real dialog, clicks Read once it is shown and, when the Read has
// been reported, creates the file named by argv[1] so that a script can take
// a picture of the window; the file holds the window's geometry. Message
// boxes go to stderr instead of the screen. With --exit-when-shown it ends as
// soon as the window is on the screen (start-up benchmark).
//   pendrak-shot READY-FILE [--find TEXT] [--maximised]
// --find types TEXT into the find field and goes to its second match before
// the picture; --maximised shows the window maximised.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
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
    bool GetOpenFileName(QWidget*, const QString&, QString* path) override {
        *path = qEnvironmentVariable("PENDRAK_SHOT_ADD");
        return !path->isEmpty();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s READY-FILE | --exit-when-shown\n", argv[0]);
        return 2;
    }
    const bool exitWhenShown = QByteArray(argv[1]) == "--exit-when-shown";
    const QString readyFile = QString::fromLocal8Bit(argv[1]);
    QString findText;
    bool maximised = false;
    for (int i = 2; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--find" && i + 1 < argc)
            findText = QString::fromLocal8Bit(argv[++i]);
        else if (QByteArray(argv[i]) == "--maximised")
            maximised = true;
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
            // The window's place on the screen, for cropping the picture.
            QTimer::singleShot(500, &dlg, [readyFile, &dlg] {
                // In the screen's pixels: at 200 % twice the window's own.
                const qreal scale = dlg.devicePixelRatioF();
                const QRect frame = dlg.frameGeometry();
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
