#include "app/JobProgress.h"

#include <QLocale>
#include <algorithm>

#include "app/DisplayText.h"
#include "contacts/ContactImage.h"
#include "radio/RadioJob.h"

namespace pendrak {

QString GroupedNumber(int n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

QString JobProgressText(int32_t state, int bytesDone, int bytesTotal, int percent) {
    percent = std::clamp(percent, 0, 100);
    const char* key = "IDS_PROGRESS_READ";
    const char* english = "Reading: %1 of %2 contacts, %3%";
    if (state == JOB_WRITING) {
        key = "IDS_PROGRESS_WRITE";
        english = "Writing: %1 of %2 contacts, %3%";
    } else if (state == JOB_VERIFYING) {
        key = "IDS_PROGRESS_VERIFY";
        english = "Verifying: %1 of %2 contacts, %3%";
    }
    // Before the count is known (a Read's header) only the percentage.
    if (bytesTotal <= 0) return QString::asprintf(" %d%%", percent);
    const int total = ContactsWithinLength(bytesTotal);
    const int done = std::min(ContactsWithinLength(std::max(bytesDone, 0)), total);
    return LangStringOr(key, english)
        .arg(GroupedNumber(done), GroupedNumber(total), QString::number(percent));
}

}  // namespace pendrak
