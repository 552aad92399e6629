// Changing keys of the settings file in place: only the lines of the keys
// changed are touched; every other key, comment, blank line, line end and
// the order of the file stay byte for byte.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pendrak {

using SettingValues = std::vector<std::pair<std::string, std::string>>;

// Why a value cannot be kept in the file (a line break, a NUL, longer than
// the reader takes); empty when it can.
std::string SettingValueProblem(std::string_view value);

// The text with each key of `section` set, found as the reader finds it
// (names without case, blanks trimmed, the first of repeated keys). A
// missing key goes after the section's last key line; a missing section is
// added at the end.
std::string SetIniValues(std::string_view text, std::string_view section,
                         const SettingValues& values);

// SetIniValues on the file at path, section [setup]. The new text is
// written beside the file and renamed over it: the file is replaced whole
// or not at all. False with the reason in English words.
bool WriteSettingValues(const std::string& path, const SettingValues& values,
                        std::string* reason);

}  // namespace pendrak
