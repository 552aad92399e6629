// A window that grows: the list takes the room beyond the template's size,
// the controls below it keep their places relative to the bottom edge, and
// the text columns share the list's width.
#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>

#include "app/ContactPageModel.h"
#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"
#include "settings/AppData.h"

namespace pendrak {

void CPendrakDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void CPendrakDlg::LayoutControls() {
    const int grownX = std::max(0, width() - m_templateSize.width());
    const int grownY = std::max(0, height() - m_templateSize.height());
    for (const auto& [control, rect] : m_templateGeometry) {
        QRect placed = rect;
        if (control == m_listContacts) {
            placed.adjust(0, 0, grownX, grownY);
            m_rectListArea = placed;
            // The find field takes a strip above the list, never a row of it.
            if (m_findBar && m_findBar->isVisible()) {
                m_findBar->Place(placed);
                placed.setTop(m_findBar->geometry().bottom() + 2);
            }
        } else {
            placed.translate(0, grownY);
            // Nothing stands right of the status line: longer texts may use the room.
            if (control->property(CONTROL_ID_PROPERTY).toInt() == IDC_STATUS)
                placed.setWidth(rect.width() + grownX);
        }
        control->setGeometry(placed);
    }
}

void CPendrakDlg::FitColumns() {
    const std::vector<int> widths = m_columnWidths.Fit(m_listContacts->viewport()->width());
    m_bFittingColumns = true;
    for (int c = 0; c < CONTACT_LIST_COLUMNS; ++c)
        m_listContacts->setColumnWidth(c, widths[static_cast<size_t>(c)]);
    m_bFittingColumns = false;
}

void CPendrakDlg::OnColumnDragged() {
    std::vector<int> shown;
    for (int c = 0; c < CONTACT_LIST_COLUMNS; ++c) shown.push_back(m_listContacts->columnWidth(c));
    m_columnWidths.SetBase(shown);
    // Kept once the dragging has stopped, not at every pixel.
    if (!m_pColumnSaveTimer) {
        m_pColumnSaveTimer = new QTimer(this);
        m_pColumnSaveTimer->setSingleShot(true);
        m_pColumnSaveTimer->setInterval(700);
        connect(m_pColumnSaveTimer, &QTimer::timeout, this, [this] {
            const std::string text = m_columnWidths.Format();
            if (text == theAppData.m_strColumnWidths) return;
            // Not kept (a read-only setting.txt) is no reason to bother the user.
            if (WriteSettingValues(theAppData.m_strSettingFile, {{"column_widths", text}}, nullptr))
                theAppData.m_strColumnWidths = text;
        });
    }
    m_pColumnSaveTimer->start();
}

}  // namespace pendrak
