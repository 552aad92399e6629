// The About box (template 100) and its menu item, in the user's language.
#pragma once

#include <QDialog>
#include <QString>

namespace pendrak {

// String resource 101: the About item of the system (or context) menu.
QString AboutMenuText();

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace pendrak
