#include "app/OptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "platform/CodePage.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

QString FromPathBytes(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

COptionsDlg::COptionsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(LangStringOr("IDS_OPT_TITLE", "Options"));
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const OptionKey& option : OptionKeys()) {
        if (option.groupKey) {
            auto* heading = new QLabel(LangStringOr(option.groupKey, option.group), this);
            heading->setTextFormat(Qt::PlainText);
            heading->setWordWrap(true);
            QFont bold = heading->font();
            bold.setBold(true);
            heading->setFont(bold);
            form->addRow(heading);
        }
        const std::string value = CurrentOptionValue(option);
        QWidget* editor = MakeEditor(option, value);
        editor->setObjectName(QString::fromLatin1(option.key));
        auto* problem = new QLabel(this);
        problem->setTextFormat(Qt::PlainText);
        problem->setWordWrap(true);
        problem->setStyleSheet(QStringLiteral("color:#c00000"));
        problem->hide();
        auto* cell = new QVBoxLayout;
        cell->setSpacing(0);
        cell->addWidget(editor->parentWidget() == this ? editor : editor->parentWidget());
        cell->addWidget(problem);
        const QString label = LangStringOr(option.labelKey, option.label);
        editor->setAccessibleName(label);
        if (option.kind == OptionKind::Folder)
            editor->parentWidget()->findChild<QPushButton*>()->setAccessibleDescription(label);
        if (option.kind == OptionKind::Check) {
            static_cast<QCheckBox*>(editor)->setText(label);
            form->addRow(QString(), cell);
        } else {
            // Its buddy: how a screen reader on Linux names a list box.
            auto* name = new QLabel(label, this);
            name->setTextFormat(Qt::PlainText);
            name->setBuddy(editor);
            form->addRow(name, cell);
        }
        m_rows.push_back({&option, editor, problem, value, QString()});
        m_rows.back().shown = ShownText(m_rows.back());
    }

    auto* buttons = new QDialogButtonBox(this);
    m_buttonOk = buttons->addButton(LangStringOr("IDS_OK", "OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(LangStringOr("IDS_CANCEL", "Cancel"), QDialogButtonBox::RejectRole);
    m_buttonOk->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* note = new QLabel(
        LangStringOr("IDS_OPT_NOTE", "Changes apply at once and are kept in %1.")
            .arg(QDir::toNativeSeparators(FromPathBytes(theAppData.m_strSettingFile))),
        this);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

QWidget* COptionsDlg::MakeEditor(const OptionKey& option, const std::string& value) {
    switch (option.kind) {
    case OptionKind::Check: {
        auto* box = new QCheckBox(this);
        box->setChecked(value == "1");
        return box;
    }
    case OptionKind::Choice: {
        auto* combo = new QComboBox(this);
        int current = -1;
        for (const OptionChoice& choice : option.choices()) {
            combo->addItem(choice.text, QByteArray::fromStdString(choice.value));
            // "gbk" and "cp936" are GBK.
            const int codePage = CodePageFromName(value);
            if (choice.value == value ||
                (!value.empty() && codePage != 0 && CodePageFromName(choice.value) == codePage))
                current = combo->count() - 1;
        }
        if (current < 0) {
            // Written by hand: offered as written, so that OK keeps it.
            combo->addItem(QString::fromStdString(value), QByteArray::fromStdString(value));
            current = combo->count() - 1;
        }
        combo->setCurrentIndex(current);
        return combo;
    }
    case OptionKind::Folder: {
        auto* row = new QWidget(this);
        auto* edit = new QLineEdit(FromPathBytes(value), row);
        auto* browse = new QPushButton(LangStringOr("IDS_OPT_BROWSE", "Browse…"), row);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(edit, 1);
        line->addWidget(browse);
        connect(browse, &QPushButton::clicked, this, [this, edit] {
            QString folder = edit->text().isEmpty()
                                 ? FromPathBytes(theAppData.BackupDir())
                                 : edit->text();
            if (DialogServices().GetExistingDirectory(
                    this, LangStringOr("IDS_OPT_BACKUPFOLDER", "Backup folder"), folder, &folder))
                edit->setText(QDir::toNativeSeparators(folder));
        });
        return edit;
    }
    case OptionKind::Text:
        break;
    }
    return new QLineEdit(FromProgramBytes(value), this);
}

QString COptionsDlg::ShownText(const Row& row) {
    if (auto* edit = qobject_cast<QLineEdit*>(row.editor)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(row.editor)) return combo->currentText();
    if (auto* box = qobject_cast<QCheckBox*>(row.editor)) return box->isChecked() ? "1" : "0";
    return {};
}

std::string COptionsDlg::ValueOf(const Row& row) const {
    // Untouched, the value stays as written, bytes and spelling ("gbk").
    if (ShownText(row) == row.shown) return row.original;
    switch (row.option->kind) {
    case OptionKind::Check:
        return static_cast<QCheckBox*>(row.editor)->isChecked() ? "1" : "0";
    case OptionKind::Choice:
        return static_cast<QComboBox*>(row.editor)->currentData().toByteArray().toStdString();
    case OptionKind::Folder:
        return PathBytes(static_cast<QLineEdit*>(row.editor)->text().trimmed());
    case OptionKind::Text:
        break;
    }
    bool exact = false;
    return ToProgramBytes(static_cast<QLineEdit*>(row.editor)->text().trimmed(), &exact);
}

QWidget* COptionsDlg::Editor(const char* key) const {
    for (const Row& row : m_rows)
        if (qstrcmp(row.option->key, key) == 0) return row.editor;
    return nullptr;
}

QLabel* COptionsDlg::Problem(const char* key) const {
    for (const Row& row : m_rows)
        if (qstrcmp(row.option->key, key) == 0) return row.problem;
    return nullptr;
}

void COptionsDlg::OnOk() {
    std::vector<std::string> values;
    for (const Row& row : m_rows) {
        row.problem->hide();
        row.editor->setAccessibleDescription(QString());
        values.push_back(ValueOf(row));
    }
    QString reason;
    const int bad = CheckOptionValues(values, &reason, &m_changed);
    if (bad >= 0) {
        const Row& row = m_rows[static_cast<size_t>(bad)];
        row.problem->setText(reason);
        row.problem->show();
        row.editor->setAccessibleDescription(reason);  // heard as the focus lands
        row.editor->setFocus();
        return;
    }
    std::string why;
    if (!m_changed.empty() && !theAppData.SaveSettings(m_changed, &why)) {
        AppMessageBox(this, LangStringOr("IDS_OPT_NOTSAVED", "The options could not be kept:\n%1")
                                .arg(QString::fromStdString(why)),
                      BoxIcon::Error);
        return;
    }
    accept();
}

}  // namespace pendrak
