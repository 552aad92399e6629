// The contact CSV file: its format, export of the image and import into it.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/ContactImage.h"
#include "csv/ImportReport.h"

namespace pendrak {

extern const char CSV_HEADER[];  // "Radio ID,Callsign,...,Remarks,\n"

// "<prefix>-<YYYYmmddHHMMSS>.csv"; the timestamp is empty when localTime is
// null (the clock or its conversion failed).
std::string MakeDefaultCsvName(std::string_view prefix, const std::tm* localTime);
// The same for the current local time.
std::string MakeDefaultCsvName(std::string_view prefix);

// True when the bare file name is longer than 4 bytes and ends in ".csv".
bool IsCsvFileName(std::string_view bareName);

// Line n of the export, ending in LF. A value with a comma, a quote, a line
// break or 0x1A is quoted (RFC 4180); the others are written as they are.
std::string FormatContactCsvLine(const CContactImage& image, int n);

// Appends value in double quotes, its own quotes doubled (RFC 4180).
void AppendQuotedCsvValue(std::string& out, std::string_view value);

// Where the export writes its bytes. Write gives false when the bytes could
// not all be written; nothing more is written after that.
class CCsvSink {
public:
    virtual ~CCsvSink() = default;
    virtual bool Write(std::string_view bytes) = 0;
};

// Buffers bytes for `target` unchanged; Flush (or the last Write that
// fails) reports the outcome.
class CCsvBufferedSink : public CCsvSink {
public:
    explicit CCsvBufferedSink(CCsvSink& target) : m_target(target) {}
    bool Write(std::string_view bytes) override;
    bool Flush();

protected:
    // After appending to m_buffer: flushes once enough has gathered.
    bool Appended();
    std::string m_buffer;

private:
    CCsvSink& m_target;
    bool m_failed = false;
};

// The file's text mode: every LF written becomes CR LF on the way to `target`.
class CCsvTextSink : public CCsvBufferedSink {
public:
    explicit CCsvTextSink(CCsvSink& target) : CCsvBufferedSink(target) {}
    bool Write(std::string_view bytes) override;
};

// CSV_HEADER, then FormatContactCsvLine for records 0 to count-1. Stops at
// the first failed write and gives false.
bool WriteContactsCsv(const CContactImage& image, CCsvSink& sink);

// Stores the contacts of `data` (bytes as read in text mode) into records
// 0, 1, ... and the radio ID table; returns how many, at most MAX_CONTACTS.
// Neither sets the count nor sorts. A line whose radio ID was already taken
// by an earlier line, or whose first value exceeds MAX_RADIO_ID, yields
// nothing; a last line without LF counts like the others; values are cut at
// a character boundary of the program's code page.
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
    // Beyond the framework's causes: what the user can act on.
    readOnly,     // the file system is read-only
    isDirectory,  // the name is a folder's
};

// The message for a cause, "%1" replaced by the full path.
std::string FileErrorText(FileErrorCause cause, const std::string& path);
// "访问 %1 时磁盘已满。" for the path: what a failed write reports.
std::string DiskFullText(const std::string& path);

// The cause of a failed file operation from the system's error code (errno,
// or GetLastError on Windows).
FileErrorCause FileErrorCauseFromSystem(int code);

struct CsvExportResult {
    // WriteFailed: the header, a line or the close failed; the file keeps
    // what was written and the cause is diskFull (shown with DiskFullText).
    enum Outcome { Done, OpenFailed, WriteFailed } outcome = Done;
    FileErrorCause cause = FileErrorCause::none;  // for OpenFailed / WriteFailed
};

// Header and one line per contact, written as text (LF becomes CR LF). The
// file is created or emptied; a failed open creates nothing.
CsvExportResult ExportContactsCsvFile(const CContactImage& image, const std::string& path);

struct CsvImportResult {
    // OptionFailed: an encoding or code page that cannot be used (message).
    enum Outcome { Done, OpenFailed, ReadFailed, OptionFailed } outcome = Done;
    FileErrorCause cause = FileErrorCause::none;  // for OpenFailed / ReadFailed
    int count = 0;                                // contacts in the image, for Done
    size_t nFailedFile = 0;  // which of the files failed, for OpenFailed / ReadFailed
    bool bChanged = false;   // ReadFailed: the file changed between the two readings
    std::string strMessage;  // for OptionFailed
    CsvImportReport report;
};

// Where the import reads its raw bytes from.
class CCsvSource {
public:
    virtual ~CCsvSource() = default;
    // Up to `size` bytes into `buffer`: how many (0 at the end), or -1 with
    // `cause` set when reading failed.
    virtual long long Read(char* buffer, size_t size, FileErrorCause& cause) = 0;
    // Back to the first byte; false when the source cannot be read twice
    // (a pipe).
    virtual bool Rewind() { return false; }
};

// Bytes already in memory, read as a file would be. The bytes must outlive
// the source.
class CCsvBytesSource : public CCsvSource {
public:
    explicit CCsvBytesSource(std::string_view bytes, bool rewindable = true)
        : m_bytes(bytes), m_rewindable(rewindable) {}
    long long Read(char* buffer, size_t size, FileErrorCause& cause) override;
    bool Rewind() override;

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
    bool m_rewindable;
};

constexpr size_t CSV_READ_CHUNK_SIZE = 64 * 1024;

// Reads the sources in order as one list and puts what they yield into the
// image (by layout: the program's own lines as read in text mode, bytes
// kept; named columns converted into the radio's code page), then sets the
// count and sorts. Without options: every contact in file order, the first
// line of an ID winning, up to MAX_CONTACTS.
// Sources that can be rewound are read twice: once to decide each line's
// fate, once to store what is taken; a failure in either, or a file that
// reads differently the second time, gives ReadFailed and leaves the image
// unchanged. A source read only once is kept in memory as it is read.
CsvImportResult ImportContactsCsv(CContactImage& image, const std::vector<CCsvSource*>& sources,
                                  const CsvImportOptions& options,
                                  size_t chunkSize = CSV_READ_CHUNK_SIZE);
CsvImportResult ImportContactsCsv(CContactImage& image, CCsvSource& source,
                                  size_t chunkSize = CSV_READ_CHUNK_SIZE);

// The same over files. A file that cannot be opened leaves the image
// unchanged and gives OpenFailed. Setting options.pStop ends the import
// within a moment as a read failure, even on a FIFO or a device that sends
// nothing.
CsvImportResult ImportContactsCsvFiles(CContactImage& image, const std::vector<std::string>& paths,
                                       const CsvImportOptions& options,
                                       size_t chunkSize = CSV_READ_CHUNK_SIZE);
CsvImportResult ImportContactsCsvFile(CContactImage& image, const std::string& path,
                                      size_t chunkSize = CSV_READ_CHUNK_SIZE);

// The export for spreadsheets and other programs: UTF-8 with a byte-order
// mark, a header without the trailing comma, RFC 4180 quotes where a value
// needs them, CR LF. Texts are decoded from codePage; bytes that do not
// decode are written as U+FFFD and counted in *replaced when given.
bool WriteContactsCsvUtf8(const CContactImage& image, CCsvSink& sink, int codePage,
                          long long* replaced = nullptr);
CsvExportResult ExportContactsCsvUtf8File(const CContactImage& image, const std::string& path,
                                          int codePage);

}  // namespace pendrak
