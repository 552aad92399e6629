// Contacts as rows of text for the terminal, as the dialog's list shows
// them: used by list and find.
#pragma once

#include <string>

#include "contacts/ContactImage.h"

namespace pendrak::cli {

// A CSV file (name ending in .csv) through the dialog's Import, else an
// image file; fails with CCliError.
void LoadContacts(CContactImage& image, const std::string& file);

// The column headings, and the row of contact n with its texts decoded from
// codePage; withPage puts the contact's page number first.
std::string ContactHeadingLine(bool withPage);
std::string ContactRowLine(const CContactImage& image, int n, int codePage, bool withPage);

}  // namespace pendrak::cli
