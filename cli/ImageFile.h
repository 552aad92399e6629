// Image files (the whole contact image, or its short form of header and
// records) and output files that appear under their name only once
// completely written.
#pragma once

#include <string>

#include "contacts/ContactImage.h"
#include "csv/ContactCsv.h"

namespace pendrak::cli {

// A file error's cause in a few English words.
const char* CauseText(FileErrorCause cause);

// Loads an image file of either form; fails (CCliError) on a missing or
// unreadable file or one that is neither, leaving `image` unchanged.
void LoadImageFile(const std::string& path, CContactImage& image);

// A file written under a temporary name beside its final one and renamed
// into place by Commit; destroyed uncommitted, the temporary goes.
class CPendingOutput {
public:
    explicit CPendingOutput(std::string finalPath);
    ~CPendingOutput();
    CPendingOutput(const CPendingOutput&) = delete;
    CPendingOutput& operator=(const CPendingOutput&) = delete;

    const std::string& TempPath() const { return m_strTemp; }
    const std::string& FinalPath() const { return m_strFinal; }
    // Creates the temporary file now; fails with CCliError when it cannot be.
    void Reserve();
    void Commit();  // fails with CCliError when the rename fails
    void Discard();

private:
    std::string m_strFinal;
    std::string m_strTemp;
    bool m_bDone = false;
};

// Writes the whole image to a pending output (no commit).
void SaveImageFile(const CContactImage& image, CPendingOutput& output);

// Runs the dialog's Export into a pending output (no commit); with utf8, the
// export for spreadsheets (UTF-8, quoted values) of texts in codePage.
void ExportCsv(const CContactImage& image, CPendingOutput& output, bool utf8 = false,
               int codePage = 0);

}  // namespace pendrak::cli
