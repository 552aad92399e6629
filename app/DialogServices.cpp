#include "app/DialogServices.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/DisplayText.h"

namespace pendrak {

namespace {

// The buttons' texts come from the language file too, not from Qt.
void LocalizeButtons(QMessageBox& box) {
    const struct {
        QMessageBox::StandardButton button;
        const char* key;
        const char* english;
    } texts[] = {{QMessageBox::Ok, "IDS_OK", "OK"},
                 {QMessageBox::Yes, "IDS_YES", "&Yes"},
                 {QMessageBox::No, "IDS_NO", "&No"}};
    for (const auto& t : texts)
        if (QAbstractButton* button = box.button(t.button))
            button->setText(LangStringOr(t.key, t.english));
}

}  // namespace

void CQtDialogServices::MessageBox(QWidget* owner, const QString& text, const QString& caption,
                                   BoxIcon icon) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    if (icon == BoxIcon::Information) qicon = QMessageBox::Information;
    if (icon == BoxIcon::Warning) qicon = QMessageBox::Warning;
    if (icon == BoxIcon::Error) qicon = QMessageBox::Critical;
    QMessageBox box(qicon, caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);  // texts name files and radios, which may hold '<'
    LocalizeButtons(box);
    box.exec();
}

bool CQtDialogServices::GetSaveFileName(QWidget* owner, const QString& title,
                                        const QString& proposedName, const QString& filter,
                                        QString* path) {
    // Without a default suffix: a name the user types stays as typed, and
    // the caller checks it.
    QString chosen = QFileDialog::getSaveFileName(owner, title, proposedName, filter);
    if (chosen.isEmpty()) return false;
    *path = chosen;
    return true;
}

bool CQtDialogServices::GetOpenFileName(QWidget* owner, const QString& title,
                                        const QString& folder, const QString& filter,
                                        QString* path) {
    QFileDialog dlg(owner, title, folder, filter);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    *path = dlg.selectedFiles().constFirst();
    return true;
}

bool CQtDialogServices::GetExistingDirectory(QWidget* owner, const QString& title,
                                             const QString& folder, QString* path) {
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, folder);
    if (chosen.isEmpty()) return false;
    *path = chosen;
    return true;
}

int IDialogServices::ExecDialog(QDialog& dialog) { return dialog.exec(); }

bool CQtDialogServices::AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    LocalizeButtons(box);
    return box.exec() == QMessageBox::Yes;
}

bool CQtDialogServices::AskYesNoCheck(QWidget* owner, const QString& text,
                                      const QString& caption, const QString& checkText,
                                      bool* checked) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    auto* check = new QCheckBox(checkText, &box);
    box.setCheckBox(check);
    LocalizeButtons(box);
    const bool yes = box.exec() == QMessageBox::Yes;
    *checked = check->isChecked();
    return yes;
}

namespace {
CQtDialogServices g_qtServices;
IDialogServices* g_services = &g_qtServices;
}  // namespace

IDialogServices& DialogServices() { return *g_services; }

void SetDialogServices(IDialogServices* services) {
    g_services = services ? services : &g_qtServices;
}

QString AppName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void AppMessageBox(QWidget* owner, const QString& text, BoxIcon icon) {
    DialogServices().MessageBox(owner, text, AppName(),
                                icon == BoxIcon::None ? BoxIcon::Warning : icon);
}

}  // namespace pendrak
