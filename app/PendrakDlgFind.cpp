// Find: Ctrl+F opens the find field over the list; typing shows the first
// match of the whole image, Enter and F3 the next, Shift+F3 the previous.
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLineEdit>
#include <QShortcut>
#include <QTableView>
#include <algorithm>
#include <memory>

#include "app/ContactPageModel.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "contacts/ContactFind.h"
#include "platform/CodePage.h"
#include "platform/TextConvert.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

// The rules of the code page in force, made once per code page: they decode
// every character of it.
const ContactTextRules& FindRules() {
    static int s_codePage = 0;
    static std::unique_ptr<ContactTextRules> s_rules;
    const int codePage = GetProgramCodePage();
    if (!s_rules || s_codePage != codePage) {
        s_rules = std::make_unique<ContactTextRules>(
            codePage == CP_UTF8_ID,
            [codePage](unsigned char b) { return IsLeadByteInCodePage(b, codePage); },
            [codePage](std::string_view bytes) { return ToUtf8(bytes, codePage); },
            [codePage](std::string_view utf8, std::string& out) {
                return FromUtf8(utf8, codePage, out);
            });
        s_codePage = codePage;
    }
    return *s_rules;
}

// The typed text as an import would store it: a character the code page
// lacks becomes its transliteration, so that what was stored so is found.
std::string QueryBytes(const QString& text) {
    CTextConverter converter;
    std::string bytes;
    if (converter.Open(GetProgramCodePage(), {}, nullptr)) {
        TextConvertStats stats;
        converter.Convert(text.toStdString(), bytes, stats);
        // A character that has neither a form nor a spelling there would be
        // looked for as '?': no contact holds what was typed.
        return stats.replaced > 0 ? std::string() : bytes;
    }
    bool exact = false;
    bytes = ToProgramBytes(text, &exact);
    return exact ? bytes : std::string();
}

}  // namespace

void CPendrakDlg::InitFind() {
    m_findBar = new CFindBar(this);
    connect(m_findBar, &CFindBar::TextChanged, this, [this] { FindContact(FindStep::First); });
    connect(m_findBar, &CFindBar::FindNext, this, &CPendrakDlg::OnFindNext);
    connect(m_findBar, &CFindBar::FindPrevious, this, &CPendrakDlg::OnFindPrevious);
    connect(m_findBar, &CFindBar::Closed, this, [this] {
        LayoutControls();  // the list takes the field's strip back
        m_listContacts->setFocus();
    });

    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this,
            &CPendrakDlg::OnFindOpen);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this,
            &CPendrakDlg::OnFindNext);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            &CPendrakDlg::OnFindPrevious);
}

void CPendrakDlg::OnFindOpen() {
    m_findBar->Open(m_rectListArea);
    LayoutControls();
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

    const std::string bytes = QueryBytes(text);
    std::vector<int> matches;
    if (!bytes.empty()) matches = FindContacts(theAppData.m_contacts, CContactQuery(bytes, FindRules()));
    if (matches.empty()) {
        // The row of an earlier match is no answer to this text.
        m_nFindCurrent = -1;
        m_listContacts->selectionModel()->clearSelection();
        m_listContacts->selectionModel()->setCurrentIndex(QModelIndex(),
                                                          QItemSelectionModel::NoUpdate);
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
    m_listContacts->scrollToTop();
    // Undo steps name places in the list that was.
    if (m_pEditor) m_pEditor->ClearHistory();
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
