// Read-only access to an INI-style text file that stays mapped: every lookup
// scans the mapped bytes in place, starting at the section found last.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pendrak {

class CMappedIniFile {
public:
    static constexpr int BUFFER_SIZE = 1000;

    CMappedIniFile() = default;
    ~CMappedIniFile();
    CMappedIniFile(const CMappedIniFile&) = delete;
    CMappedIniFile& operator=(const CMappedIniFile&) = delete;

    // False (and closed) for a missing, unreadable or zero-byte file.
    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return m_view != nullptr; }
    // True when the open file begins with a UTF-8 byte-order mark: its texts
    // are UTF-8 whatever the program's code page.
    bool StartsWithUtf8Bom() const;
    // The code page of the text: UTF-8 after a byte-order mark, else the
    // program's. Names are compared in it.
    int TextCodePage() const;

    // Value of `key` in `section` into buffer (BUFFER_SIZE bytes): its length
    // (0 to 999, NUL-terminated); -1 when closed (buffer untouched); -2 for a
    // missing buffer or an empty name; 0 with empty text when not found.
    int GetValue(const char* section, const char* key, char* buffer);

private:
    void SetText(size_t size);

#ifdef _WIN32
    void* m_hFile = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
    void* m_hMapping = nullptr;
#else
    int m_fd = -1;
    size_t m_mappedSize = 0;
#endif
    const unsigned char* m_view = nullptr;
    uint32_t m_textSize = 0;
    const unsigned char* m_textBegin = nullptr;
    const unsigned char* m_textEnd = nullptr;
    const unsigned char* m_sectionCursor = nullptr;
};

}  // namespace pendrak
