// CMappedIniFile::GetValue over arbitrary file contents and names.
//
// Input layout: byte 0 chooses the code page (bits 0-1) and whether the file
// is padded to whole pages (bit 4), so that a read past the text runs off
// the mapping; then one line of names, section and key alternating,
// separated by tabs (up to four lookups); the rest is the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "settings/MappedIniFile.h"

namespace {

const std::string& ScratchPath() {
    static const std::string path = [] {
        // tmpfs when there is one: a file is written for every input.
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/pendrak-fuzz-" + std::to_string(getpid()) + ".ini";
    }();
    return path;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::vector<std::string> SplitNames(std::string_view line) {
    std::vector<std::string> names;
    size_t start = 0;
    while (names.size() < 8) {
        const size_t tab = line.find('\t', start);
        names.emplace_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    if (names.size() % 2) names.emplace_back("IDS_ERROR");
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    static const int kCodePages[] = {pendrak::CP_UTF8_ID, pendrak::CP_GBK_ID, 932, 950};
    pendrak::SetProgramCodePage(kCodePages[mode & 3]);

    const size_t lf = rest.find('\n');
    const std::vector<std::string> names =
        SplitNames(lf == std::string_view::npos ? rest : rest.substr(0, lf));
    std::string contents(lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1));
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    if ((mode & 0x10) && !contents.empty()) {
        // Empty lines in front make the text end exactly at a page end.
        const size_t padded = (contents.size() + page - 1) / page * page;
        contents.insert(0, padded - contents.size(), '\n');
    }

    FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(contents.data(), 1, contents.size(), f);
    std::fclose(f);

    // New mappings usually land right below the last one: an inaccessible
    // page mapped just before makes a read past a page-sized file fault.
    void* guard = mmap(nullptr, page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);

    pendrak::CMappedIniFile file;
    const bool open = file.Open(ScratchPath().c_str());
    std::remove(ScratchPath().c_str());  // the mapping outlives the name
    Check(open == !contents.empty());
    for (size_t i = 0; i + 1 < names.size(); i += 2) {
        char buffer[pendrak::CMappedIniFile::BUFFER_SIZE];
        std::memset(buffer, 0x55, sizeof buffer);
        const int result = file.GetValue(names[i].c_str(), names[i + 1].c_str(), buffer);
        if (!open) {
            Check(result == -1 && buffer[0] == 0x55);
        } else if (result == -2) {
            Check(names[i].c_str()[0] == 0 || names[i + 1].c_str()[0] == 0);
            Check(buffer[0] == 0x55);
        } else {
            Check(result >= 0 && result <= 999);
            Check(std::strlen(buffer) == static_cast<size_t>(result));
        }
    }
    file.Close();
    if (guard != MAP_FAILED) munmap(guard, page);
    return 0;
}
