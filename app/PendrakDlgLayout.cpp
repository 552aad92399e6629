// A window that grows: the list takes the room beyond the template's size,
// the controls below it keep their places relative to the bottom edge.
#include <QResizeEvent>
#include <QTableView>
#include <algorithm>

#include "app/FindBar.h"
#include "app/PendrakDlg.h"
#include "app/Resource.h"

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
        } else {
            placed.translate(0, grownY);
            // Nothing stands right of the status line: longer texts may use the room.
            if (control->property(CONTROL_ID_PROPERTY).toInt() == IDC_STATUS)
                placed.setWidth(rect.width() + grownX);
        }
        control->setGeometry(placed);
    }
    if (m_findBar && m_findBar->isVisible()) m_findBar->Place(FindBarArea());
}

}  // namespace pendrak
