// What an import did with every line of its files, for the user: the one
// result that the command-line tool and the dialog both show.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "contacts/ContactChoice.h"
#include "csv/CsvLayout.h"

namespace pendrak {

struct CsvImportOptions {
    bool bMerge = false;      // keep the image's contacts; a file's ID replaces one
    CContactChoice choice;    // which are taken over capacity, and which never
    std::string strEncoding;  // of files with named columns; empty: UTF-8
    int nCodePage = 0;        // the radio's text encoding; 0: the program's
    const std::atomic<bool>* pStop = nullptr;  // files only: set, the import ends unfinished
    // The first sources hold the user's own entries: always taken, whatever
    // the capacity or the choice, and their IDs replace the other files'.
    size_t nOwnEntrySources = 0;
};

struct CsvFileReport {
    std::string strName;  // as the caller named the file (may be empty)
    CsvLayout layout;
    long long nLines = 0;
    bool bOwnEntries = false;  // one of the user's own-entry files
    // The lines (from 1) where a quote opened that never closed: the first
    // MAX_NAMED_LINES of them.
    std::vector<long long> unclosedLines;
    static constexpr size_t MAX_NAMED_LINES = 10;
    // The own layout's file has lone CRs and no LF: it was one line.
    bool bCrOnly = false;
    // Read as the program's own bytes, yet its texts are UTF-8 with letters
    // beyond ASCII and the radio's code page is another: they would show
    // garbled. Importing with the encoding UTF-8 converts them.
    bool bUtf8Text = false;
};

struct CsvImportReport {
    // Lines of the files by fate; they add up to nLines.
    long long nLines = 0;
    long long nTaken = 0;
    long long nHeader = 0;
    long long nEmpty = 0;
    long long nRepeated = 0;      // an earlier line had the ID
    long long nNoId = 0;          // no radio ID of 1 to 16777215
    long long nNotChosen = 0;     // outside `only` or inside `exclude`
    long long nOverCapacity = 0;  // valid, but past what the radio holds
    long long nOwnReplaced = 0;   // an own entry has the ID
    long long nOwnTaken = 0;      // of nTaken: lines of the own-entry files
    long long nUnclosed = 0;      // a quote opened in it and never closed
    // Over the values taken.
    long long nValuesCut = 0;
    long long nTransliterated = 0;
    long long nReplaced = 0;
    // The image's own contacts in a merge.
    bool bMerge = false;
    long long nImageKept = 0;
    long long nImageReplaced = 0;  // a file's line had the ID
    long long nImageDropped = 0;   // not chosen or over capacity
    std::vector<CsvFileReport> files;

    // Lines lost for another reason than the user's own choice.
    long long Lost() const { return nRepeated + nNoId + nOverCapacity + nUnclosed; }
    // A file whose line ends the own layout could not see (no LF, lone CRs).
    bool AnyCrOnly() const {
        for (const CsvFileReport& file : files)
            if (file.bCrOnly) return true;
        return false;
    }
};

// The text of a key in the user's language, or `english` when there is none.
using ReportTextFn = std::function<std::string(const char* key, const char* english)>;

// "%1".."%9" in a language file's text replaced by the arguments.
std::string FillText(const std::string& pattern, const std::vector<std::string>& args);

// The whole report, line by line.
std::vector<std::string> FormatImportReport(const CsvImportReport& report,
                                            const ReportTextFn& text);
// One line for a status bar.
std::string FormatImportSummary(const CsvImportReport& report, const ReportTextFn& text);
// Why lines were lost, line by line; empty when none was.
std::vector<std::string> FormatImportLosses(const CsvImportReport& report,
                                            const ReportTextFn& text);

}  // namespace pendrak
