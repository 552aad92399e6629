#include "csv/ImportReport.h"

#include "contacts/ContactImage.h"

namespace pendrak {

std::string FillText(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const size_t k = static_cast<size_t>(pattern[i + 1] - '1');
            if (k < args.size()) out += args[k];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

std::string Fill(const std::string& pattern, const std::vector<std::string>& args) {
    return FillText(pattern, args);
}

std::string N(long long v) {
    return std::to_string(v);
}

std::string FileName(const CsvFileReport& file, size_t index) {
    if (!file.strName.empty()) return file.strName;
    std::string name(1, '#');
    name += std::to_string(index + 1);
    return name;
}

}  // namespace

std::vector<std::string> FormatImportReport(const CsvImportReport& r, const ReportTextFn& text) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < r.files.size(); ++i) {
        const CsvFileReport& file = r.files[i];
        const CsvLayout& layout = file.layout;
        if (layout.kind == CsvLayout::Named) {
            std::string line = Fill(text("IDS_IMPORT_COLUMNS", "%1: columns %2"),
                                    {FileName(file, i), layout.UsedNames()});
            if (const std::string unused = layout.UnusedNames(); !unused.empty())
                line += Fill(text("IDS_IMPORT_UNUSED", " (not used: %1)"), {unused});
            lines.push_back(line);
        } else if (layout.kind == CsvLayout::Unknown) {
            lines.push_back(Fill(text("IDS_IMPORT_UNKNOWN",
                                      "%1: layout not known, no column names a radio ID (columns "
                                      "seen: %2); read as the program's own layout"),
                                 {FileName(file, i), layout.UnusedNames()}));
        }
        if (!file.unclosedLines.empty()) {
            std::string where;
            for (const long long line : file.unclosedLines) where += (where.empty() ? "" : ", ") + N(line);
            if (file.unclosedLines.size() >= CsvFileReport::MAX_NAMED_LINES) where += ", ...";
            lines.push_back(Fill(text("IDS_IMPORT_UNCLOSED",
                                      "%1, line %2: a quote opens a value that is never closed; "
                                      "the line is left out, the lines after it are read"),
                                 {FileName(file, i), where}));
        }
        if (file.bCrOnly)
            lines.push_back(Fill(text("IDS_IMPORT_CRONLY",
                                      "%1: its lines end in CR alone (old Mac line ends), so it "
                                      "reads as one line. Save it with CR LF or LF line ends "
                                      "(Windows or Unix) and import it again."),
                                 {FileName(file, i)}));
    }
    lines.push_back(Fill(text("IDS_IMPORT_LINES",
                              "%1 lines: %2 taken, %3 header, %4 empty, %5 repeated ID, %6 no "
                              "valid ID, %7 not chosen, %8 over capacity, %9 unclosed quote"),
                         {N(r.nLines), N(r.nTaken), N(r.nHeader), N(r.nEmpty), N(r.nRepeated),
                          N(r.nNoId), N(r.nNotChosen), N(r.nOverCapacity), N(r.nUnclosed)}));
    bool own = false;
    for (const CsvFileReport& file : r.files) own = own || file.bOwnEntries;
    if (own)
        lines.push_back(Fill(text("IDS_IMPORT_OWN",
                                  "Own entries: %1 taken; %2 lines of the list replaced by them"),
                             {N(r.nOwnTaken), N(r.nOwnReplaced)}));
    if (r.bMerge)
        lines.push_back(Fill(text("IDS_IMPORT_MERGE",
                                  "Contacts already there: %1 kept, %2 replaced by the file, %3 "
                                  "left out"),
                             {N(r.nImageKept), N(r.nImageReplaced), N(r.nImageDropped)}));
    if (r.nValuesCut + r.nTransliterated + r.nReplaced > 0)
        lines.push_back(Fill(text("IDS_IMPORT_TEXTS",
                                  "Values cut to fit: %1; characters transliterated: %2, "
                                  "replaced by ?: %3"),
                             {N(r.nValuesCut), N(r.nTransliterated), N(r.nReplaced)}));
    return lines;
}

std::string FormatImportSummary(const CsvImportReport& r, const ReportTextFn& text) {
    return Fill(text("IDS_IMPORT_SUMMARY", "%1 of %2 lines taken, %3 lost"),
                {N(r.nTaken), N(r.nLines), N(r.Lost())});
}

std::vector<std::string> FormatImportLosses(const CsvImportReport& r, const ReportTextFn& text) {
    std::vector<std::string> lines;
    if (r.nOverCapacity > 0)
        lines.push_back(Fill(text("IDS_IMPORT_LOST_CAPACITY",
                                  "%1 lines did not fit: the radio holds %2 contacts. The keys "
                                  "prefer, near, only and exclude choose which are taken."),
                             {N(r.nOverCapacity), N(MAX_CONTACTS)}));
    if (r.nRepeated > 0)
        lines.push_back(Fill(text("IDS_IMPORT_LOST_REPEATED",
                                  "%1 lines repeat the radio ID of an earlier line; the first "
                                  "one is taken."),
                             {N(r.nRepeated)}));
    if (r.nNoId > 0)
        lines.push_back(
            Fill(text("IDS_IMPORT_LOST_NOID", "%1 lines hold no valid radio ID (1 to 16777215)."),
                 {N(r.nNoId)}));
    if (r.nUnclosed > 0)
        lines.push_back(Fill(text("IDS_IMPORT_LOST_UNCLOSED",
                                  "%1 lines open a quote that is never closed."),
                             {N(r.nUnclosed)}));
    for (size_t i = 0; i < r.files.size(); ++i)
        if (r.files[i].bCrOnly)
            lines.push_back(Fill(text("IDS_IMPORT_LOST_CRONLY",
                                      "%1 has CR-only line ends and was read as one line."),
                                 {FileName(r.files[i], i)}));
    return lines;
}

}  // namespace pendrak
