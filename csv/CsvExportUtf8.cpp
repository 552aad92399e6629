// The export for spreadsheets and other programs: UTF-8, quoted where a
// value needs it, so that it reads back through the named-column layout.
#include <charconv>

#include "csv/ContactCsv.h"
#include "platform/CodePage.h"

namespace pendrak {

namespace {

// RFC 4180: quotes around a value with a separator, a quote or a line end,
// and around one with blanks at either end, which the import would drop.
void AppendValue(std::string& out, std::string_view value) {
    const bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                           value.back() == ' ' || value.back() == '\t'));
    if (!quote) {
        out += value;
        return;
    }
    AppendQuotedCsvValue(out, value);
}

}  // namespace

bool WriteContactsCsvUtf8(const CContactImage& image, CCsvSink& sink, int codePage,
                          long long* replaced) {
    if (!sink.Write("\xEF\xBB\xBF"
                    "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks\r\n"))
        return false;
    const int count = image.GetContactCount();
    std::string line;
    for (int n = 0; n < count; ++n) {
        line.clear();
        char digits[16];
        const auto res = std::to_chars(digits, digits + sizeof digits, image.GetContactRadioId(n));
        line.append(digits, res.ptr);
        for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
            line += ',';
            AppendValue(
                line, ToUtf8(image.GetContactFieldText(static_cast<ContactField>(f), n), codePage,
                             replaced));
        }
        line += "\r\n";
        if (!sink.Write(line)) return false;
    }
    return true;
}

}  // namespace pendrak
