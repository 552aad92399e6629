// The dialog's side of the import report and of the import settings.
#pragma once

#include <QString>

#include "contacts/ContactChoice.h"
#include "csv/ImportReport.h"

namespace pendrak {

// The choice from [setup] of setting.txt (prefer, near, only, exclude); a
// message naming the key when one cannot be used, else empty.
QString ImportOptionsFromSettings(CContactChoice& choice);

// Report texts from the language file, in UTF-8.
ReportTextFn DialogReportText();

}  // namespace pendrak
