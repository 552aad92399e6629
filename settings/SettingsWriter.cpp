#include "settings/SettingsWriter.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace pendrak {

namespace {

constexpr size_t VALUE_MAX = 259;  // what the reader keeps of a value

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

struct Line {
    size_t begin, end;  // the line's bytes without its line end
    size_t next;        // where the following line begins
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t lf = text.find('\n', at);
        const size_t stop = lf == std::string_view::npos ? text.size() : lf;
        const size_t end = stop > at && text[stop - 1] == '\r' ? stop - 1 : stop;
        lines.push_back({at, end, lf == std::string_view::npos ? text.size() : lf + 1});
        at = lines.back().next;
    }
    return lines;
}

}  // namespace

std::string SettingValueProblem(std::string_view value) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return "a value cannot hold a line break or a NUL byte";
    if (value.size() > VALUE_MAX)
        return "a value cannot be longer than " + std::to_string(VALUE_MAX) + " bytes";
    return {};
}

std::string SetIniValues(std::string_view text, std::string_view section,
                         const SettingValues& values) {
    const std::string eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    std::string out(text);
    for (const auto& [key, value] : values) {
        const std::vector<Line> lines = SplitLines(out);
        bool inSection = false, sectionFound = false;
        size_t lastKeyEnd = std::string::npos, sectionLineNext = std::string::npos;
        bool replaced = false;
        for (const Line& l : lines) {
            const std::string_view line = Trim(std::string_view(out).substr(l.begin, l.end - l.begin));
            if (!line.empty() && line.front() == '[') {
                const size_t close = line.find(']');
                inSection = close != std::string_view::npos && SameName(Trim(line.substr(1, close - 1)), section);
                if (inSection && !sectionFound) {
                    sectionFound = true;
                    sectionLineNext = l.next;
                }
                continue;
            }
            if (!inSection || line.empty() || line.front() == ';' || line.front() == '#') continue;
            const size_t eq = line.find('=');
            if (eq == std::string_view::npos) continue;
            lastKeyEnd = l.next;
            if (SameName(Trim(line.substr(0, eq)), key)) {
                // The key's own spelling and what stands before the '=' are kept.
                const size_t valueAt = out.find('=', l.begin) + 1;
                out.replace(valueAt, l.end - valueAt, value);
                replaced = true;
                break;
            }
        }
        if (replaced) continue;
        std::string entry = key + "=" + value + eol;
        if (!sectionFound) {
            if (!out.empty() && out.back() != '\n') out += eol;
            out += "[" + std::string(section) + "]" + eol + entry;
            continue;
        }
        size_t at = lastKeyEnd != std::string::npos ? lastKeyEnd : sectionLineNext;
        if (at == out.size() && !out.empty() && out.back() != '\n') {
            out += eol;
            at = out.size();
        }
        out.insert(at, entry);
    }
    return out;
}

bool WriteSettingValues(const std::string& path, const SettingValues& values,
                        std::string* reason) {
    namespace fs = std::filesystem;
    for (const auto& [key, value] : values) {
        if (std::string problem = SettingValueProblem(value); !problem.empty()) {
            *reason = key + ": " + problem;
            return false;
        }
    }
    std::error_code ec;
    // Through a symbolic link to the file it names: the link stays.
    const fs::path target = fs::is_symlink(path, ec) ? fs::canonical(path, ec) : fs::path(path);
    std::ifstream in(target, std::ios::binary);
    if (!in) {
        *reason = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::string changed = SetIniValues(text, "setup", values);
    if (changed == text) return true;

    fs::path temp = target;
    temp.replace_filename("." + target.filename().string() + ".pendrak-new");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(changed.data(), static_cast<std::streamsize>(changed.size()));
        out.flush();
        if (!out) {
            const int error = errno;
            out.close();
            fs::remove(temp, ec);
            *reason = "cannot write in the folder of " + path + ": " + std::strerror(error);
            return false;
        }
    }
    fs::permissions(temp, fs::status(target, ec).permissions(), ec);
#ifdef _WIN32
    const bool moved = MoveFileExA(temp.string().c_str(), target.string().c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    const std::string why = "Windows error " + std::to_string(GetLastError());
#else
    const bool moved = ::rename(temp.c_str(), target.c_str()) == 0;
    const std::string why = std::strerror(errno);
#endif
    if (!moved) {
        fs::remove(temp, ec);
        *reason = "cannot replace " + path + ": " + why;
        return false;
    }
    return true;
}

}  // namespace pendrak
