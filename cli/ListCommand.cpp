// list: one page of the contact list, as the dialog's list shows it, decoded
// for the terminal.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>

#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/ContactTable.h"
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

int RunList(const ListOptions& options) {
    StartUp(options.common);
    const int codePage = CodePageOption(options.strCodePage);

    CContactImage& image = theAppData.m_contacts;
    LoadContacts(image, options.strFile);

    // The dialog's paging: pages of 200, a page number beyond the last shows the last.
    const int count = image.GetContactCount();
    const int pageCount =
        count < CONTACTS_PER_PAGE ? 1 : (count + CONTACTS_PER_PAGE - 1) / CONTACTS_PER_PAGE;
    const int page = std::min(options.nPage, pageCount) - 1;
    const int first = page * CONTACTS_PER_PAGE;
    const int items = std::min(CONTACTS_PER_PAGE, count - first);

    PrintInfo("Page " + std::to_string(page + 1) + "/" + std::to_string(pageCount) + ", " +
              ContactsText(count));
    PrintInfo(ContactHeadingLine(false));
    for (int i = 0; i < items; ++i) PrintInfo(ContactRowLine(image, first + i, codePage, false));
    return EXIT_OK;
}

}  // namespace

void AddListCommand(CLI::App& app, CommandList& commands) {
    auto list = std::make_shared<ListOptions>();
    CLI::App* cmd = app.add_subcommand("list", "Show one page (200 contacts) of an image file or a CSV file");
    AsPath(cmd->add_option("file", list->strFile, "Image file, or CSV file (name ending in .csv)"))
        ->required();
    cmd->add_option("--page", list->nPage, "Page number, from 1")
        ->check(CLI::Validator(
            [](const std::string& page) {
                return page.find_first_not_of("0123456789") == std::string::npos &&
                               page.find_first_not_of('0') == std::string::npos
                           ? std::string("pages start at 1")
                           : std::string();
            },
            "", "FirstPage"))
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cmd->add_option("--codepage", list->strCodePage,
                    "Code page of the contact texts (UTF-8, GBK, CP1252...); default the program's");
    AddCommonOptions(*cmd, list->common);
    commands.push_back({cmd, [list] { return RunList(*list); }});
}

}  // namespace pendrak::cli
