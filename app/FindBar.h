// The find field that Ctrl+F lays over the top right of the contact list;
// hidden while not in use.
#pragma once

#include <QFrame>
#include <QPalette>
#include <QString>

class QLabel;
class QLineEdit;
class QToolButton;

namespace pendrak {

class CFindBar : public QFrame {
    Q_OBJECT
public:
    explicit CFindBar(QWidget* parent);

    // Shows the bar over the top right of `over` (a sibling) with the text
    // selected for typing over.
    void Open(const QRect& over);
    void Close();
    // Keeps the bar at the top right of `over` after a resize.
    void Place(const QRect& over);

    // Texts, tooltips and accessible names in the current language.
    void Retranslate();

    QString Text() const;
    QLineEdit* Edit() const { return m_editFind; }
    QLabel* Result() const { return m_staticResult; }
    // "3/17", or the no-match text, which also tints the field.
    void ShowResult(const QString& text, bool noMatch);

signals:
    void TextChanged();
    void FindNext();
    void FindPrevious();
    void Closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_editFind = nullptr;
    QLabel* m_staticResult = nullptr;
    QToolButton* m_buttonPrevious = nullptr;
    QToolButton* m_buttonNext = nullptr;
    QToolButton* m_buttonClose = nullptr;
    QPalette m_paletteNormal;
};

}  // namespace pendrak
