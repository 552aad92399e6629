#include "app/FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include "app/DisplayText.h"

namespace pendrak {

namespace {

QToolButton* MakeButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);  // typing stays in the field
    return button;
}

}  // namespace

CFindBar::CFindBar(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);

    m_editFind = new QLineEdit(this);
    m_editFind->setPlaceholderText(
        LangStringOr("IDS_FIND_HINT", "Radio ID, callsign, name, city…"));
    m_editFind->setClearButtonEnabled(true);
    m_editFind->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 28);
    m_paletteNormal = m_editFind->palette();
    m_staticResult = new QLabel(this);
    m_staticResult->setTextFormat(Qt::PlainText);
    m_staticResult->setMinimumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("130000/130000")));
    auto* previousButton = MakeButton(this, QStyle::SP_ArrowUp, QStringLiteral("Shift+F3"));
    auto* nextButton = MakeButton(this, QStyle::SP_ArrowDown, QStringLiteral("F3"));
    auto* closeButton = MakeButton(this, QStyle::SP_TitleBarCloseButton, QStringLiteral("Esc"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 2, 2);
    row->setSpacing(4);
    row->addWidget(m_editFind, 1);
    row->addWidget(m_staticResult);
    row->addWidget(previousButton);
    row->addWidget(nextButton);
    row->addWidget(closeButton);

    connect(m_editFind, &QLineEdit::textChanged, this, &CFindBar::TextChanged);
    connect(previousButton, &QToolButton::clicked, this, &CFindBar::FindPrevious);
    connect(nextButton, &QToolButton::clicked, this, &CFindBar::FindNext);
    connect(closeButton, &QToolButton::clicked, this, &CFindBar::Close);
    hide();
}

void CFindBar::Open(const QRect& area) {
    Place(area);
    show();
    raise();
    m_editFind->setFocus(Qt::ShortcutFocusReason);
    m_editFind->selectAll();
}

void CFindBar::Close() {
    if (!isVisible()) return;
    hide();
    emit Closed();
}

void CFindBar::Place(const QRect& area) {
    const QSize size = sizeHint().boundedTo(area.size());
    setGeometry(area.right() - size.width() + 1, area.top(), size.width(), size.height());
}

QString CFindBar::Text() const {
    return m_editFind->text();
}

void CFindBar::ShowResult(const QString& text, bool noMatch) {
    m_staticResult->setText(text);
    QPalette palette = m_paletteNormal;
    if (noMatch) palette.setColor(QPalette::Base, QColor(255, 200, 200));
    m_editFind->setPalette(palette);
}

void CFindBar::keyPressEvent(QKeyEvent* event) {
    // The field ignores these keys, so they reach the bar before the dialog,
    // which would take Esc for closing the window.
    switch (event->key()) {
        case Qt::Key_Escape:
            Close();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (event->modifiers() & Qt::ShiftModifier)
                emit FindPrevious();
            else
                emit FindNext();
            break;
        default:
            QFrame::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace pendrak
