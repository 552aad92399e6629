#include "app/PendrakDlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <climits>

#include "app/ContactPageModel.h"
#include "app/DisplayText.h"
#include "app/FindBar.h"
#include "app/DialogServices.h"
#include "app/ProgramIcon.h"
#include "app/Resource.h"
#include "app/DatabaseUpdateJob.h"
#include "app/StatusLine.h"
#include "settings/AppData.h"

namespace pendrak {

namespace {

constexpr int DIALOG_WIDTH_DU = 423;
constexpr int DIALOG_HEIGHT_DU = 326;

enum class Kind { Button, Edit, Static, Progress, List };

struct ControlTemplate {
    int id;
    Kind kind;
    const char* text;  // UTF-8
    int x, y, cx, cy;
};

// Template order: also the order LocalizeDialog and the Tab key visit.
const ControlTemplate kControls[] = {
    {IDC_PAGE_FIRST, Kind::Button, "|<", 50, 265, 12, 13},
    {IDC_PAGE_PREV, Kind::Button, "<", 62, 265, 12, 13},
    {IDC_PAGE_NEXT, Kind::Button, ">", 137, 265, 12, 13},
    {IDC_PAGE_LAST, Kind::Button, ">|", 149, 265, 12, 13},
    {IDC_PAGE_EDIT, Kind::Edit, "", 84, 266, 20, 12},
    {IDC_PAGE_TOTAL, Kind::Static, "/1", 111, 268, 19, 8},
    {IDC_EXPORT, Kind::Button, "导出", 260, 305, 39, 13},
    {IDC_IMPORT, Kind::Button, "导入", 200, 305, 39, 13},
    {IDC_READ, Kind::Button, "Read", 40, 305, 43, 13},
    {IDC_WRITE, Kind::Button, "Write", 100, 304, 43, 13},
    {IDC_PROGRESS, Kind::Progress, "", 20, 285, 137, 13},
    // Two lines, to the dialog's right margin: an import report fits whole.
    {IDC_STATUS, Kind::Static, "", 168, 287, 248, 16},
    {IDC_CONTACT_LIST, Kind::List, "", 7, 7, 409, 253},
};

int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

// A window's text, wherever the control keeps it.
void SetWindowText(QWidget* w, const QString& text) {
    if (auto* b = qobject_cast<QPushButton*>(w)) b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(text);
    else w->setWindowTitle(text);
}

}  // namespace

int ParsePageNumber(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (*p - '0');
    }
    if (negative) return value > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

QRect CPendrakDlg::DialogUnitsToPixels(const QRect& du, const QFont& font) {
    const QFontMetrics fm(font);
    const int textWidth =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (textWidth / 26 + 1) / 2;
    const int baseY = fm.height();
    return QRect(MulDiv(du.x(), baseX, 4), MulDiv(du.y(), baseY, 8), MulDiv(du.width(), baseX, 4),
                 MulDiv(du.height(), baseY, 8));
}

CPendrakDlg::CPendrakDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint) {
    m_hIcon = ProgramIcon();
    setProperty(CONTROL_ID_PROPERTY, IDD_PENDRAK_DIALOG);
    setWindowTitle(QStringLiteral("联系人"));
    QFont dlgFont = QApplication::font();
    dlgFont.setPointSize(9);
    setFont(dlgFont);
    CreateControls();
    OnInitDialog();
}

CPendrakDlg::~CPendrakDlg() { StopJob(); }

void CPendrakDlg::CreateControls() {
    const QFont dlgFont = font();
    const QRect size = DialogUnitsToPixels(QRect(0, 0, DIALOG_WIDTH_DU, DIALOG_HEIGHT_DU), dlgFont);
    // The template's size is the smallest: the window only grows.
    m_templateSize = size.size();
    setMinimumSize(m_templateSize);
    resize(m_templateSize);
    setSizeGripEnabled(true);

    for (const ControlTemplate& t : kControls) {
        const QString text = QString::fromUtf8(t.text);
        QWidget* w = nullptr;
        switch (t.kind) {
        case Kind::Button: {
            auto* b = new QPushButton(text, this);
            b->setAutoDefault(false);  // Enter never acts as OK
            w = b;
            break;
        }
        case Kind::Edit: {
            m_editPage = new QLineEdit(text, this);
            m_editPage->setAlignment(Qt::AlignCenter);
            m_editPage->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), m_editPage));
            m_editPage->installEventFilter(this);
            w = m_editPage;
            break;
        }
        case Kind::Static:
            if (t.id == IDC_STATUS) {
                m_staticStatus = new CStatusLine(this);
                w = m_staticStatus;
            } else {
                m_staticPageTotal = new QLabel(text, this);
                m_staticPageTotal->setTextFormat(Qt::PlainText);
                m_staticPageTotal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                w = m_staticPageTotal;
            }
            break;
        case Kind::Progress:
            m_progress = new QProgressBar(this);
            m_progress->setTextVisible(false);
            w = m_progress;
            break;
        case Kind::List:
            m_listContacts = new QTableView(this);
            m_listContacts->setEditTriggers(QAbstractItemView::NoEditTriggers);
            m_listContacts->verticalHeader()->hide();
            m_listContacts->setWordWrap(false);
            m_listContacts->setFocusPolicy(Qt::StrongFocus);
            // Tab leaves the list for the next control instead of walking its cells.
            m_listContacts->setTabKeyNavigation(false);
            w = m_listContacts;
            break;
        }
        w->setProperty(CONTROL_ID_PROPERTY, t.id);
        const QRect rect = DialogUnitsToPixels(QRect(t.x, t.y, t.cx, t.cy), dlgFont);
        w->setGeometry(rect);
        m_templateGeometry.emplace_back(w, rect);
    }

    const std::pair<int, void (CPendrakDlg::*)()> clicks[] = {
        {IDC_PAGE_FIRST, &CPendrakDlg::OnFirstPage}, {IDC_PAGE_PREV, &CPendrakDlg::OnPrevPage},
        {IDC_PAGE_NEXT, &CPendrakDlg::OnNextPage},   {IDC_PAGE_LAST, &CPendrakDlg::OnLastPage},
        {IDC_EXPORT, &CPendrakDlg::OnExport},        {IDC_IMPORT, &CPendrakDlg::OnImport},
        {IDC_READ, &CPendrakDlg::OnBnClickedRead},   {IDC_WRITE, &CPendrakDlg::OnBnClickedWrite},
    };
    for (const auto& [id, slot] : clicks) {
        // A job or a file operation hands the focus to the list: one Enter
        // too many after its box must not start it again.
        const bool action = id == IDC_EXPORT || id == IDC_IMPORT || id == IDC_READ || id == IDC_WRITE;
        connect(static_cast<QPushButton*>(GetDlgItem(id)), &QPushButton::clicked, this,
                [this, slot = slot, action] {
                    (this->*slot)();
                    if (action) FocusList();
                });
    }
    // Enter applies the typed page as leaving the edit does: the dialog
    // ignores Enter, so the edit would otherwise show a number that is not
    // the page shown until the focus moved.
    connect(m_editPage, &QLineEdit::returnPressed, this, &CPendrakDlg::OnKillFocusPageEdit);
}

QWidget* CPendrakDlg::GetDlgItem(int id) const {
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w->property(CONTROL_ID_PROPERTY).toInt() == id) return w;
    }
    return nullptr;
}

void CPendrakDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);
    LocalizeDialog();
    InitContactList();
    InitFind();
    InitEditing();
    InitKeyboard();
    SetControlTexts();
    m_staticStatus->SetFullText(QString());
    m_progress->setRange(0, PROGRESS_RANGE);
    m_progress->setValue(0);
    m_nTimerId = startTimer(JOB_TIMER_PERIOD_MS, Qt::PreciseTimer);
    ShowContactPage();
}

void CPendrakDlg::LocalizeDialog() {
    setWindowTitle(LangResource(IDD_PENDRAK_DIALOG));
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w) continue;
        const QVariant id = w->property(CONTROL_ID_PROPERTY);
        if (!id.isValid()) continue;
        const QString text = LangResource(id.toInt());
        if (!text.isEmpty()) SetWindowText(w, text);
    }
}

void CPendrakDlg::InitContactList() {
    m_pageModel = new CContactPageModel(this);
    m_listContacts->setModel(m_pageModel);
    m_listContacts->setShowGrid(true);
    m_listContacts->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listContacts->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QHeaderView* header = m_listContacts->horizontalHeader();
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Interactive);
    std::vector<int> widths(CContactPageModel::s_widths,
                            CContactPageModel::s_widths + CONTACT_LIST_COLUMNS);
    // Row numbers up to 130000 in full, not cut to "13…".
    const int margin = 2 * (m_listContacts->style()->pixelMetric(QStyle::PM_FocusFrameHMargin,
                                                                 nullptr, m_listContacts) +
                            1);
    const int numberWidth =
        m_listContacts->fontMetrics().horizontalAdvance(QStringLiteral("130000")) + margin + 1;
    widths[0] = std::max(widths[0], numberWidth);
    // Callsign and the texts after it share the room; the user's widths first.
    m_columnWidths = CColumnWidths(widths, 2);
    m_columnWidths.Parse(theAppData.m_strColumnWidths);
    for (int c = 0; c < CONTACT_LIST_COLUMNS; ++c)
        m_listContacts->setColumnWidth(c, m_columnWidths.Base()[static_cast<size_t>(c)]);
    connect(header, &QHeaderView::sectionResized, this, [this] {
        if (!m_bFittingColumns) OnColumnDragged();
    });
    m_listContacts->viewport()->installEventFilter(this);
    m_listContacts->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_listContacts->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    m_nFirstIndex = 0;
}

void CPendrakDlg::ShowContactPage() {
    const int m = theAppData.m_contacts.GetContactCount();
    if (m < CONTACTS_PER_PAGE) {
        m_nPageCount = 1;
        m_nCurPage = 0;
        m_nPageItems = m;
    } else {
        m_nPageCount = m / CONTACTS_PER_PAGE + (m % CONTACTS_PER_PAGE ? 1 : 0);
        m_nCurPage = m_nFirstIndex / CONTACTS_PER_PAGE;
        if (m_nCurPage > m_nPageCount - 1) m_nCurPage = m_nPageCount - 1;
        if (m_nCurPage < 0) m_nCurPage = 0;
        m_nPageItems = m_nCurPage == m_nPageCount - 1 ? m - CONTACTS_PER_PAGE * (m_nPageCount - 1)
                                                      : CONTACTS_PER_PAGE;
    }
    UpdatePageControls();
    if (m_nFirstIndex > m - 1) m_nFirstIndex = m - 1;
    m_pageModel->FillPage(theAppData.m_contacts, m_nCurPage * CONTACTS_PER_PAGE, m_nPageItems);
    // Another page (or another list) starts at its first row.
    if (m_nCurPage != m_nShownPage) m_listContacts->scrollToTop();
    m_nShownPage = m_nCurPage;
    if (m_listContacts->hasFocus()) ShowListFocus();
}

void CPendrakDlg::UpdatePageControls() {
    m_editPage->setText(QString::number(m_nCurPage + 1));
    m_staticPageTotal->setText(QStringLiteral("/%1").arg(m_nPageCount));
    const bool idle = !IsJobRunning();
    GetDlgItem(IDC_PAGE_FIRST)->setEnabled(idle && m_nCurPage > 0);
    GetDlgItem(IDC_PAGE_PREV)->setEnabled(idle && m_nCurPage > 0);
    GetDlgItem(IDC_PAGE_NEXT)->setEnabled(idle && m_nCurPage < m_nPageCount - 1);
    GetDlgItem(IDC_PAGE_LAST)->setEnabled(idle && m_nCurPage < m_nPageCount - 1);
    AnnouncePage();
}

void CPendrakDlg::OnFirstPage() {
    if (m_nCurPage <= 0 || IsJobRunning()) return;
    m_nCurPage = 0;
    m_nFirstIndex = 0;
    UpdatePageControls();
    ShowContactPage();
}

void CPendrakDlg::OnPrevPage() {
    if (m_nCurPage <= 0 || IsJobRunning()) return;
    --m_nCurPage;
    m_nFirstIndex = m_nCurPage * CONTACTS_PER_PAGE;
    UpdatePageControls();
    ShowContactPage();
}

void CPendrakDlg::OnNextPage() {
    if (m_nCurPage >= m_nPageCount - 1 || IsJobRunning()) return;
    ++m_nCurPage;
    m_nFirstIndex = m_nCurPage * CONTACTS_PER_PAGE;
    UpdatePageControls();
    ShowContactPage();
}

void CPendrakDlg::OnLastPage() {
    if (m_nCurPage >= m_nPageCount - 1 || IsJobRunning()) return;
    m_nCurPage = m_nPageCount - 1;
    m_nFirstIndex = m_nCurPage * CONTACTS_PER_PAGE;
    UpdatePageControls();
    ShowContactPage();
}

void CPendrakDlg::OnKillFocusPageEdit() {
    if (IsJobRunning()) return;
    int p = ParsePageNumber(m_editPage->text());
    // In 64 bits: the lowest 32-bit number minus one must not wrap.
    long long page = static_cast<long long>(p) - 1;
    if (page < 0) page = 0;
    else if (page > m_nPageCount - 1) page = m_nPageCount - 1;
    p = static_cast<int>(page);
    m_editPage->setText(QString::number(p + 1));
    if (p != m_nCurPage) {
        m_nCurPage = p;
        m_nFirstIndex = p * CONTACTS_PER_PAGE;
        UpdatePageControls();
        ShowContactPage();
    }
}

bool CPendrakDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_listContacts && watched == m_listContacts->viewport() && event->type() == QEvent::Resize)
        FitColumns();
    // A context menu takes the focus only for a moment: that is no leaving.
    if (watched == m_editPage && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        OnKillFocusPageEdit();
    return QDialog::eventFilter(watched, event);
}

void CPendrakDlg::accept() {}

void CPendrakDlg::reject() {
    if (!MayClose()) return;
    StopJob();
    QDialog::reject();
}

void CPendrakDlg::FocusList() {
    m_listContacts->setFocus(Qt::OtherFocusReason);
    ShowListFocus();
}

void CPendrakDlg::keyPressEvent(QKeyEvent* event) {
    // Esc closes an open find field first, not the window.
    if (event->key() == Qt::Key_Escape && m_findBar->isVisible()) {
        m_findBar->Close();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused button takes Enter as a click; anywhere else it does nothing.
        if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isEnabled()) b->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPendrakDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_nTimerId) {
        OnTimer(ID_TIMER_JOB);
        PollDatabaseUpdate();
    }
    QDialog::timerEvent(event);
}

}  // namespace pendrak
