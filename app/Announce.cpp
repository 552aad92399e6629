#include "app/Announce.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "app/DisplayText.h"

namespace pendrak {

namespace {

AnnounceSink g_sink = nullptr;

class CAnnouncerAccessible : public QAccessibleWidget {
public:
    explicit CAnnouncerAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
};

QAccessibleInterface* AnnouncerFactory(const QString& key, QObject* object) {
    if (key == QLatin1String("pendrak::CAnnouncer") && object->isWidgetType())
        return new CAnnouncerAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

CAnnouncer::CAnnouncer(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(AnnouncerFactory);
        return true;
    }();
    (void)installed;
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 1, 1);  // nothing to see: it is only heard
    hide();
}

void CAnnouncer::Say(const QString& text) {
    // Appearing is what a screen reader speaks; hidden first, so that the
    // same text said twice is heard twice.
    hide();
    setAccessibleName(text);
    show();
    QAccessibleEvent event(this, QAccessible::ObjectShow);
    if (g_sink) g_sink(&event);
}

void SetAnnounceSink(AnnounceSink sink) { g_sink = sink; }

void Announce(QWidget* w, const QString& name, bool alert) {
    if (w->accessibleName() == name) return;
    w->setAccessibleName(name);  // sends the name change itself
    if (!alert) return;
    if (auto* announcer = w->window()->findChild<CAnnouncer*>()) announcer->Say(name);
}

QString PagePositionText(int page, int pageCount) {
    return LangStringOr("IDS_ACC_PAGEPOS", "Page %1 of %2").arg(page).arg(pageCount);
}

}  // namespace pendrak
