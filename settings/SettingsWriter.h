// Changing keys of the settings file in place. Only the lines of the keys
// changed are touched: every other key, comment, blank line and line end,
// and the order of the file, stay byte for byte.
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

// The file's text with each key of `section` set as the reader finds them
// (section and key names without case, blanks trimmed, the first of
// repeated keys). A key that is missing is added after the section's last
// key line; a missing section is added at the end. Values must pass
// SettingValueProblem.
std::string SetIniValues(std::string_view text, std::string_view section,
                         const SettingValues& values);

// SetIniValues on the file at path, in section [setup]. The new text is
// written beside the file and renamed over it, so the file is replaced
// whole or not at all; an unchanged text is not written. False with the
// reason in English words.
bool WriteSettingValues(const std::string& path, const SettingValues& values,
                        std::string* reason);

}  // namespace pendrak
