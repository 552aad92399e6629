// Which layout a CSV file has, from its first line: the program's own, or
// columns named by a header line (RadioID, DMR-MARC, spreadsheets, other
// programs' exports).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pendrak {

// The columns a header can name, beside the ID.
enum CsvColumn {
    COL_CALLSIGN,
    COL_NAME,
    COL_NICKNAME,
    COL_FIRST_NAME,
    COL_LAST_NAME,
    COL_CITY,
    COL_STATE,
    COL_COUNTRY,
    COL_REMARKS,
    COL_COUNT
};

struct CsvLayout {
    enum Kind {
        Own,       // the program's own reader, bytes kept
        Named,     // columns by the header's names, RFC 4180, converted
        OwnOrder,  // the own columns, no header, but UTF-8 (a byte-order mark) and RFC 4180
        Unknown,   // a header without an ID column: the own reader, and a word to the user
    } kind = Own;
    bool bByteOrderMark = false;
    char cSeparator = ',';
    bool bHeader = false;  // the first line names columns
    int nIdColumn = -1;
    int nColumns[COL_COUNT] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::vector<std::string> names;  // the header's names as written (unquoted, trimmed)

    // Own and Unknown: the own reader, bytes kept; the others are converted.
    bool UsesOwnReader() const { return kind == Own || kind == Unknown; }

    // For the report: "RADIO_ID, CALLSIGN, ..." (the ones used) and the ones
    // that go unused.
    std::string UsedNames() const;
    std::string UnusedNames() const;
};

// The layout of a file whose first line (without its line end; a CR before
// the LF removed) is `firstLine`, which may begin with a byte-order mark.
CsvLayout DetectCsvLayout(std::string_view firstLine);

// The values of one line, RFC 4180 (quotes, doubled quotes), trimmed of
// blanks outside quotes.
std::vector<std::string> SplitCsvLine(std::string_view line, char separator);

}  // namespace pendrak
