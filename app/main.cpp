#include <QApplication>

#include "app/PendrakApp.h"
#include "app/ProgramIcon.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(pendrak::ProgramIcon());
    pendrak::CPendrakApp theApp;
    return theApp.InitInstance();
}
