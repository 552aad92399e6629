// Helpers shared by the CSV tests.
#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "csv/ContactCsv.h"

namespace pendrak::test {

inline std::unique_ptr<CContactImage> NewImage() {
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    return image;
}

inline void AddContact(CContactImage& image, int id, std::vector<std::string> fields) {
    const int n = image.GetContactCount();
    image.SetContactRadioId(n, id);
    fields.resize(CONTACT_FIELD_COUNT);
    for (int f = 0; f < CONTACT_FIELD_COUNT; ++f)
        image.SetContactFieldText(static_cast<ContactField>(f), n, fields[f]);
    image.SetContactCount(n + 1);
}

using Lines = std::vector<std::string>;

// The contacts as "ID,value,...,value," with every value as stored (no
// quotes, whatever it holds).
inline Lines Contacts(const CContactImage& image) {
    Lines lines;
    for (int n = 0; n < image.GetContactCount(); ++n) {
        std::string line = std::to_string(image.GetContactRadioId(n)) + ',';
        for (int f = 0; f < CONTACT_FIELD_COUNT; ++f)
            line += std::string(image.GetContactFieldText(static_cast<ContactField>(f), n)) + ',';
        lines.push_back(line);
    }
    return lines;
}

// Keeps what is written; fails from a given write on.
class CRecordingSink : public CCsvSink {
public:
    std::string bytes;
    int writes = 0;
    int failFrom = -1;  // the write with this index and all later ones fail
    bool Write(std::string_view b) override {
        if (failFrom >= 0 && writes >= failFrom) {
            ++writes;
            return false;
        }
        ++writes;
        bytes.append(b);
        return true;
    }
};

// Serves bytes in pieces: at most `chunk` a read, a piece ending at every
// cut in `cuts`, and a read failure once `failAt` bytes have been served in
// pass `failPass` (0: every pass). Passes start at 1 and at each rewind.
class CMemorySource : public CCsvSource {
public:
    explicit CMemorySource(std::string data) : m_data(std::move(data)) {}
    std::vector<size_t> cuts;
    size_t failAt = std::string::npos;
    int failPass = 0;
    FileErrorCause failCause = FileErrorCause::hardIO;
    bool rewindable = true;
    int pass = 1;
    // What the second and later passes read, when the file changed.
    std::string changed;

    bool Rewind() override {
        if (!rewindable) return false;
        if (m_started) ++pass;
        m_started = true;
        m_pos = 0;
        if (pass >= 2 && !changed.empty()) m_data = changed;
        return true;
    }

    long long Read(char* buffer, size_t size, FileErrorCause& cause) override {
        m_started = true;
        if (m_pos >= failAt && (failPass == 0 || failPass == pass)) {
            cause = failCause;
            return -1;
        }
        size_t end = std::min(m_data.size(), m_pos + size);
        if (failPass == 0 || failPass == pass) end = std::min(end, failAt);
        for (size_t cut : cuts)
            if (cut > m_pos && cut < end) end = cut;
        std::memcpy(buffer, m_data.data() + m_pos, end - m_pos);
        const size_t got = end - m_pos;
        m_pos = end;
        return static_cast<long long>(got);
    }

private:
    std::string m_data;
    size_t m_pos = 0;
    bool m_started = false;
};

// Imports `bytes` as a file with the given options.
inline CsvImportResult ImportBytes(CContactImage& image, const std::string& bytes,
                                   const CsvImportOptions& options = {}, size_t chunk = 1 << 16) {
    CMemorySource source(bytes);
    return ImportContactsCsv(image, {&source}, options, chunk);
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class CTempDir {
public:
    CTempDir() {
        static int serial = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("pendrak-csv-" + std::to_string(std::random_device{}()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(m_path);
    }
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace pendrak::test
