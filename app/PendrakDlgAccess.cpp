// The window without a mouse and through a screen reader: shortcuts shown
// in the tooltips, a name and a description for every control, and the page
// shown announced when it changes.
#include <QApplication>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

#include "app/Announce.h"
#include "app/ContactPageModel.h"
#include "app/DisplayText.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "app/StatusLine.h"

namespace pendrak {

QKeySequence CPendrakDlg::ActionKeys(int id) {
    switch (id) {
    case IDC_READ: return QKeySequence(Qt::CTRL | Qt::Key_R);
    // Not Ctrl+W, which closes windows elsewhere: a Write replaces the radio's list.
    case IDC_WRITE: return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W);
    case IDC_IMPORT: return QKeySequence(Qt::CTRL | Qt::Key_I);
    // Not Ctrl+E, which a text field on Linux takes for the end of the line.
    case IDC_EXPORT: return QKeySequence(Qt::CTRL | Qt::Key_S);
    default: return QKeySequence();
    }
}

void CPendrakDlg::InitKeyboard() {
    new CAnnouncer(this);
    // Styles draw the focus only after a Tab; here it shows from the start,
    // after a job and after a click alike.
    setAttribute(Qt::WA_KeyboardFocusChange);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->window() == this) setAttribute(Qt::WA_KeyboardFocusChange);
    });
    for (const int id : {IDC_READ, IDC_WRITE, IDC_IMPORT, IDC_EXPORT}) {
        auto* button = static_cast<QPushButton*>(GetDlgItem(id));
        connect(new QShortcut(ActionKeys(id), this), &QShortcut::activated, button, [button] {
            if (button->isEnabled()) button->click();
        });
    }
#ifndef Q_OS_WIN
    // Shift+F10 does what the Menu key does, as on Windows (which sends it
    // itself): the focused control's menu, which for most is the window's.
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this), &QShortcut::activated,
            this, [this] {
                QWidget* at = focusWidget() ? focusWidget() : this;
                const QPoint center = at->rect().center();
                QContextMenuEvent event(QContextMenuEvent::Keyboard, center, at->mapToGlobal(center));
                QApplication::sendEvent(at, &event);
            });
#endif
}

void CPendrakDlg::ShowListFocus() {
    if (m_listContacts->currentIndex().isValid() || m_pageModel->rowCount() == 0) return;
    // Current, not selected: the focus frame shows, find still starts from the top.
    m_listContacts->selectionModel()->setCurrentIndex(m_pageModel->index(0, 1),
                                                      QItemSelectionModel::NoUpdate);
}

void CPendrakDlg::SetControlTexts() {
    const struct {
        int id;
        const char* key;
        const char* english;
    } tips[] = {
        {IDC_PAGE_FIRST, "IDS_TIP_FIRST", "First page"},
        {IDC_PAGE_PREV, "IDS_TIP_PREV", "Previous page"},
        {IDC_PAGE_NEXT, "IDS_TIP_NEXT", "Next page"},
        {IDC_PAGE_LAST, "IDS_TIP_LAST", "Last page"},
        {IDC_PAGE_EDIT, "IDS_TIP_PAGEEDIT", "Type a page number and press Enter"},
        {IDC_READ, "IDS_TIP_READ", "Read the contact list from the radio (%1)"},
        {IDC_WRITE, "IDS_TIP_WRITE", "Write the contact list to the radio (%1)"},
        {IDC_IMPORT, "IDS_TIP_IMPORT", "Replace the contacts with those of a CSV file (%1)"},
        {IDC_EXPORT, "IDS_TIP_EXPORT", "Save the contacts as a CSV file (%1)"},
        {IDC_PROGRESS, "IDS_TIP_PROGRESS", "How far the Read or Write has come"},
        {IDC_STATUS, "IDS_TIP_STATUS", "The outcome of the last Read, Write, Import or Export"},
        {IDC_CONTACT_LIST, "IDS_TIP_LIST", "The contacts of the page shown; Shift+F10 opens the menu"},
    };
    for (const auto& t : tips) {
        QWidget* w = GetDlgItem(t.id);
        QString text = LangStringOr(t.key, t.english);
        if (text.contains(QStringLiteral("%1")))
            text = text.arg(ActionKeys(t.id).toString(QKeySequence::NativeText));
        // The status line's tooltip is its whole text; the list's would cover the rows.
        if (t.id != IDC_STATUS && t.id != IDC_CONTACT_LIST) w->setToolTip(text);
        w->setAccessibleDescription(text);
    }
    // The page buttons show arrows: their names say what they do.
    for (const int id : {IDC_PAGE_FIRST, IDC_PAGE_PREV, IDC_PAGE_NEXT, IDC_PAGE_LAST})
        GetDlgItem(id)->setAccessibleName(GetDlgItem(id)->toolTip());
    m_editPage->setAccessibleName(LangStringOr("IDS_ACC_PAGEEDIT", "Page"));
    m_progress->setAccessibleName(LangStringOr("IDS_ACC_PROGRESS", "Progress"));
    m_listContacts->setAccessibleName(LangStringOr("IDS_ACC_LIST", "Contacts"));
    m_staticStatus->Retranslate();
    AnnouncePage();
}

void CPendrakDlg::AnnouncePage() {
    const QString position = PagePositionText(m_nCurPage + 1, m_nPageCount);
    if (position == m_strPagePosition) return;
    m_strPagePosition = position;
    Announce(m_staticPageTotal, position);
}

}  // namespace pendrak
