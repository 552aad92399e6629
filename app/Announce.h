// What a screen reader is told when a text that is not in focus changes.
#pragma once

#include <QString>

class QAccessibleEvent;
class QWidget;

namespace pendrak {

// Gives w the accessible name `name` and, when that is new, tells assistive
// tools: a name change, and with `alert` an alert, which screen readers
// speak (progress ticks go without, so as not to drown everything else).
void Announce(QWidget* w, const QString& name, bool alert = true);

// Where announcements go: Qt's accessibility, which hands them on to a
// screen reader when one is active; a test takes them itself (null: Qt's).
using AnnounceSink = void (*)(const QAccessibleEvent* event);
void SetAnnounceSink(AnnounceSink sink);

// "Page 3 of 650" in the current language, for the page number and count.
QString PagePositionText(int page, int pageCount);

}  // namespace pendrak
