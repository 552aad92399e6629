// Image files (the whole contact image, or its short form of header and
// records), and the image and the CSV export written as outputs.
#pragma once

#include <string>

#include "cli/PendingOutput.h"
#include "contacts/ContactImage.h"

namespace pendrak::cli {

// Loads an image file of either form; fails (CCliError) on a missing or
// unreadable file or one that is neither, leaving `image` unchanged.
void LoadImageFile(const std::string& path, CContactImage& image);

// Writes the whole image to a pending output (no commit).
void SaveImageFile(const CContactImage& image, CPendingOutput& output);

// Runs the dialog's Export into a pending output (no commit); with utf8, the
// export for spreadsheets (UTF-8, quoted values) of texts in codePage.
void ExportCsv(const CContactImage& image, CPendingOutput& output, bool utf8 = false,
               int codePage = 0);

}  // namespace pendrak::cli
