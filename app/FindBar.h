// The find field that Ctrl+F opens at the top right of the contact list's
// room (the list moves down to make way); hidden while not in use.
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

    // Shows the bar at the top right of `area` (a sibling's room) with the
    // text selected for typing over.
    void Open(const QRect& area);
    void Close();
    // Keeps the bar at the top right of `area` after a resize.
    void Place(const QRect& area);

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
