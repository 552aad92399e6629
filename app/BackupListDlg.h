// "Open backup…": the kept backups, newest first, with date, kind and
// contact count; or any other image file through a file dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "contacts/ContactBackup.h"

class QPushButton;
class QTreeWidget;

namespace pendrak {

class CBackupListDlg : public QDialog {
    Q_OBJECT
public:
    // folder: where the backups were looked for; reason: why it could not
    // be read (empty when it could).
    CBackupListDlg(const std::vector<ContactBackupInfo>& backups, const QString& folder,
                   const QString& reason, QWidget* parent);

    // The backup or file chosen; empty until one was.
    QString ChosenPath() const { return m_strChosen; }
    QTreeWidget* List() const { return m_list; }
    QPushButton* OtherFileButton() const { return m_buttonOther; }

private:
    void OnOpen();
    void OnOtherFile();

    QTreeWidget* m_list = nullptr;
    QPushButton* m_buttonOpen = nullptr;
    QPushButton* m_buttonOther = nullptr;
    QString m_strChosen;
};

}  // namespace pendrak
