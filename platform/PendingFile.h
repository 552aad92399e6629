// A file written where nobody sees it and given its name only once whole:
// the temporary is created exclusively (never through a link) in the folder
// of its final name, made durable, then renamed or linked into place.
#pragma once

#include <string>
#include <string_view>

namespace pendrak {

class CPendingFile {
public:
    CPendingFile() = default;
    ~CPendingFile() { Discard(); }
    CPendingFile(const CPendingFile&) = delete;
    CPendingFile& operator=(const CPendingFile&) = delete;

    // Creates the temporary in the folder that `folderPrefix` names with
    // its trailing separator ("" for the current folder): on Linux an
    // unnamed file where the file system has them, else a random hidden
    // name opened with O_CREAT|O_EXCL|O_NOFOLLOW (CREATE_NEW on Windows).
    bool Open(const std::string& folderPrefix);
    bool IsOpen() const { return m_bOpen; }
    bool Write(std::string_view bytes);
    // Makes the file durable and gives it the name `target`. With replace,
    // an existing target is replaced whole; without, an existing target
    // fails the call with Exists() true and the temporary stays for
    // another name.
    bool Publish(const std::string& target, bool replace);
    // Removes the temporary; nothing is left.
    void Discard();

    // The system's code of the last failure (errno; GetLastError on Windows).
    int Error() const { return m_nError; }
    bool Exists() const;  // the last failure was a target that exists

private:
    bool Failed(int code) {
        m_nError = code;
        return false;
    }
    bool MakeDurable();

    std::string m_strFolder;  // the folder prefix given to Open
    std::string m_strTemp;    // the temporary's name; empty while it has none
    int m_nError = 0;
    bool m_bOpen = false;
    bool m_bDurable = false;
#ifdef _WIN32
    void* m_hFile = nullptr;
#else
    int m_fd = -1;
#endif
};

}  // namespace pendrak
