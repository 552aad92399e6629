#include "settings/MappedIniFile.h"

#include <cstring>

#include "platform/CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pendrak {

namespace {

using Byte = unsigned char;

constexpr int MAX_VALUE_LENGTH = CMappedIniFile::BUFFER_SIZE - 1;

// One line of text: [begin, end) without the LF and without a CR right
// before the LF; next is where the following line starts (textEnd when none).
struct Line {
    const Byte* begin;
    const Byte* end;
    const Byte* next;
};

Line LineAt(const Byte* p, const Byte* textEnd) {
    const auto* lf =
        static_cast<const Byte*>(std::memchr(p, '\n', static_cast<size_t>(textEnd - p)));
    if (!lf) return {p, textEnd, textEnd};
    const Byte* end = (lf > p && lf[-1] == '\r') ? lf - 1 : lf;
    return {p, end, lf + 1};
}

bool IsBlank(Byte b) {
    return b == ' ' || b == '\t';
}

Byte FoldCase(Byte b) {
    return (b >= 'A' && b <= 'Z') ? static_cast<Byte>(b - 'A' + 'a') : b;
}

// Compares `have` with the first n bytes of `want`, character by character in
// the file's code page: single-byte letters without case, double-byte
// characters byte for byte (so a trail byte is never folded).
bool NameEquals(const Byte* have, const Byte* want, size_t n, int codePage) {
    for (size_t i = 0; i < n;) {
        if (i + 1 < n && IsLeadByteInCodePage(want[i], codePage)) {
            if (have[i] != want[i] || have[i + 1] != want[i + 1]) return false;
            i += 2;
        } else {
            if (FoldCase(have[i]) != FoldCase(want[i])) return false;
            ++i;
        }
    }
    return true;
}

// Start of the first header line "[name]..." among the lines that start in
// [from, limit), or null.
const Byte* FindSection(const Byte* from, const Byte* limit, const Byte* textEnd, const Byte* name,
                        size_t n, int codePage) {
    for (const Byte* p = from; p < limit;) {
        const Line line = LineAt(p, textEnd);
        const auto len = static_cast<size_t>(line.end - line.begin);
        if (len >= n + 2 && line.begin[0] == '[' && line.begin[n + 1] == ']' &&
            NameEquals(line.begin + 1, name, n, codePage))
            return line.begin;
        p = line.next;
    }
    return nullptr;
}

void TrimBlanks(const Byte*& begin, const Byte*& end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
}

// The value after the '=': blanks trimmed, one pair of enclosing quotes
// removed, cut to what the buffer holds.
int CopyValue(const Byte* begin, const Byte* end, char* buffer) {
    TrimBlanks(begin, end);
    if (end - begin >= 2 && *begin == '"' && end[-1] == '"') {
        ++begin;
        --end;
    }
    size_t len = static_cast<size_t>(end - begin);
    if (len > MAX_VALUE_LENGTH) len = MAX_VALUE_LENGTH;
    std::memcpy(buffer, begin, len);
    buffer[len] = '\0';
    return static_cast<int>(len);
}

}  // namespace

CMappedIniFile::~CMappedIniFile() {
    Close();
}

#ifdef _WIN32

bool CMappedIniFile::Open(const char* path) {
    Close();
    if (!path) return false;
    HANDLE hFile = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    m_hFile = hFile;

    DWORD sizeHigh = 0;
    const DWORD fileSize = GetFileSize(hFile, &sizeHigh);
    // Text positions are 32-bit; a file of 4 GiB or more is no language file.
    if (fileSize == INVALID_FILE_SIZE || sizeHigh != 0) {
        Close();
        return false;
    }

    // The mapping is named after the full path, so two processes that open
    // the same file share it.
    char fullPath[512];
    const DWORD pathLen = GetFullPathNameA(path, sizeof fullPath, fullPath, nullptr);
    if (pathLen == 0 || pathLen >= sizeof fullPath) {
        Close();
        return false;
    }
    for (DWORD i = 0; i < pathLen; ++i)
        if (fullPath[i] == '\\') fullPath[i] = '@';

    m_hMapping = CreateFileMappingA(hFile, nullptr, PAGE_READONLY, 0, 0, fullPath);
    if (!m_hMapping) {
        Close();
        return false;
    }
    void* view = MapViewOfFile(m_hMapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        Close();
        return false;
    }
    m_view = static_cast<const unsigned char*>(view);

    // A mapping of that name made by another process for an older, shorter
    // copy of the file may be smaller than the file is now: read no further
    // than the view reaches.
    size_t size = fileSize;
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(view, &info, sizeof info) != 0 && info.RegionSize < size)
        size = info.RegionSize;
    SetText(size);
    return true;
}

void CMappedIniFile::Close() {
    if (m_view) {
        UnmapViewOfFile(m_view);
        m_view = nullptr;
    }
    if (m_hMapping) {
        CloseHandle(m_hMapping);
        m_hMapping = nullptr;
    }
    if (m_hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

#else

bool CMappedIniFile::Open(const char* path) {
    Close();
    if (!path) return false;
    // Non-blocking so that a FIFO of that name cannot hang the caller.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    m_fd = fd;

    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        static_cast<unsigned long long>(st.st_size) > 0xFFFFFFFFull) {
        Close();
        return false;
    }
    const auto size = static_cast<size_t>(st.st_size);
    void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
        Close();
        return false;
    }
    m_view = static_cast<const unsigned char*>(view);
    m_mappedSize = size;
    SetText(size);
    return true;
}

void CMappedIniFile::Close() {
    if (m_view) {
        munmap(const_cast<unsigned char*>(m_view), m_mappedSize);
        m_view = nullptr;
        m_mappedSize = 0;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

#endif

void CMappedIniFile::SetText(size_t size) {
    m_textBegin = m_view;
    const auto* nul = static_cast<const unsigned char*>(std::memchr(m_view, 0, size));
    m_textEnd = nul ? nul : m_view + size;
    m_textSize = static_cast<uint32_t>(m_textEnd - m_view);
    if (m_textSize >= 3 && m_view[0] == 0xEF && m_view[1] == 0xBB && m_view[2] == 0xBF)
        m_textBegin += 3;
    m_sectionCursor = m_textBegin;
}

bool CMappedIniFile::StartsWithUtf8Bom() const {
    return m_view && m_textBegin != m_view;
}

int CMappedIniFile::TextCodePage() const {
    return StartsWithUtf8Bom() ? CP_UTF8_ID : GetProgramCodePage();
}

int CMappedIniFile::GetValue(const char* section, const char* key, char* buffer) {
    if (!m_view) return -1;
    if (!buffer || !section || !*section) return -2;

    const int codePage = TextCodePage();
    const auto* sectionName = reinterpret_cast<const Byte*>(section);
    const size_t sectionLen = std::strlen(section);
    const Byte* header =
        FindSection(m_sectionCursor, m_textEnd, m_textEnd, sectionName, sectionLen, codePage);
    if (!header)
        header =
            FindSection(m_textBegin, m_sectionCursor, m_textEnd, sectionName, sectionLen, codePage);
    if (!header) {
        buffer[0] = '\0';
        return 0;
    }
    m_sectionCursor = header;

    if (!key || !*key) return -2;
    const auto* keyName = reinterpret_cast<const Byte*>(key);
    const size_t keyLen = std::strlen(key);

    // The header's own line may be the last one: then there is no key.
    for (const Byte* p = LineAt(header, m_textEnd).next; p < m_textEnd;) {
        const Line line = LineAt(p, m_textEnd);
        p = line.next;
        if (line.begin == line.end || *line.begin == ';' || *line.begin == '#') continue;
        if (*line.begin == '[') break;  // the next section
        const auto* eq = static_cast<const Byte*>(
            std::memchr(line.begin, '=', static_cast<size_t>(line.end - line.begin)));
        if (!eq || eq == line.begin) continue;
        const Byte* keyBegin = line.begin;
        const Byte* keyEnd = eq;
        TrimBlanks(keyBegin, keyEnd);
        if (static_cast<size_t>(keyEnd - keyBegin) != keyLen ||
            !NameEquals(keyBegin, keyName, keyLen, codePage))
            continue;
        return CopyValue(eq + 1, line.end, buffer);
    }
    buffer[0] = '\0';
    return 0;
}

}  // namespace pendrak
