// The contact CSV file: its format, export of the image and import into it.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "contacts/ContactImage.h"

namespace pendrak {

extern const char CSV_HEADER[];  // "Radio ID,Callsign,...,Remarks,\n"

// "<prefix>-<YYYYmmddHHMMSS>.csv"; the timestamp is empty when localTime is
// null (the clock or its conversion failed).
std::string MakeDefaultCsvName(std::string_view prefix, const std::tm* localTime);
// The same for the current local time.
std::string MakeDefaultCsvName(std::string_view prefix);

// True when the bare file name is longer than 4 bytes and ends in ".csv".
bool IsCsvFileName(std::string_view bareName);

// Line n of the export, ending in LF.
std::string FormatContactCsvLine(const CContactImage& image, int n);

// Stores the contacts of `data` into records 0, 1, ... and the radio ID
// table; returns how many. Neither sets the count nor sorts.
int ParseContactsCsv(CContactImage& image, const char* data, size_t size);

// Causes of a failed file operation, named as the framework names them.
enum class FileErrorCause {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
};

// The message for a cause, "%1" replaced by the full path.
std::string FileErrorText(FileErrorCause cause, const std::string& path);
// "访问 %1 时磁盘已满。" for the path: what a failed write reports.
std::string DiskFullText(const std::string& path);

struct CsvExportResult {
    enum Outcome { Done, OpenFailed, WriteFailed } outcome = Done;
    FileErrorCause cause = FileErrorCause::none;  // for OpenFailed
};

// Header and one line per contact, written as text (LF becomes CR LF).
CsvExportResult ExportContactsCsvFile(const CContactImage& image, const std::string& path);

struct CsvImportResult {
    enum Outcome { Done, OpenFailed, ReadFailed } outcome = Done;
    FileErrorCause cause = FileErrorCause::none;  // for OpenFailed / ReadFailed
    int count = 0;                                // contacts taken, for Done
};

// Count 0, read (as text) and parse the file, set the count and sort. A file
// that cannot be opened or read leaves the image unchanged.
CsvImportResult ImportContactsCsvFile(CContactImage& image, const std::string& path);

}  // namespace pendrak
