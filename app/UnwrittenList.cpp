#include "app/UnwrittenList.h"

#include <QDir>

#include "app/DisplayText.h"
#include "radio/RadioJob.h"

namespace pendrak {

QString CUnwrittenList::DropQuestion() const {
    QString how;
    switch (m_change) {
    case ListChange::Imported: how = LangStringOr("IDS_CHANGE_IMPORTED", "imported"); break;
    case ListChange::Added: how = LangStringOr("IDS_CHANGE_ADDED", "added to from a file"); break;
    case ListChange::OpenedBackup:
        how = LangStringOr("IDS_CHANGE_BACKUP", "opened from a backup");
        break;
    case ListChange::Edited: how = LangStringOr("IDS_CHANGE_EDITED", "edited"); break;
    }
    return LangStringOr("IDS_ASK_DROPLIST",
                        "The list shown was %1 and has not been written to the radio since.\n\n"
                        "Close the window and lose it?")
        .arg(how);
}

CloseAsk CloseQuestionFor(bool writeRunning, const CUnwrittenList& list) {
    if (writeRunning) return CloseAsk::StopWrite;
    return list.IsUnwritten() ? CloseAsk::DropList : CloseAsk::Nothing;
}

QString StopWriteQuestion() {
    return LangStringOr("IDS_ASK_STOPWRITE",
                        "A Write is under way. Stopping it now leaves the radio with part of the "
                        "new list and part of the old one.\n\nStop the Write and close the window?");
}

QString IncompleteRadioText(const RadioJob& job, const QString& backupPath) {
    if (!RadioLeftIncomplete(job)) return {};
    const QString held = LangStringOr("IDS_RADIO_INCOMPLETE",
                                      "The radio now holds an incomplete list: %1 of %2 bytes "
                                      "were written.")
                             .arg(job.nBytesDone.load())
                             .arg(job.nBytesTotal.load());
    if (backupPath.isEmpty())
        return held + QLatin1Char('\n') +
               LangStringOr("IDS_RADIO_NOBACKUP",
                            "No backup of the list was kept: write it again to complete the radio.");
    return held + QLatin1Char('\n') +
           LangStringOr("IDS_RADIO_RESTORE",
                        "The backup %1 holds the whole list: open it with \"Open backup…\" and "
                        "Write it.")
               .arg(QDir::toNativeSeparators(backupPath));
}

}  // namespace pendrak
