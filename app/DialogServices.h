// Message boxes and file dialogs behind one interface, so that tests can
// answer them.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace pendrak {

// A box's icon tells its kind: a success, something to heed, a failure.
enum class BoxIcon { None, Information, Warning, Error };

class IDialogServices {
public:
    virtual ~IDialogServices() = default;

    // A modal box with one OK button. owner may be null.
    virtual void MessageBox(QWidget* owner, const QString& text, const QString& caption,
                            BoxIcon icon) = 0;

    // Save dialog; true with the chosen full path when confirmed. The dialog
    // itself asks before an existing file is replaced.
    virtual bool GetSaveFileName(QWidget* owner, const QString& title, const QString& proposedName,
                                 const QString& filter, QString* path) = 0;

    // Open dialog titled by its purpose, starting in folder (empty: the
    // system's choice); the file need not exist.
    virtual bool GetOpenFileName(QWidget* owner, const QString& title, const QString& folder,
                                 const QString& filter, QString* path) = 0;

    // Folder dialog; true with the chosen folder when confirmed.
    virtual bool GetExistingDirectory(QWidget* owner, const QString& title, const QString& folder,
                                      QString* path) = 0;

    // Runs one of the program's own modal dialogs (the contact editor, the
    // Options, the backups); its result code.
    virtual int ExecDialog(QDialog& dialog);

    // A modal question (its icon) with Yes and No (the default); true for Yes.
    virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
        (void)owner, (void)text, (void)caption;
        return false;
    }

    // The same with a check box ("do not ask again"), unchecked at first;
    // *checked says how the user left it.
    virtual bool AskYesNoCheck(QWidget* owner, const QString& text, const QString& caption,
                               const QString& checkText, bool* checked) {
        (void)checkText;
        *checked = false;
        return AskYesNo(owner, text, caption);
    }
};

// QMessageBox and QFileDialog.
class CQtDialogServices : public IDialogServices {
public:
    void MessageBox(QWidget* owner, const QString& text, const QString& caption,
                    BoxIcon icon) override;
    bool GetSaveFileName(QWidget* owner, const QString& title, const QString& proposedName,
                         const QString& filter, QString* path) override;
    bool GetOpenFileName(QWidget* owner, const QString& title, const QString& folder,
                         const QString& filter, QString* path) override;
    bool GetExistingDirectory(QWidget* owner, const QString& title, const QString& folder,
                              QString* path) override;
    bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    bool AskYesNoCheck(QWidget* owner, const QString& text, const QString& caption,
                       const QString& checkText, bool* checked) override;
};

// The services in use: the Qt ones unless a test installed others.
IDialogServices& DialogServices();
void SetDialogServices(IDialogServices* services);  // null restores the Qt ones

// The executable's file name without its extension: the application's title.
QString AppName();

// The application's message box: titled with AppName(); a box that names no
// icon gets the warning icon.
void AppMessageBox(QWidget* owner, const QString& text, BoxIcon icon = BoxIcon::None);

}  // namespace pendrak
