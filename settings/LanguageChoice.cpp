#include "settings/LanguageChoice.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/CodePage.h"
#include "settings/MappedIniFile.h"

namespace pendrak {

std::string LanguageFileForLcid(uint32_t lcid) {
    // Only the PRC's Chinese: Taiwan's and Hong Kong's texts are not GBK's.
    if (lcid == 0x0804u) return "lang_cn";
    static const struct {
        uint32_t primary;
        const char* file;
    } kFiles[] = {{0x05, "lang_cs"}, {0x07, "lang_de"}, {0x0A, "lang_es"}, {0x0C, "lang_fr"},
                  {0x10, "lang_it"}, {0x11, "lang_ja"}, {0x13, "lang_nl"}, {0x15, "lang_pl"},
                  {0x16, "lang_pt_br"}, {0x19, "lang_ru"}, {0x22, "lang_uk"}};
    const uint32_t primary = lcid & 0x3FFu;
    for (const auto& f : kFiles)
        if (f.primary == primary) return f.file;
    return "lang_en";
}

std::vector<LanguageEntry> ListLanguages(const std::string& dataDir) {
    namespace fs = std::filesystem;
    std::vector<LanguageEntry> languages;
    std::error_code ec;
    for (fs::directory_iterator it(dataDir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.extension() != ".lng" || !it->is_regular_file(ec)) continue;
        LanguageEntry entry;
        entry.strName = path.stem().string();
        CMappedIniFile file;
        char buffer[CMappedIniFile::BUFFER_SIZE] = "";
        if (file.Open(path.string().c_str()) && file.GetValue("String", "IDS_LANGUAGE", buffer) > 0)
            entry.strTitle = ToUtf8(buffer, file.TextCodePage());
        if (entry.strTitle.empty()) entry.strTitle = entry.strName;
        languages.push_back(std::move(entry));
    }
    std::sort(languages.begin(), languages.end(),
              [](const LanguageEntry& a, const LanguageEntry& b) { return a.strName < b.strName; });
    return languages;
}

}  // namespace pendrak
