// What a screen reader is told when a text that is not in focus changes.
#pragma once

#include <QString>
#include <QWidget>

class QAccessibleEvent;

namespace pendrak {

// An invisible notification in the window: screen readers (Orca among them)
// speak a notification when it appears, while a label's new name is read
// only when the user goes to it.
class CAnnouncer : public QWidget {
    Q_OBJECT
public:
    explicit CAnnouncer(QWidget* parent);
    void Say(const QString& text);
};

// Gives w the accessible name `name` and, when that is new and `alert`, has
// the window's announcer say it (progress ticks go without, so as not to
// drown everything else).
void Announce(QWidget* w, const QString& name, bool alert = true);

// Where announcements go: Qt's accessibility, which hands them on to a
// screen reader when one is active; a test takes them itself (null: Qt's).
using AnnounceSink = void (*)(const QAccessibleEvent* event);
void SetAnnounceSink(AnnounceSink sink);

// "Page 3 of 650" in the current language, for the page number and count.
QString PagePositionText(int page, int pageCount);

}  // namespace pendrak
