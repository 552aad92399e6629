// Editing single contacts: Enter or a double-click opens the editor, Insert
// adds a contact, Delete removes the selected rows, Ctrl+Z undoes. The list
// stays sorted by radio ID.
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QTableView>
#include <algorithm>

#include "app/ContactEditDlg.h"
#include "app/ContactPageModel.h"
#include "app/DialogServices.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "settings/AppData.h"

namespace pendrak {

void CPendrakDlg::InitEditing() {
    m_pEditor = std::make_unique<CContactEditor>(theAppData.m_contacts);
    connect(m_listContacts, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { EditContact(m_nCurPage * CONTACTS_PER_PAGE + index.row()); });
    const std::pair<QKeySequence, void (CPendrakDlg::*)()> keys[] = {
        {QKeySequence(Qt::Key_Return), &CPendrakDlg::OnEditContact},
        {QKeySequence(Qt::Key_Enter), &CPendrakDlg::OnEditContact},
        {QKeySequence(Qt::Key_Insert), &CPendrakDlg::OnNewContact},
        {QKeySequence::Delete, &CPendrakDlg::OnDeleteContacts},
    };
    for (const auto& [key, slot] : keys) {
        auto* shortcut = new QShortcut(key, m_listContacts);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    }
    // Window-wide; a focused text field keeps Ctrl+Z for its own text.
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this,
            &CPendrakDlg::OnUndoEdit);
    m_listContacts->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listContacts, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowListMenu(m_listContacts->viewport()->mapToGlobal(at)); });
}

// The contacts selected on the page shown, as list indexes.
std::vector<int> CPendrakDlg::SelectedContacts() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_listContacts->selectionModel()->selectedRows())
        rows.push_back(m_nCurPage * CONTACTS_PER_PAGE + index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool CPendrakDlg::CanEdit() const {
    return !IsJobRunning() && !theAppData.m_bRadioBusy;
}

void CPendrakDlg::OnEditContact() {
    const QModelIndex current = m_listContacts->currentIndex();
    if (!current.isValid()) return;
    EditContact(m_nCurPage * CONTACTS_PER_PAGE + current.row());
}

void CPendrakDlg::EditContact(int n) {
    if (!CanEdit() || n < 0 || n >= theAppData.m_contacts.GetContactCount()) return;
    CContactEditDlg editor(theAppData.m_contacts, n, *m_pEditor, this);
    if (DialogServices().ExecDialog(editor) != QDialog::Accepted) return;
    if (!editor.Draft().HasChanges()) return;
    ContactsEdited(m_pEditor->Replace(n, editor.Draft().Record()));
}

void CPendrakDlg::OnNewContact() {
    if (!CanEdit()) return;
    if (theAppData.m_contacts.GetContactCount() >= MAX_CONTACTS) {
        AppMessageBox(this, LangStringOr("IDS_EDIT_FULL",
                                         "The list is full: the radio holds at most %1 contacts.")
                                .arg(MAX_CONTACTS));
        return;
    }
    CContactEditDlg editor(theAppData.m_contacts, -1, *m_pEditor, this);
    if (DialogServices().ExecDialog(editor) != QDialog::Accepted) return;
    ContactsEdited(m_pEditor->Add(editor.Draft().Record()));
}

void CPendrakDlg::OnDeleteContacts() {
    if (!CanEdit()) return;
    const std::vector<int> rows = SelectedContacts();
    if (rows.empty()) return;
    if (rows.size() > 1 &&
        !DialogServices().AskYesNo(
            this,
            LangStringOr("IDS_EDIT_DELETEASK", "Delete the %1 selected contacts?").arg(rows.size()),
            LangStringOr("IDS_EDIT_DELETE", "Delete")))
        return;
    if (!m_pEditor->Remove(rows)) return;
    const int count = theAppData.m_contacts.GetContactCount();
    ContactsEdited(std::min(rows.front(), count - 1));
}

void CPendrakDlg::OnUndoEdit() {
    if (!CanEdit() || !m_pEditor->CanUndo()) return;
    ContactsEdited(m_pEditor->Undo());
}

void CPendrakDlg::ContactsEdited(int show) {
    // The find field's count was of the list before.
    m_nFindCurrent = -1;
    if (m_findBar->isVisible()) m_findBar->ShowResult(QString(), false);
    OnListChanged();
    if (show < 0) {
        ShowContactPage();
        return;
    }
    // The page shown may hold other contacts now: fill it again.
    m_nFirstIndex = m_nCurPage * CONTACTS_PER_PAGE;
    const int page = m_nCurPage;
    ShowContactPage();
    if (page == m_nCurPage && show / CONTACTS_PER_PAGE == page) {
        const QModelIndex index = m_pageModel->index(show - page * CONTACTS_PER_PAGE, 0);
        m_listContacts->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_listContacts->scrollTo(index);
    } else {
        ShowContact(show);
    }
    m_listContacts->setFocus();
}

void CPendrakDlg::OnListChanged() {
    // Not what the radio holds any more: closing the window asks first.
    m_unwritten.Changed(ListChange::Edited);
}

void CPendrakDlg::ShowListMenu(const QPoint& globalPos) {
    QMenu menu(this);
    const bool idle = CanEdit();
    const bool row = m_listContacts->currentIndex().isValid();
    const std::vector<int> selected = SelectedContacts();
    QAction* edit = menu.addAction(LangStringOr("IDS_EDIT_MENU", "Edit contact…"));
    edit->setShortcut(QKeySequence(Qt::Key_Return));
    edit->setEnabled(idle && row);
    QAction* add = menu.addAction(LangStringOr("IDS_EDIT_NEWMENU", "New contact…"));
    add->setShortcut(QKeySequence(Qt::Key_Insert));
    add->setEnabled(idle);
    QAction* remove = menu.addAction(LangStringOr("IDS_EDIT_DELETE", "Delete"));
    remove->setShortcut(QKeySequence::Delete);
    remove->setEnabled(idle && !selected.empty());
    QAction* undo = menu.addAction(LangStringOr("IDS_EDIT_UNDO", "Undo"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(idle && m_pEditor->CanUndo());
    AddWindowMenuItems(menu);
    QAction* chosen = menu.exec(globalPos);
    if (chosen == edit) OnEditContact();
    else if (chosen == add) OnNewContact();
    else if (chosen == remove) OnDeleteContacts();
    else if (chosen == undo) OnUndoEdit();
}

}  // namespace pendrak
