#include "settings/SettingsWriter.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace pendrak {

namespace {

namespace fs = std::filesystem;

constexpr size_t MAX_SETTING_VALUE = 259;  // what the reader keeps

// One line: [begin, end) without its line end; next starts the following one.
struct Line {
    size_t begin, end, next;
};

Line LineAt(std::string_view text, size_t p) {
    const size_t lf = text.find('\n', p);
    if (lf == std::string_view::npos) return {p, text.size(), text.size()};
    const size_t end = lf > p && text[lf - 1] == '\r' ? lf - 1 : lf;
    return {p, end, lf + 1};
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The value as the reader gives it back: blanks around it or enclosing
// quotes would be taken away, so such a value is quoted.
std::string ValueText(const std::string& value) {
    const bool blankEnds = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                              value.back() == ' ' || value.back() == '\t');
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    return blankEnds || quoted ? "\"" + value + "\"" : value;
}

// What the reader takes from the text after '='.
std::string ReadBack(std::string_view after) {
    after = Trimmed(after);
    if (after.size() >= 2 && after.front() == '"' && after.back() == '"')
        after = after.substr(1, after.size() - 2);
    return std::string(after);
}

struct Section {
    size_t lastKeyLineEnd = 0;  // where a new key goes: after this line's end
    bool found = false;
};

bool IsHeaderOf(std::string_view line, std::string_view name) {
    return line.size() >= name.size() + 2 && line[0] == '[' && line[name.size() + 1] == ']' &&
           SameName(line.substr(1, name.size()), name);
}

// The span of a key's value; npos when the key is not there.
struct KeyPlace {
    size_t valueBegin = std::string_view::npos, valueEnd = 0;
};

}  // namespace

std::string SettingValueProblem(std::string_view value) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return "a setting cannot hold a line break";
    if (value.size() > MAX_SETTING_VALUE)
        return "a setting holds at most " + std::to_string(MAX_SETTING_VALUE) + " bytes";
    return {};
}

std::string SetIniValues(std::string_view input, std::string_view section,
                         const SettingValues& values) {
    std::string text(input);
    const size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (const auto& [key, value] : values) {
        const std::string_view view(text);
        Section sec;
        KeyPlace place;
        std::string lineEnd;
        for (size_t p = start; p < view.size();) {
            const Line line = LineAt(view, p);
            const std::string_view body = view.substr(line.begin, line.end - line.begin);
            p = line.next;
            if (!sec.found) {
                if (!IsHeaderOf(body, section)) continue;
                sec.found = true;
                sec.lastKeyLineEnd = line.next;
                lineEnd = std::string(view.substr(line.end, line.next - line.end));
                continue;
            }
            if (body.empty() || body[0] == ';' || body[0] == '#') continue;
            if (body[0] == '[') break;
            const size_t eq = body.find('=');
            if (eq == std::string_view::npos || eq == 0) continue;
            sec.lastKeyLineEnd = line.next;
            if (lineEnd.empty()) lineEnd = std::string(view.substr(line.end, line.next - line.end));
            if (!SameName(Trimmed(body.substr(0, eq)), key)) continue;
            // The blanks after '=' are the writer's style: they stay.
            size_t v = line.begin + eq + 1;
            while (v < line.end && (view[v] == ' ' || view[v] == '\t')) ++v;
            place.valueBegin = v;
            place.valueEnd = line.end;
            break;
        }
        if (lineEnd.empty()) lineEnd = view.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";

        if (place.valueBegin != std::string_view::npos) {
            const std::string_view old = view.substr(place.valueBegin, place.valueEnd - place.valueBegin);
            if (ReadBack(old) != value)
                text.replace(place.valueBegin, place.valueEnd - place.valueBegin, ValueText(value));
            continue;
        }
        const std::string line = key + "=" + ValueText(value) + lineEnd;
        if (!sec.found) {
            if (!text.empty() && text.back() != '\n') text += lineEnd;
            text += "[" + std::string(section) + "]" + lineEnd + line;
            continue;
        }
        size_t at = sec.lastKeyLineEnd;
        std::string insert = line;
        // The key line (or header) was the file's last line, without an end.
        if (at == text.size() && !text.empty() && text.back() != '\n') insert = lineEnd + line;
        text.insert(at, insert);
    }
    return text;
}

bool WriteSettingValues(const std::string& path, const SettingValues& values,
                        std::string* reason) {
    auto fail = [&](const std::string& why) {
        if (reason) *reason = path + ": " + why;
        return false;
    };
    for (const auto& [key, value] : values)
        if (const std::string problem = SettingValueProblem(value); !problem.empty())
            return fail(key + ": " + problem);

    std::string text;
    {
        std::ifstream in(fs::path(path), std::ios::binary);
        if (!in) return fail("cannot be read");
        std::ostringstream all;
        all << in.rdbuf();
        if (in.bad()) return fail("cannot be read");
        text = all.str();
    }
    const std::string changed = SetIniValues(text, "setup", values);
    if (changed == text) return true;

    std::error_code ec;
    // Through a symbolic link to the file it names, which keeps the link.
    fs::path target = fs::path(path);
    if (fs::is_symlink(target, ec)) target = fs::canonical(target, ec);
    if (ec) return fail("cannot be resolved (" + ec.message() + ")");
    // A file the user cannot write stays as it is, though its folder may allow a rename.
    if (!std::ofstream(target, std::ios::binary | std::ios::app)) return fail("cannot be written");
    const fs::perms perms = fs::status(target, ec).permissions();
    const fs::path temp =
        target.parent_path() / (".setting-" + std::to_string(std::random_device{}()) + ".part");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return fail("cannot be written in its folder");
        if (perms != fs::perms::unknown) fs::permissions(temp, perms, ec);
        out.write(changed.data(), static_cast<std::streamsize>(changed.size()));
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            return fail("cannot be written (the disk may be full)");
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return fail("cannot be replaced (" + ec.message() + ")");
    }
    return true;
}

}  // namespace pendrak
