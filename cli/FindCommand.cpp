// find: every contact of an image or CSV file that has a radio ID or a
// text, as list shows it, with its page in the dialog.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>

#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/ContactTable.h"
#include "contacts/ContactFind.h"
#include "platform/CodePage.h"
#include "platform/TextConvert.h"
#include "settings/AppData.h"

namespace pendrak::cli {

namespace {

struct FindOptions {
    CommonOptions common;
    std::string strText;
    std::string strFile;
    std::string strCodePage;
};

// The argument's bytes in codePage, as an import would store them: a
// character the code page lacks becomes its transliteration, so that what
// was stored so is found. Nothing when the code page is not one to convert to.
std::optional<std::string> ArgumentInCodePage(const std::string& arg, int codePage) {
    const int argCodePage = CommandLineCodePage();
    // Not UTF-8 at all: typed on a terminal in another encoding, taken as is.
    if (argCodePage == CP_UTF8_ID && ToUtf8(arg, CP_UTF8_ID) != arg) return arg;
    const std::string utf8 = argCodePage == CP_UTF8_ID ? arg : ToUtf8(arg, argCodePage);
    CTextConverter converter;
    if (!converter.Open(codePage, {}, nullptr)) {
        std::string bytes;
        if (codePage == argCodePage) return arg;
        if (FromUtf8(utf8, codePage, bytes)) return bytes;
        return std::nullopt;
    }
    std::string bytes;
    TextConvertStats stats;
    converter.Convert(utf8, bytes, stats);
    // A character without a form or a spelling there would be looked for as '?'.
    if (stats.replaced > 0) return std::nullopt;
    return bytes;
}

int RunFind(const FindOptions& options) {
    if (options.strText.empty()) UsageFail("find: the text to find is empty");
    StartUp(options.common);
    const int codePage = CodePageOption(options.strCodePage);

    CContactImage& image = theAppData.m_contacts;
    LoadContacts(image, options.strFile);
    const int count = image.GetContactCount();
    const std::string quoted = "\"" + options.strText + "\"";

    const std::optional<std::string> text = ArgumentInCodePage(options.strText, codePage);
    std::vector<int> matches;
    if (text) {
        const ContactTextRules rules(
            codePage == CP_UTF8_ID,
            [codePage](unsigned char b) { return IsLeadByteInCodePage(b, codePage); },
            [codePage](std::string_view bytes) { return ToUtf8(bytes, codePage); },
            [codePage](std::string_view utf8, std::string& out) {
                return FromUtf8(utf8, codePage, out);
            });
        matches = FindContacts(image, CContactQuery(*text, rules));
    }
    if (matches.empty())
        Fail("no contact matches " + quoted + " (" + ContactsText(count) + " in " +
             options.strFile + ")");

    PrintInfo(std::to_string(matches.size()) + " of " + ContactsText(count) + " match " + quoted);
    PrintInfo(ContactHeadingLine(true));
    for (const int n : matches) PrintInfo(ContactRowLine(image, n, codePage, true));
    return EXIT_OK;
}

}  // namespace

void AddFindCommand(CLI::App& app, CommandList& commands) {
    auto find = std::make_shared<FindOptions>();
    CLI::App* cmd = app.add_subcommand(
        "find", "Show every contact with a radio ID, or a text in Callsign to Country (any case or accents)");
    cmd->add_option("text", find->strText, "Radio ID, or text to find")->required();
    AsPath(cmd->add_option("file", find->strFile, "Image file, or CSV file (name ending in .csv)"))
        ->required();
    cmd->add_option(
        "--codepage", find->strCodePage,
        "Code page of the contact texts (UTF-8, GBK, CP1252...); default the program's");
    AddCommonOptions(*cmd, find->common);
    commands.push_back({cmd, [find] { return RunFind(*find); }});
}

}  // namespace pendrak::cli
