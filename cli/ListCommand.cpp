// list: one page of the contact list, as the dialog's list shows it, decoded
// for the terminal.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>

#include "cli/CliCommon.h"
#include "cli/ImageFile.h"
#include "cli/Interrupt.h"
#include "platform/CodePage.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

struct ListOptions {
    CommonOptions common;
    std::string strFile;
    int nPage = 1;
    std::string strCodePage;
};

// Columns a code point takes on a terminal: wide East Asian forms take two,
// combining marks none.
int CodePointWidth(char32_t c) {
    if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F)) return 0;
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
        (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
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

int RunList(const ListOptions& options) {
    StartUp(options.common);
    const int codePage = CodePageOption(options.strCodePage);

    CContactImage& image = theAppData.m_contacts;
    const std::string& file = options.strFile;
    std::string lower = file;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".csv") == 0)
        ImportCsv(image, file);
    else
        LoadImageFile(file, image);
    if (Interrupted()) Fail("list interrupted");

    // The dialog's paging: pages of 200, a page number beyond the last shows the last.
    const int count = image.GetContactCount();
    const int pageCount = count < CONTACTS_PER_PAGE ? 1 : (count + CONTACTS_PER_PAGE - 1) / CONTACTS_PER_PAGE;
    const int page = std::min(options.nPage, pageCount) - 1;
    const int first = page * CONTACTS_PER_PAGE;
    const int items = std::min(CONTACTS_PER_PAGE, count - first);

    static const int widths[] = {6, 8, 8, 16, 16, 16, 16, 16, 16};
    static const char* const headings[] = {"",     "Radio ID", "Callsign", "Name",   "Nickname",
                                           "City", "State",    "Country",  "Remarks"};
    PrintInfo("Page " + std::to_string(page + 1) + "/" + std::to_string(pageCount) + ", " + ContactsText(count));
    std::string line;
    for (int c = 0; c < 9; ++c) AppendCell(line, headings[c], widths[c]);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    PrintInfo(line);
    for (int i = 0; i < items; ++i) {
        const int n = first + i;
        line.clear();
        AppendCell(line, std::to_string(n + 1), widths[0]);
        AppendCell(line, std::to_string(image.GetContactRadioId(n)), widths[1]);
        for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
            const std::string_view text = image.GetContactFieldText(static_cast<ContactField>(f), n);
            AppendCell(line, Printable(ToUtf8(text, codePage)), widths[2 + f]);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        PrintInfo(line);
    }
    return EXIT_OK;
}

}  // namespace

void AddListCommand(CLI::App& app, CommandList& commands) {
    auto list = std::make_shared<ListOptions>();
    CLI::App* cmd = app.add_subcommand("list", "Show one page (200 contacts) of an image file or a CSV file");
    cmd->add_option("file", list->strFile, "Image file, or CSV file (name ending in .csv)")->required();
    cmd->add_option("--page", list->nPage, "Page number, from 1")->check(CLI::PositiveNumber)->capture_default_str();
    cmd->add_option("--codepage", list->strCodePage,
                    "Code page of the contact texts (UTF-8, GBK, CP1252...); default the program's");
    AddCommonOptions(*cmd, list->common);
    commands.push_back({cmd, [list] { return RunList(*list); }});
}

}  // namespace pendrak::cli
