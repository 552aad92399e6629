// What the layout readers hand on: one record (a line, or several lines of a
// quoted value) at a time, with its fate-deciding facts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "contacts/ContactImage.h"

namespace pendrak {

// Unclosed: a line whose quote opened a value that never closed (open at
// the end of the file, or over line ends for more than CSV_MAX_QUOTED
// bytes); the lines after it are read again.
enum class CsvRecordKind : uint8_t { Header, Empty, NoId, Contact, Unclosed };

// File bytes a quoted value may run over line ends before its quote counts
// as never closed: no field of the radio comes near it.
constexpr size_t CSV_MAX_QUOTED = 1024;

struct CsvRecord {
    CsvRecordKind kind = CsvRecordKind::Empty;
    uint32_t nLines = 1;  // lines of the file it spans (Unclosed: up to the quote's)
    uint32_t nId = 0;     // for Contact
    // Contact values by ContactField, unless the reader was asked for IDs
    // only. The program's own layout gives at most one byte more than the
    // field holds (so a cut shows); other layouts give the whole value, in
    // the file's encoding.
    std::string_view values[CONTACT_FIELD_COUNT];
};

class ICsvRecordSink {
public:
    virtual ~ICsvRecordSink() = default;
    // False when no more records are wanted.
    virtual bool OnRecord(const CsvRecord& record) = 0;
    // The own layout's file has lone CRs and no LF: one line to its reader.
    virtual void OnCrOnlyLineEnds() {}
};

// A layout's reader: fed the file's bytes in pieces of any size, with the
// same records as one piece gives.
class ICsvRecordReader {
public:
    virtual ~ICsvRecordReader() = default;
    // False once the sink wants no more.
    virtual bool Feed(const char* data, size_t size) = 0;
    // The end of the data: a last line without a line end counts too.
    virtual void Finish() = 0;
};

}  // namespace pendrak
