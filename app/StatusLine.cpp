#include "app/StatusLine.h"

#include <QFontMetrics>
#include <QTextLayout>

#include "app/Announce.h"
#include "app/DisplayText.h"

namespace pendrak {

QString FitToTwoLines(const QString& text, const QFont& font, int width) {
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QFontMetrics fm(font);
    if (width <= 0 || fm.horizontalAdvance(flat) <= width) return flat;
    // The first line as Qt would wrap it: at a blank, or anywhere in a text
    // without blanks (Chinese).
    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    first.setLineWidth(width);
    const int cut = first.isValid() ? first.textStart() + first.textLength() : 0;
    layout.endLayout();
    if (cut <= 0 || cut >= flat.size()) return flat;
    const QString rest = flat.mid(cut).trimmed();
    return flat.left(cut).trimmed() + QLatin1Char('\n') + fm.elidedText(rest, Qt::ElideRight, width);
}

CStatusLine::CStatusLine(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);  // a path or a language text may hold '<'
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void CStatusLine::SetFullText(const QString& text, bool announce) {
    m_strFull = text;
    setToolTip(text);
    Refit();
    Announce(this, AccessibleText(), announce && !text.trimmed().isEmpty());
}

void CStatusLine::Retranslate() { Announce(this, AccessibleText(), false); }

QString CStatusLine::AccessibleText() const {
    const QString name = LangStringOr("IDS_ACC_STATUS", "Status");
    return m_strFull.trimmed().isEmpty()
               ? name
               : LangStringOr("IDS_ACC_STATUSTEXT", "%1: %2").arg(name, m_strFull.trimmed());
}

void CStatusLine::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Refit();
}

void CStatusLine::Refit() { QLabel::setText(FitToTwoLines(m_strFull, font(), contentsRect().width())); }

}  // namespace pendrak
