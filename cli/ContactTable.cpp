#include "cli/ContactTable.h"

#include <algorithm>

#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/ImageFile.h"
#include "cli/Interrupt.h"
#include "platform/CodePage.h"

namespace pendrak::cli {

namespace {

constexpr int PAGE_WIDTH = 4;
constexpr int WIDTHS[] = {6, 8, 8, 16, 16, 16, 16, 16, 16};
const char* const HEADINGS[] = {"",     "Radio ID", "Callsign", "Name",   "Nickname",
                                "City", "State",    "Country",  "Remarks"};

// Columns a code point takes on a terminal: wide East Asian forms take two,
// combining marks none.
int CodePointWidth(char32_t c) {
    if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F)) return 0;
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
        (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
        (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD))
        return 2;
    return 1;
}

int DisplayWidth(const std::string& utf8) {
    int width = 0;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        const int len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        char32_t c = len == 1 ? b : b & (0x3F >> (len - 1));
        for (int k = 1; k < len && i + static_cast<size_t>(k) < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]) & 0x3F);
        width += CodePointWidth(c);
        i += static_cast<size_t>(len);
    }
    return width;
}

// Terminal control bytes in a field would move the cursor or worse.
std::string Printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

void AppendCell(std::string& line, const std::string& text, int width) {
    line += text;
    line.append(static_cast<size_t>(std::max(1, width - DisplayWidth(text) + 1)), ' ');
}

std::string& TrimEnd(std::string& line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace

void LoadContacts(CContactImage& image, const std::string& file) {
    std::string lower = file;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".csv") == 0)
        ImportCsv(image, file);
    else
        LoadImageFile(file, image);
    if (Interrupted()) Fail("interrupted while reading " + file);
}

std::string ContactHeadingLine(bool withPage) {
    std::string line;
    if (withPage) AppendCell(line, "Page", PAGE_WIDTH);
    for (int c = 0; c < 9; ++c) AppendCell(line, HEADINGS[c], WIDTHS[c]);
    return TrimEnd(line);
}

std::string ContactRowLine(const CContactImage& image, int n, int codePage, bool withPage) {
    std::string line;
    if (withPage) AppendCell(line, std::to_string(n / CONTACTS_PER_PAGE + 1), PAGE_WIDTH);
    AppendCell(line, std::to_string(n + 1), WIDTHS[0]);
    AppendCell(line, std::to_string(image.GetContactRadioId(n)), WIDTHS[1]);
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        const std::string_view text = image.GetContactFieldText(static_cast<ContactField>(f), n);
        AppendCell(line, Printable(ToUtf8(text, codePage)), WIDTHS[2 + f]);
    }
    return TrimEnd(line);
}

}  // namespace pendrak::cli
