// Backups: the image kept after each Read and before each Write, and
// "Open backup…", which puts one into the list for a Write to restore.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <cstring>
#include <memory>

#include "app/BackupListDlg.h"
#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/PendrakDlg.h"
#include "app/StatusLine.h"
#include "contacts/ContactBackup.h"
#include "contacts/ContactImageFile.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

QString FromPathBytes(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

QString CPendrakDlg::KeepReadBackup() {
    const BackupResult kept =
        SaveContactBackup(theAppData.BackupDir(), theAppData.m_contacts, BackupKind::Read);
    if (kept.bOk) return {};
    return LangStringOr("IDS_ERR_BACKUPREAD", "The list read could not be kept as a backup:\n%1")
        .arg(FromPathBytes(kept.strReason));
}

bool CPendrakDlg::KeepWriteBackup() {
    const BackupResult kept =
        SaveContactBackup(theAppData.BackupDir(), theAppData.m_contacts, BackupKind::Write);
    m_strWriteBackup = kept.bOk ? FromPathBytes(kept.strPath) : QString();
    if (kept.bOk) return true;
    const QString text = LangStringOr("IDS_ERR_BACKUPWRITE",
                                      "The list about to be written could not be kept as a "
                                      "backup:\n%1\n\nWrite it all the same?")
                             .arg(FromPathBytes(kept.strReason));
    return DialogServices().AskYesNo(this, text, LangString("IDS_PROMPT_WRITE"));
}

void CPendrakDlg::OnOpenBackup() {
    // The worker owns the image while a job runs.
    if (IsJobRunning() || theAppData.m_bRadioBusy) return;
    const std::string folder = theAppData.BackupDir();
    std::vector<ContactBackupInfo> backups;
    std::string reason;
    ListContactBackups(folder, backups, &reason);
    CBackupListDlg list(backups, FromPathBytes(folder), FromPathBytes(reason), this);
    if (DialogServices().ExecDialog(list) != QDialog::Accepted || list.ChosenPath().isEmpty())
        return;
    const QString path = list.ChosenPath();
    // Loaded aside: the list shown stays until the backup is taken.
    auto backup = std::make_unique<CContactImage>();
    backup->ClearContactImage();
    const ImageFileResult loaded = LoadContactImageFile(PathBytes(path), *backup);
    if (loaded.outcome != ImageFileResult::Done) {
        AppMessageBox(this,
                      LangStringOr("IDS_ERR_OPENBACKUP", "%1 cannot be opened as a backup:\n%2")
                          .arg(QDir::toNativeSeparators(path), FromPathBytes(loaded.strReason)),
                      BoxIcon::Error);
        return;
    }
    if (const int record = FirstZeroIdRecord(*backup); record >= 0) {
        const QString text =
            LangStringOr("IDS_ASK_DAMAGED",
                         "%1 is damaged: contact %2 of %3 has radio ID 0, which no radio "
                         "stores.\n\nOpen it all the same?")
                .arg(QDir::toNativeSeparators(path), QString::number(record + 1),
                     QString::number(backup->GetContactCount()));
        if (!DialogServices().AskYesNo(this, text, LangString("IDS_OPENBACKUP"))) return;
    }
    std::memcpy(theAppData.m_contacts.Bytes(), backup->Bytes(), CONTACT_IMAGE_SIZE);
    // Shown as kept, unsorted: a Write then gives the radio back byte for byte.
    m_nFirstIndex = 0;
    ShowContactPage();
    OnContactsReplaced();
    m_unwritten.Changed(ListChange::OpenedBackup);
    const QString count = QString::number(theAppData.m_contacts.GetContactCount());
    m_staticStatus->SetFullText(
        LangStringOr("IDS_PROMPT_BACKUPSTATUS", "Backup: %1 contacts").arg(count));
    AppMessageBox(this, LangStringOr("IDS_PROMPT_BACKUPOPENED",
                                     "%1 contacts from %2.\nWrite puts them into the radio.")
                            .arg(count, QFileInfo(path).fileName()),
                  BoxIcon::Information);
}

}  // namespace pendrak
