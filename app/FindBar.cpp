#include "app/FindBar.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <algorithm>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>

#include "app/DisplayText.h"

namespace pendrak {

namespace {

QToolButton* MakeButton(QWidget* parent, QStyle::StandardPixmap icon) {
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
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
    m_editFind->setClearButtonEnabled(true);
    m_paletteNormal = m_editFind->palette();
    m_staticResult = new QLabel(this);
    m_staticResult->setTextFormat(Qt::PlainText);
    m_staticResult->setMinimumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("130000/130000")));
    auto* previousButton = m_buttonPrevious = MakeButton(this, QStyle::SP_ArrowUp);
    auto* nextButton = m_buttonNext = MakeButton(this, QStyle::SP_ArrowDown);
    auto* closeButton = m_buttonClose = MakeButton(this, QStyle::SP_TitleBarCloseButton);
    Retranslate();

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

void CFindBar::Retranslate() {
    const QString hint = LangStringOr("IDS_FIND_HINT", "Radio ID, callsign, name, city…");
    m_editFind->setPlaceholderText(hint);
    // Room for the hint whole beside the clear button, in any language.
    const QFontMetrics fm = m_editFind->fontMetrics();
    m_editFind->setMinimumWidth(std::max(fm.horizontalAdvance(QLatin1Char('x')) * 28,
                                         fm.horizontalAdvance(hint) + 2 * fm.height()));
    m_editFind->setAccessibleName(LangStringOr("IDS_ACC_FIND", "Find"));
    const QString keys = QKeySequence(QKeySequence::Find).toString(QKeySequence::NativeText);
    m_editFind->setToolTip(
        LangStringOr("IDS_TIP_FIND", "Find a contact in the whole list (%1)").arg(keys));
    m_editFind->setAccessibleDescription(m_editFind->toolTip());
    m_staticResult->setAccessibleName(LangStringOr("IDS_ACC_FINDRESULT", "Match"));
    const struct {
        QToolButton* button;
        const char* key;
        const char* english;
        QKeySequence keys;
    } buttons[] = {
        {m_buttonPrevious, "IDS_TIP_FINDPREV", "Previous match (%1)", QKeySequence(Qt::SHIFT | Qt::Key_F3)},
        {m_buttonNext, "IDS_TIP_FINDNEXT", "Next match (%1)", QKeySequence(Qt::Key_F3)},
        {m_buttonClose, "IDS_TIP_FINDCLOSE", "Close find (%1)", QKeySequence(Qt::Key_Escape)},
    };
    for (const auto& b : buttons) {
        const QString tip = LangStringOr(b.key, b.english);
        b.button->setToolTip(tip.arg(b.keys.toString(QKeySequence::NativeText)));
        // Read out without the key: the name is what the button does.
        static const QRegularExpression keyPart(QStringLiteral("\\s*[(\\x{FF08}]%1[)\\x{FF09}]"));
        b.button->setAccessibleName(QString(tip).remove(keyPart).trimmed());
    }
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
