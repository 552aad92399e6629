// "Options…": the settings of [setup] without a text editor. Built from
// the table of OptionKeys(), one row per key.
#pragma once

#include <QDialog>
#include <vector>

#include "app/OptionKeys.h"

class QLabel;
class QPushButton;

namespace pendrak {

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(QWidget* parent);

    // The widget of a key (QLineEdit, QCheckBox or QComboBox), and the label
    // under it that says why a value will not do.
    QWidget* Editor(const char* key) const;
    QLabel* Problem(const char* key) const;
    QPushButton* OkButton() const { return m_buttonOk; }
    // What OK wrote to setting.txt: the keys that changed.
    const SettingValues& Changed() const { return m_changed; }

private:
    struct Row {
        const OptionKey* option;
        QWidget* editor;
        QLabel* problem;
        std::string original;  // as the file holds it: kept while untouched
        QString shown;
    };

    QWidget* MakeEditor(const OptionKey& option, const std::string& value);
    std::string ValueOf(const Row& row) const;
    static QString ShownText(const Row& row);
    void OnOk();

    std::vector<Row> m_rows;
    SettingValues m_changed;
    QPushButton* m_buttonOk = nullptr;
};

}  // namespace pendrak
