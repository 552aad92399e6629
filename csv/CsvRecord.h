// What the layout readers hand on: one record (a line, or several lines of a
// quoted value) at a time, with its fate-deciding facts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "contacts/ContactImage.h"

namespace pendrak {

enum class CsvRecordKind : uint8_t { Header, Empty, NoId, Contact };

struct CsvRecord {
    CsvRecordKind kind = CsvRecordKind::Empty;
    uint32_t nLines = 1;  // lines of the file it spans
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
