#include "app/AboutDlg.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "app/DisplayText.h"
#include "app/PendrakDlg.h"
#include "app/ProgramIcon.h"
#include "app/Resource.h"

namespace pendrak {

QString AboutMenuText() { return LangStringOr("IDS_ABOUTBOX", "&About Pendrak..."); }

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setProperty(CONTROL_ID_PROPERTY, IDD_ABOUTBOX);
    setWindowTitle(LangStringOr("IDS_ABOUT_TITLE", "About Pendrak"));
    QFont dlgFont = QApplication::font();
    dlgFont.setPointSize(9);
    setFont(dlgFont);
    setFixedSize(CPendrakDlg::DialogUnitsToPixels(QRect(0, 0, 170, 62), dlgFont).size());

    auto* icon = new QLabel(this);
    const QRect iconRect = CPendrakDlg::DialogUnitsToPixels(QRect(14, 14, 21, 20), dlgFont);
    icon->setGeometry(iconRect);
    // At the screen's own pixels: sharp at 150 % and 200 %.
    icon->setPixmap(ProgramIcon().pixmap(iconRect.size(), icon->devicePixelRatioF()));
    icon->setProperty(CONTROL_ID_PROPERTY, IDR_MAINFRAME);

    auto* text = new QLabel(LangStringOr("IDS_ABOUT_VERSION", "Pendrak, version 1.0"), this);
    text->setTextFormat(Qt::PlainText);
    text->setGeometry(CPendrakDlg::DialogUnitsToPixels(QRect(42, 14, 114, 8), dlgFont));

    auto* ok = new QPushButton(LangStringOr("IDS_OK", "OK"), this);
    ok->setProperty(CONTROL_ID_PROPERTY, IDOK);
    ok->setDefault(true);
    ok->setGeometry(CPendrakDlg::DialogUnitsToPixels(QRect(113, 41, 50, 14), dlgFont));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace pendrak
