#include "app/ContactPageModel.h"

#include "app/DisplayText.h"
#include "contacts/ContactImage.h"

namespace pendrak {

const char* const CContactPageModel::s_headings[CONTACT_LIST_COLUMNS] = {
    "", "Radio ID", "Callsign", "Name", "Nickname", "City", "State", "Country", "Remarks"};
// Their texts in the language file; s_headings where a file lacks them.
const char* const kHeadingKeys[CONTACT_LIST_COLUMNS] = {
    nullptr,          "IDS_COL_RADIOID", "IDS_COL_CALLSIGN", "IDS_COL_NAME",   "IDS_COL_NICKNAME",
    "IDS_COL_CITY", "IDS_COL_STATE",   "IDS_COL_COUNTRY",  "IDS_COL_REMARKS"};
const int CContactPageModel::s_widths[CONTACT_LIST_COLUMNS] = {50, 80, 80, 80, 80, 80, 80, 80, 80};

void CContactPageModel::DeleteAllItems() {
    if (m_rows.empty()) return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void CContactPageModel::FillPage(const CContactImage& image, int firstIndex, int count) {
    beginResetModel();
    m_rows.clear();
    m_rows.resize(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        const int n = firstIndex + i;
        auto& row = m_rows[static_cast<size_t>(i)];
        row[0] = QString::number(n + 1);
        row[1] = QString::number(image.GetContactRadioId(n));
        for (int f = 0; f < CONTACT_FIELD_COUNT; ++f)
            row[static_cast<size_t>(2 + f)] =
                FromProgramBytes(image.GetContactFieldText(static_cast<ContactField>(f), n));
    }
    endResetModel();
}

QString CContactPageModel::ItemText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= CONTACT_LIST_COLUMNS) return {};
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

int CContactPageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CContactPageModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : CONTACT_LIST_COLUMNS;
}

QVariant CContactPageModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return ItemText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant CContactPageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= CONTACT_LIST_COLUMNS) return {};
    if (role == Qt::DisplayRole)
        return kHeadingKeys[section] ? LangStringOr(kHeadingKeys[section], s_headings[section])
                                     : QString();
    // The row numbers' column has no heading on screen; a screen reader names it.
    if (role == Qt::AccessibleTextRole && section == 0) return LangStringOr("IDS_COL_NUMBER", "No.");
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

}  // namespace pendrak
