// The status line: the whole text when it fits on one line or two, else
// two lines cut with an ellipsis; the whole text is always in its tooltip.
#pragma once

#include <QLabel>

namespace pendrak {

// text fitted to two lines of width pixels: unchanged when it fits on one,
// broken once where it needs two, the second line cut with "…" beyond that.
QString FitToTwoLines(const QString& text, const QFont& font, int width);

class CStatusLine : public QLabel {
    Q_OBJECT
public:
    explicit CStatusLine(QWidget* parent = nullptr);
    // The text as given; text() is what is shown. Screen readers are told
    // of it; `announce` false (progress ticks) only renames the line.
    void SetFullText(const QString& text, bool announce = true);
    // The accessible name in the current language ("Status: …").
    void Retranslate();
    QString FullText() const { return m_strFull; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refit();
    QString AccessibleText() const;
    QString m_strFull;
};

}  // namespace pendrak
