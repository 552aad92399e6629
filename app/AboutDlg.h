// The About box (template 100); never localised.
#pragma once

#include <QDialog>

namespace pendrak {

// String resource 101: the About item of the system (or context) menu.
constexpr const char* ABOUT_MENU_TEXT = "关于 Pendrak(&A)...";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace pendrak
