// The file that holds an emulated radio's memory. It is one radio: opened
// and locked for as long as a link (or the emulate server) uses it, and
// every block the radio takes is written through to it before the radio
// acknowledges the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pendrak {

// Where the emulator puts what a block write stores, besides its own memory.
// A block the store refuses is refused (NAK) by the radio.
class IMemoryStore {
public:
    virtual ~IMemoryStore() = default;
    // False when the bytes could not be stored; the reason is kept.
    virtual bool Store(uint32_t address, const unsigned char* data, size_t size) = 0;
    // What was stored made durable; false when it could not be, reason kept.
    virtual bool Flush() = 0;
    // The first reason kept since the last call, then forgotten; empty when
    // nothing failed.
    virtual std::string TakeFailure() = 0;
};

class CMemoryFile : public IMemoryStore {
public:
    CMemoryFile() = default;
    ~CMemoryFile() override;
    CMemoryFile(const CMemoryFile&) = delete;
    CMemoryFile& operator=(const CMemoryFile&) = delete;

    // Opens path and locks it for this object alone; a second opener, in
    // this process or another, fails with an "in use" reason. A missing file
    // is first created holding the size bytes at memory (a fresh radio), as
    // a whole; an existing one must be exactly size bytes and is read into
    // memory. A file that cannot be written is opened for reading, and
    // every Store then fails saying why. False with the reason in failure.
    // Without create, a missing file fails: there is no radio to read.
    bool Open(const std::string& path, unsigned char* memory, size_t size, std::string& failure,
              bool create = true);
    void Close();  // releases the lock; what was stored stays stored
    bool IsOpen() const;

    bool Store(uint32_t address, const unsigned char* data, size_t size) override;
    bool Flush() override;
    std::string TakeFailure() override;

private:
    // Keeps the first reason since TakeFailure; returns false.
    bool Keep(const std::string& what, const std::string& why);
    std::string Name() const { return "emulator memory file " + m_strPath; }

#ifdef _WIN32
    void* m_hFile = reinterpret_cast<void*>(-1);
#else
    int m_fd = -1;
#endif
    std::string m_strPath;
    std::string m_strReadOnly;  // why the file could not be opened for writing
    std::string m_strFailure;
    bool m_bDirty = false;
};

// Puts size bytes into path as a whole: written under a temporary name in
// the same folder, then put in place. An existing file is replaced only when
// replace is true; otherwise it is left alone and the call fails with
// already set. False with the reason in failure.
bool WriteWholeFile(const std::string& path, const unsigned char* data, size_t size, bool replace,
                    std::string& failure, bool* already = nullptr);

}  // namespace pendrak
