// Image files (the whole contact image, exactly CONTACT_IMAGE_SIZE bytes),
// and the image and the CSV export written as outputs.
#pragma once

#include <string>

#include "cli/PendingOutput.h"
#include "contacts/ContactImage.h"

namespace pendrak::cli {

// Loads the whole image; fails (CCliError) on a missing or unreadable file
// or one of another size, leaving `image` unchanged in the last case.
void LoadImageFile(const std::string& path, CContactImage& image);

// Writes the whole image to a pending output (no commit).
void SaveImageFile(const CContactImage& image, CPendingOutput& output);

// Runs the dialog's Export into a pending output (no commit).
void ExportCsv(const CContactImage& image, CPendingOutput& output);

}  // namespace pendrak::cli
