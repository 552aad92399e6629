#include "csv/ContactCsv.h"

#include <charconv>
#include <cstring>
#include <ctime>

#include "csv/CsvParser.h"

namespace pendrak {

const char CSV_HEADER[] = "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\n";

std::string MakeDefaultCsvName(std::string_view prefix, const std::tm* localTime) {
    char stamp[128] = "";
    if (localTime && std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", localTime) == 0)
        stamp[0] = '\0';
    std::string name(prefix);
    name += '-';
    name += stamp;
    name += ".csv";
    return name;
}

std::string MakeDefaultCsvName(std::string_view prefix) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    bool ok = now != static_cast<std::time_t>(-1);
#ifdef _WIN32
    ok = ok && localtime_s(&local, &now) == 0;
#else
    ok = ok && localtime_r(&now, &local) != nullptr;
#endif
    return MakeDefaultCsvName(prefix, ok ? &local : nullptr);
}

bool IsCsvFileName(std::string_view bareName) {
    return bareName.size() > 4 && bareName.substr(bareName.size() - 4) == ".csv";
}

namespace {

void AppendContactCsvLine(std::string& out, const CContactImage& image, int n) {
    char digits[16];
    const auto res = std::to_chars(digits, digits + sizeof digits, image.GetContactRadioId(n));
    out.append(digits, res.ptr);
    out += ',';
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        out += image.GetContactFieldText(static_cast<ContactField>(f), n);
        out += ',';
    }
    out += '\n';
}

}  // namespace

std::string FormatContactCsvLine(const CContactImage& image, int n) {
    std::string line;
    AppendContactCsvLine(line, image, n);
    return line;
}

bool WriteContactsCsv(const CContactImage& image, CCsvSink& sink) {
    if (!sink.Write(CSV_HEADER)) return false;
    const int count = image.GetContactCount();
    std::string line;
    line.reserve(256);
    for (int n = 0; n < count; ++n) {
        line.clear();
        AppendContactCsvLine(line, image, n);
        if (!sink.Write(line)) return false;
    }
    return true;
}

bool CCsvTextSink::Write(std::string_view bytes) {
    constexpr size_t FLUSH_AT = 64 * 1024;
    if (m_failed) return false;
    for (;;) {
        const size_t lf = bytes.find('\n');
        m_buffer.append(bytes.substr(0, lf));
        if (lf == std::string_view::npos) break;
        m_buffer += "\r\n";
        bytes.remove_prefix(lf + 1);
    }
    return m_buffer.size() < FLUSH_AT || Flush();
}

bool CCsvTextSink::Flush() {
    if (m_failed) return false;
    if (!m_buffer.empty() && !m_target.Write(m_buffer)) m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

int ParseContactsCsv(CContactImage& image, const char* data, size_t size) {
    CContactCsvParser parser(image);
    parser.Feed(data, size);
    return parser.Count();
}

}  // namespace pendrak
