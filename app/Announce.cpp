#include "app/Announce.h"

#include <QAccessible>
#include <QWidget>

#include "app/DisplayText.h"

namespace pendrak {

namespace {
AnnounceSink g_sink = nullptr;
}  // namespace

void SetAnnounceSink(AnnounceSink sink) { g_sink = sink; }

void Announce(QWidget* w, const QString& name, bool alert) {
    if (w->accessibleName() == name) return;
    w->setAccessibleName(name);  // sends the name change itself
    if (!alert) return;
    QAccessibleEvent event(w, QAccessible::Alert);
    if (g_sink) g_sink(&event);
    else QAccessible::updateAccessibility(&event);
}

QString PagePositionText(int page, int pageCount) {
    return LangStringOr("IDS_ACC_PAGEPOS", "Page %1 of %2").arg(page).arg(pageCount);
}

}  // namespace pendrak
