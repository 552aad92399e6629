// The rows of the one page the list shows: texts decoded once per fill,
// the image's bytes left as they are.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

namespace pendrak {

class CContactImage;

constexpr int CONTACT_LIST_COLUMNS = 9;

class CContactPageModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Headings are fixed texts in every language.
    static const char* const s_headings[CONTACT_LIST_COLUMNS];
    static const int s_widths[CONTACT_LIST_COLUMNS];

    void DeleteAllItems();
    // Rows firstIndex .. firstIndex+count-1 of the image, numbered from 1.
    void FillPage(const CContactImage& image, int firstIndex, int count);

    QString ItemText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<std::array<QString, CONTACT_LIST_COLUMNS>> m_rows;
};

}  // namespace pendrak
