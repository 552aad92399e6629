#include "app/BackupListDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FileDialogFolders.h"

namespace pendrak {

namespace {

constexpr int PATH_ROLE = Qt::UserRole;

QString KindText(BackupKind kind) {
    return kind == BackupKind::Read ? LangStringOr("IDS_BACKUP_KINDREAD", "Read")
                                    : LangStringOr("IDS_BACKUP_KINDWRITE", "Write");
}

}  // namespace

CBackupListDlg::CBackupListDlg(const std::vector<ContactBackupInfo>& backups,
                               const QString& folder, const QString& reason, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(FileDialogTitle(FilePurpose::OpenBackup));
    auto* layout = new QVBoxLayout(this);
    auto* where = new QLabel(this);
    where->setTextFormat(Qt::PlainText);
    where->setWordWrap(true);
    const QString shown = QDir::toNativeSeparators(folder);
    if (!reason.isEmpty())
        where->setText(reason);
    else if (backups.empty())
        where->setText(LangStringOr("IDS_BACKUP_NONE", "No backups in %1.").arg(shown));
    else
        where->setText(LangStringOr("IDS_BACKUP_IN", "Backups in %1, newest first:").arg(shown));
    layout->addWidget(where);

    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({LangStringOr("IDS_BACKUP_DATE", "Date"),
                             LangStringOr("IDS_BACKUP_KIND", "Kind"),
                             LangStringOr("IDS_BACKUP_COUNT", "Contacts"),
                             LangStringOr("IDS_BACKUP_FILE", "File")});
    for (const ContactBackupInfo& backup : backups) {
        const QString count = backup.nContacts >= 0
                                  ? QString::number(backup.nContacts)
                                  : LangStringOr("IDS_BACKUP_UNREADABLE", "not readable");
        auto* item = new QTreeWidgetItem(
            m_list, {QString::fromStdString(backup.strWhen), KindText(backup.kind), count,
                     QFile::decodeName(QByteArray::fromStdString(backup.strName))});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, PATH_ROLE, QFile::decodeName(QByteArray::fromStdString(backup.strPath)));
    }
    for (int c = 0; c < m_list->columnCount(); ++c) m_list->resizeColumnToContents(c);
    m_list->setMinimumWidth(m_list->header()->length() + 24);
    if (m_list->topLevelItemCount() > 0) m_list->setCurrentItem(m_list->topLevelItem(0));
    layout->addWidget(m_list);
    m_list->setAccessibleName(windowTitle());
    m_list->setAccessibleDescription(where->text());

    auto* buttons = new QDialogButtonBox(this);
    m_buttonOpen = buttons->addButton(LangStringOr("IDS_BACKUP_OPEN", "Open"),
                                      QDialogButtonBox::AcceptRole);
    m_buttonOther = buttons->addButton(LangStringOr("IDS_BACKUP_OTHER", "Other file…"),
                                       QDialogButtonBox::ActionRole);
    buttons->addButton(LangStringOr("IDS_CANCEL", "Cancel"), QDialogButtonBox::RejectRole);
    m_buttonOpen->setEnabled(m_list->currentItem() != nullptr);
    m_buttonOpen->setDefault(true);
    layout->addWidget(buttons);

    connect(m_buttonOpen, &QPushButton::clicked, this, &CBackupListDlg::OnOpen);
    connect(m_buttonOther, &QPushButton::clicked, this, &CBackupListDlg::OnOtherFile);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &CBackupListDlg::OnOpen);
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { m_buttonOpen->setEnabled(item != nullptr); });
}

void CBackupListDlg::OnOpen() {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item) return;
    m_strChosen = item->data(0, PATH_ROLE).toString();
    accept();
}

void CBackupListDlg::OnOtherFile() {
    QString path;
    if (!DialogServices().GetOpenFileName(this, FileDialogTitle(FilePurpose::OpenBackup),
                                          StartFolder(FilePurpose::OpenBackup),
                                          QStringLiteral("(*.bin)"), &path))
        return;
    RememberFolder(FilePurpose::OpenBackup, path);
    m_strChosen = path;
    accept();
}

}  // namespace pendrak
