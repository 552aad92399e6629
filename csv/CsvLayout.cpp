#include "csv/CsvLayout.h"

#include "csv/ContactCsv.h"

namespace pendrak {

namespace {

constexpr std::string_view BOM = "\xEF\xBB\xBF";

// Upper case without blanks, '_', '-' and '.': "Radio ID", "RADIO_ID" and
// "radio-id" are one name.
std::string NameKey(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c == ' ' || c == '\t' || c == '_' || c == '-' || c == '.') continue;
        key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    return key;
}

bool IsIdName(const std::string& key) {
    return key == "RADIOID" || key == "ID" || key == "DMRID";
}

int ColumnOfName(const std::string& key) {
    static const struct {
        const char* key;
        int column;
    } names[] = {
        {"CALLSIGN", COL_CALLSIGN},
        {"CALL", COL_CALLSIGN},
        {"NAME", COL_NAME},
        {"NICKNAME", COL_NICKNAME},
        {"FIRSTNAME", COL_FIRST_NAME},
        {"LASTNAME", COL_LAST_NAME},
        {"SURNAME", COL_LAST_NAME},
        {"CITY", COL_CITY},
        {"STATE", COL_STATE},
        {"PROVINCE", COL_STATE},
        {"COUNTRY", COL_COUNTRY},
        {"REMARKS", COL_REMARKS},
        {"REMARK", COL_REMARKS},
    };
    for (const auto& n : names)
        if (key == n.key) return n.column;
    return -1;
}

std::string Join(const std::vector<std::string>& names, const std::vector<bool>& pick, bool want) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (pick[i] != want || names[i].empty()) continue;
        if (!out.empty()) out += ", ";
        out += names[i];
    }
    return out;
}

std::vector<bool> UsedColumns(const CsvLayout& layout) {
    std::vector<bool> used(layout.names.size(), false);
    auto mark = [&](int c) {
        if (c >= 0 && static_cast<size_t>(c) < used.size()) used[c] = true;
    };
    mark(layout.nIdColumn);
    for (const int c : layout.nColumns) mark(c);
    return used;
}

}  // namespace

std::vector<std::string> SplitCsvLine(std::string_view line, char separator) {
    std::vector<std::string> values(1);
    bool quoted = false, wasQuoted = false;
    std::string pending;  // blanks that count only when more text follows
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        std::string& value = values.back();
        if (quoted) {
            if (c != '"') {
                value += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                value += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == separator) {
            values.emplace_back();
            pending.clear();
            wasQuoted = false;
        } else if (c == '"' && value.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ' ' || c == '\t') {
            if (!value.empty()) pending += c;
        } else {
            value += pending;
            pending.clear();
            value += c;
        }
    }
    return values;
}

CsvLayout DetectCsvLayout(std::string_view firstLine) {
    CsvLayout layout;
    if (firstLine.substr(0, BOM.size()) == BOM) {
        layout.bByteOrderMark = true;
        firstLine.remove_prefix(BOM.size());
    }
    // The export's own header without a byte-order mark: the own files.
    std::string_view own(CSV_HEADER);
    own.remove_suffix(1);  // its LF
    if (!layout.bByteOrderMark && firstLine == own) {
        layout.bHeader = true;
        return layout;
    }
    const bool contactLine = !firstLine.empty() && firstLine[0] >= '1' && firstLine[0] <= '9';
    if (contactLine || firstLine.find_first_not_of(" \t") == std::string_view::npos) {
        if (layout.bByteOrderMark && contactLine) {
            layout.kind = CsvLayout::OwnOrder;
            layout.nIdColumn = 0;
            const int order[] = {COL_CALLSIGN, COL_NAME,    COL_NICKNAME, COL_CITY,
                                 COL_STATE,    COL_COUNTRY, COL_REMARKS};
            for (int f = 0; f < 7; ++f) layout.nColumns[order[f]] = f + 1;
        }
        return layout;
    }
    // A spreadsheet in a locale whose lists use ';' (or one saved as text
    // with tabs) has no comma in its header.
    if (firstLine.find(',') == std::string_view::npos) {
        if (firstLine.find(';') != std::string_view::npos)
            layout.cSeparator = ';';
        else if (firstLine.find('\t') != std::string_view::npos)
            layout.cSeparator = '\t';
    }
    layout.bHeader = true;
    layout.names = SplitCsvLine(firstLine, layout.cSeparator);
    for (size_t i = 0; i < layout.names.size(); ++i) {
        const std::string key = NameKey(layout.names[i]);
        const int column = ColumnOfName(key);
        if (IsIdName(key) && layout.nIdColumn < 0)
            layout.nIdColumn = static_cast<int>(i);
        else if (column >= 0 && layout.nColumns[column] < 0)
            layout.nColumns[column] = static_cast<int>(i);
    }
    layout.kind = layout.nIdColumn >= 0 ? CsvLayout::Named : CsvLayout::Unknown;
    if (layout.kind == CsvLayout::Unknown) layout.cSeparator = ',';
    return layout;
}

std::string CsvLayout::UsedNames() const {
    return Join(names, UsedColumns(*this), true);
}

std::string CsvLayout::UnusedNames() const {
    // Nothing of an unknown layout is used by name.
    if (kind == Unknown) return Join(names, std::vector<bool>(names.size(), false), false);
    return Join(names, UsedColumns(*this), false);
}

}  // namespace pendrak
