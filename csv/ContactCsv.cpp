#include "csv/ContactCsv.h"

#include <charconv>
#include <cstring>
#include <ctime>

#include "csv/CsvImportParts.h"
#include "csv/CsvParser.h"
#include "platform/CodePage.h"
#include "platform/TextConvert.h"

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

void AppendQuotedCsvValue(std::string& out, std::string_view value) {
    out += '"';
    for (const char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

namespace {

// A value with a comma, a quote, a line break or 0x1A (the end of the data
// outside quotes) goes in quotes, its own quotes doubled (RFC 4180); any
// other is written as it always was.
void AppendOwnValue(std::string& out, std::string_view value) {
    // No branch a byte: texts are short and most need no quotes.
    constexpr uint64_t SPECIAL = 1ull << '\n' | 1ull << '\r' | 1ull << 0x1A | 1ull << '"' | 1ull << ',';
    uint64_t hit = 0;
    for (const char c : value) {
        const auto b = static_cast<unsigned char>(c);
        hit |= (SPECIAL >> (b & 63)) & static_cast<uint64_t>(b < 64);
    }
    const bool plain = hit == 0;
    if (plain) {
        out += value;
        return;
    }
    AppendQuotedCsvValue(out, value);
}

void AppendContactCsvLine(std::string& out, const CContactImage& image, int n) {
    char digits[16];
    const auto res = std::to_chars(digits, digits + sizeof digits, image.GetContactRadioId(n));
    out.append(digits, res.ptr);
    out += ',';
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
        AppendOwnValue(out, image.GetContactFieldText(static_cast<ContactField>(f), n));
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

bool CCsvBufferedSink::Write(std::string_view bytes) {
    m_buffer.append(bytes);
    return Appended();
}

bool CCsvBufferedSink::Appended() {
    constexpr size_t FLUSH_AT = 64 * 1024;
    if (m_failed) {
        m_buffer.clear();
        return false;
    }
    return m_buffer.size() < FLUSH_AT || Flush();
}

bool CCsvBufferedSink::Flush() {
    if (m_failed) return false;
    if (!m_buffer.empty() && !m_target.Write(m_buffer)) m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

bool CCsvTextSink::Write(std::string_view bytes) {
    for (;;) {
        const size_t lf = bytes.find('\n');
        m_buffer.append(bytes.substr(0, lf));
        if (lf == std::string_view::npos) break;
        m_buffer += "\r\n";
        bytes.remove_prefix(lf + 1);
    }
    return Appended();
}

namespace {

// Stores each new ID's contact in file order until the image is full.
class CDirectStore : public ICsvRecordSink {
public:
    explicit CDirectStore(CContactImage& image)
        : m_image(image), m_nCodePage(GetProgramCodePage()) {}

    bool OnRecord(const CsvRecord& r) override {
        if (r.kind != CsvRecordKind::Contact || m_seen.TestAndSet(r.nId)) return true;
        m_image.SetContactRadioId(m_nCount, static_cast<int32_t>(r.nId));
        for (int f = 0; f < CONTACT_FIELD_COUNT; ++f) {
            const auto field = static_cast<ContactField>(f);
            const std::string_view text = r.values[f];
            const size_t width = static_cast<size_t>(ContactFieldWidth(field));
            m_image.SetContactFieldText(field, m_nCount,
                                        text.substr(0, CharBoundaryCut(text, width, m_nCodePage)));
        }
        return ++m_nCount < MAX_CONTACTS;
    }
    int Count() const { return m_nCount; }

private:
    CContactImage& m_image;
    int m_nCodePage;
    CSeenIds m_seen;
    int m_nCount = 0;
};

}  // namespace

int ParseContactsCsv(CContactImage& image, const char* data, size_t size) {
    CDirectStore store(image);
    CContactCsvParser parser(store, true);
    // Finished also after 0x1A, which ends the data but not its last line.
    parser.Feed(data, size);
    parser.Finish();
    return store.Count();
}

}  // namespace pendrak
