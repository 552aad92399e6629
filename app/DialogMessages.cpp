#include "app/DialogMessages.h"

#include <QDir>

#include "app/DisplayText.h"
#include "radio/RadioJob.h"

namespace pendrak {

namespace {

struct FileErrorEntry {
    FileErrorCause cause;
    const char* key;
    const char* english;
};

const FileErrorEntry kFileErrors[] = {
    {FileErrorCause::none, "IDS_FILEERR_NONE", "No error occurred with %1."},
    {FileErrorCause::genericException, "IDS_FILEERR_GENERIC", "An unknown error occurred with %1."},
    {FileErrorCause::fileNotFound, "IDS_FILEERR_NOTFOUND", "%1 was not found."},
    {FileErrorCause::badPath, "IDS_FILEERR_BADPATH",
     "%1 cannot be reached: a folder on its path does not exist or the name is not valid."},
    {FileErrorCause::tooManyOpenFiles, "IDS_FILEERR_TOOMANY",
     "%1 cannot be opened: too many files are open."},
    {FileErrorCause::accessDenied, "IDS_FILEERR_DENIED",
     "%1 cannot be used: permission denied."},
    {FileErrorCause::invalidFile, "IDS_FILEERR_INVALID", "%1: the file handle is not valid."},
    {FileErrorCause::removeCurrentDir, "IDS_FILEERR_CURDIR",
     "%1 cannot be removed: it is the current folder."},
    {FileErrorCause::directoryFull, "IDS_FILEERR_DIRFULL",
     "%1 cannot be created: the folder is full."},
    {FileErrorCause::badSeek, "IDS_FILEERR_SEEK", "%1 cannot be read from the start again."},
    {FileErrorCause::hardIO, "IDS_FILEERR_IO", "A hardware I/O error occurred with %1."},
    {FileErrorCause::sharingViolation, "IDS_FILEERR_SHARING",
     "%1 cannot be used: it is in use by another program."},
    {FileErrorCause::lockViolation, "IDS_FILEERR_LOCK",
     "%1 cannot be used: another program has locked it."},
    {FileErrorCause::diskFull, "IDS_FILEERR_DISKFULL",
     "%1 cannot be written: there is no space left on the disk."},
    {FileErrorCause::endOfFile, "IDS_FILEERR_EOF", "%1 ended before it was read whole."},
    {FileErrorCause::readOnly, "IDS_FILEERR_READONLY",
     "%1 cannot be written: the file system is read-only."},
    {FileErrorCause::isDirectory, "IDS_FILEERR_FOLDER", "%1 is a folder, not a file."},
};

QString StepText(const RadioJob& job) {
    switch (job.nFailStep.load()) {
    case JOB_STEP_CONTACT_AREA:
        return LangStringOr("IDS_STEP_AREA", "Step: asking where the contacts are kept.");
    case JOB_STEP_HANDSHAKE: return LangStringOr("IDS_STEP_HANDSHAKE", "Step: the model handshake.");
    case JOB_STEP_VERSION:
        return LangStringOr("IDS_STEP_VERSION", "Step: reading the version record again.");
    case JOB_STEP_HEADER:
        return LangStringOr("IDS_STEP_HEADER", "Step: reading how many contacts the radio holds.");
    case JOB_STEP_DATA:
        return LangStringOr("IDS_STEP_DATA", "Step: the contact data, after %1 of %2 bytes.")
            .arg(job.nBytesDone.load())
            .arg(job.nBytesTotal.load());
    case JOB_STEP_VERIFY:
        return LangStringOr("IDS_STEP_VERIFY", "Step: reading back what was written.");
    default: return {};
    }
}

QString CauseText(const RadioJob& job, const QString& linkFault) {
    switch (job.nFailCause.load()) {
    case JOB_CAUSE_NO_ANSWER:
        return LangStringOr("IDS_CAUSE_NOANSWER", "Cause: the radio did not answer.");
    case JOB_CAUSE_SHORT_ANSWER:
        return LangStringOr("IDS_CAUSE_SHORT", "Cause: the radio's answer was cut short.");
    case JOB_CAUSE_WRONG_ANSWER:
        return LangStringOr("IDS_CAUSE_WRONG", "Cause: the radio gave a wrong answer.");
    case JOB_CAUSE_REFUSED:
        return LangStringOr("IDS_CAUSE_REFUSED", "Cause: the radio refused the block.");
    case JOB_CAUSE_STOPPED: return LangStringOr("IDS_CAUSE_STOPPED", "Cause: it was stopped.");
    case JOB_CAUSE_LINK:
        if (!linkFault.isEmpty())
            return LangStringOr("IDS_CAUSE_LINK", "Cause: %1").arg(linkFault);
        break;
    default: break;
    }
    return {};
}

}  // namespace

QString FileErrorMessage(FileErrorCause cause, const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    for (const FileErrorEntry& e : kFileErrors)
        if (e.cause == cause) return LangStringOr(e.key, e.english).arg(shown);
    return LangStringOr("IDS_FILEERR_GENERIC", "An unknown error occurred with %1.").arg(shown);
}

QString JobFailureDetail(const RadioJob& job, const QString& linkFault) {
    QStringList lines;
    if (const QString step = StepText(job); !step.isEmpty()) lines << step;
    if (const QString cause = CauseText(job, linkFault); !cause.isEmpty()) lines << cause;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace pendrak
