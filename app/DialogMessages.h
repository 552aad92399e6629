// Texts the dialog builds from several parts: a file error with its cause,
// a failed Read or Write with its step and cause. All of them from the
// language file, with English where an older file lacks a key.
#pragma once

#include <QString>

#include "csv/ContactCsv.h"

namespace pendrak {

struct RadioJob;

// "Cannot write C:\x.csv: the file system is read-only."; path as shown.
QString FileErrorMessage(FileErrorCause cause, const QString& path);

// Where a failed job stopped and why, one line each; linkFault is the
// link's own words (RadioLinkFault()) for a job that failed through it.
QString JobFailureDetail(const RadioJob& job, const QString& linkFault);

}  // namespace pendrak
