// Which language file a system's locale picks, and the language files a
// program folder offers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pendrak {

// The language file (name without ".lng") for a Windows locale identifier:
// lang_cn for Chinese (PRC), lang_de for any German, lang_pt_br for any
// Portuguese …; lang_en for a language without a file of its own.
std::string LanguageFileForLcid(uint32_t lcid);

struct LanguageEntry {
    std::string strName;   // file name without ".lng"
    std::string strTitle;  // the language's own name (IDS_LANGUAGE), UTF-8; else strName
};

// The *.lng files of dataDir, by file name.
std::vector<LanguageEntry> ListLanguages(const std::string& dataDir);

}  // namespace pendrak
