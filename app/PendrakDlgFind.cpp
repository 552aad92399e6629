// Find: Ctrl+F opens the find field over the list; typing shows the first
// match of the whole image, Enter and F3 the next, Shift+F3 the previous.
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLineEdit>
#include <QShortcut>
#include <QTableView>
#include <algorithm>

#include "app/ContactPageModel.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "contacts/ContactFind.h"
#include "platform/CodePage.h"
#include "settings/AppData.h"

namespace pendrak {

void CPendrakDlg::InitFind() {
    m_findBar = new CFindBar(this);
    connect(m_findBar, &CFindBar::TextChanged, this, [this] { FindContact(FindStep::First); });
    connect(m_findBar, &CFindBar::FindNext, this, &CPendrakDlg::OnFindNext);
    connect(m_findBar, &CFindBar::FindPrevious, this, &CPendrakDlg::OnFindPrevious);
    connect(m_findBar, &CFindBar::Closed, this, [this] { m_listContacts->setFocus(); });

    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this,
            &CPendrakDlg::OnFindOpen);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this,
            &CPendrakDlg::OnFindNext);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            &CPendrakDlg::OnFindPrevious);
}

// The list left of its scroll bar: the find field lies over its headings.
QRect CPendrakDlg::FindBarArea() const {
    QRect area = m_listContacts->geometry();
    area.setRight(area.left() + m_listContacts->viewport()->geometry().right());
    return area;
}

void CPendrakDlg::OnFindOpen() {
    m_findBar->Open(FindBarArea());
}

void CPendrakDlg::OnFindNext() {
    FindContact(FindStep::Next);
}

void CPendrakDlg::OnFindPrevious() {
    FindContact(FindStep::Previous);
}

void CPendrakDlg::FindContact(FindStep step) {
    // The worker writes the image during a Read; the field is disabled then.
    if (IsJobRunning()) return;
    if (!m_findBar->isVisible()) {
        // F3 with the field closed opens it and goes on with its text.
        OnFindOpen();
        if (m_findBar->Text().isEmpty()) return;
    }
    const QString text = m_findBar->Text();
    if (text.isEmpty()) {
        m_findBar->ShowResult(QString(), false);
        return;
    }

    bool exact = false;
    const std::string bytes = ToProgramBytes(text, &exact);
    std::vector<int> matches;
    if (exact) {
        const int codePage = GetProgramCodePage();
        const ContactTextRules rules(codePage == CP_UTF8_ID, [codePage](unsigned char b) {
            return IsLeadByteInCodePage(b, codePage);
        });
        matches = FindContacts(theAppData.m_contacts, CContactQuery(bytes, rules));
    }
    if (matches.empty()) {
        m_findBar->ShowResult(LangStringOr("IDS_FIND_NOMATCH", "No match"), true);
        return;
    }

    int n = matches.front();
    if (step != FindStep::First) {
        // From the row the user picked, else from the last match shown.
        int from = m_nFindCurrent;
        const QModelIndex current = m_listContacts->selectionModel()->currentIndex();
        if (current.isValid() && m_listContacts->selectionModel()->isSelected(current))
            from = m_nCurPage * CONTACTS_PER_PAGE + current.row();
        n = NextMatch(matches, from, step == FindStep::Next);
    }
    m_nFindCurrent = n;
    ShowContact(n);
    const auto rank = std::lower_bound(matches.begin(), matches.end(), n) - matches.begin() + 1;
    m_findBar->ShowResult(QStringLiteral("%1/%2").arg(rank).arg(matches.size()), false);
}

void CPendrakDlg::OnContactsReplaced() {
    m_nFindCurrent = -1;
    m_findBar->ShowResult(QString(), false);
}

void CPendrakDlg::ShowContact(int n) {
    const int page = n / CONTACTS_PER_PAGE;
    if (page != m_nCurPage) {
        m_nCurPage = page;
        m_nFirstIndex = page * CONTACTS_PER_PAGE;
        ShowContactPage();
    }
    const QModelIndex index = m_pageModel->index(n - m_nCurPage * CONTACTS_PER_PAGE, 0);
    m_listContacts->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_listContacts->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

}  // namespace pendrak
