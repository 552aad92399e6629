// The file dialogs by purpose: each has its own title and starts in the
// folder last used for that purpose, kept in setting.txt.
#pragma once

#include <QString>

namespace pendrak {

enum class FilePurpose { Import, AddFromFile, Export, OpenBackup };

QString FileDialogTitle(FilePurpose purpose);
// The folder last used for the purpose while it still exists; else the
// backup folder for backups, the user's home folder for the others.
QString StartFolder(FilePurpose purpose);
// Keeps the folder of the file chosen; false (the file left as it was) when
// setting.txt cannot be written.
bool RememberFolder(FilePurpose purpose, const QString& chosenFile);

}  // namespace pendrak
