#include "platform/FavoriteApps.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/PathUtil.h"
#include "platform/Launcher.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"

namespace quillon {

namespace {

constexpr std::string_view kFileCode = "%1";

// Every `from` in `text` replaced by `to`, the replacement never scanned again (a file name may
// itself hold "%1").
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    size_t start = 0;
    for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        out.append(text.substr(start, at - start));
        out.append(to);
        start = at + from.size();
    }
    out.append(text.substr(start));
    return out;
}

bool HasFileCode(const std::vector<std::string>& args) {
    return std::any_of(args.begin() + (args.empty() ? 0 : 1), args.end(),
                       [](const std::string& a) { return a.find(kFileCode) != std::string::npos; });
}

// The escapes of a desktop entry's string values.
std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        switch (value[++i]) {
            case 's':
                out.push_back(' ');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            default:
                // "\\" and the escapes of the Exec quoting, which the split below reads.
                if (value[i] != '\\') {
                    out.push_back('\\');
                }
                out.push_back(value[i]);
                break;
        }
    }
    return out;
}

// The Exec quoting: blanks separate arguments; inside double quotes a backslash escapes `"`,
// "`", "$" and "\". False when a quote is left open.
bool SplitExec(std::string_view exec, std::vector<std::string>& args) {
    args.clear();
    size_t i = 0;
    while (i < exec.size()) {
        while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t')) {
            ++i;
        }
        if (i == exec.size()) {
            break;
        }
        std::string arg;
        while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t') {
            if (exec[i] != '"') {
                arg.push_back(exec[i++]);
                continue;
            }
            ++i;
            while (i < exec.size() && exec[i] != '"') {
                if (exec[i] == '\\' && i + 1 < exec.size() &&
                    std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                    ++i;
                }
                arg.push_back(exec[i++]);
            }
            if (i == exec.size()) {
                return false;
            }
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return !args.empty();
}

bool IsListCode(const std::string& arg) {
    return arg == "%F" || arg == "%U";
}

// One argument with the single-valued codes expanded; `file` is the file of this command.
std::string ExpandArgument(const std::string& arg, const SendToEntry& entry,
                           const std::string& file) {
    std::string out;
    for (size_t i = 0; i < arg.size(); ++i) {
        if (arg[i] != '%' || i + 1 == arg.size()) {
            out.push_back(arg[i]);
            continue;
        }
        switch (arg[++i]) {
            case '%':
                out.push_back('%');
                break;
            case 'f':
                out += file;
                break;
            case 'u':
                out += file.empty() ? std::string() : FileUri(file);
                break;
            case 'c':
                out += entry.name;
                break;
            case 'k':
                out += entry.desktopFile;
                break;
            default:
                // Deprecated and unknown codes, and the list codes inside a longer argument.
                break;
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> LoadFavoriteApps(const SettingsStore& settings) {
    std::vector<std::string> apps;
    for (int i = 0; i < kMaxFavoriteApps; ++i) {
        std::string entry =
            settings.GetProfileString(settings::kFavoriteApps, settings::FavoriteAppEntry(i));
        if (!entry.empty()) {
            apps.push_back(std::move(entry));
        }
    }
    return apps;
}

bool SaveFavoriteApps(SettingsStore& settings, const std::vector<std::string>& apps) {
    settings.DeleteProfileSection(settings::kFavoriteApps);
    bool all = true;
    for (size_t i = 0; i < apps.size() && i < size_t{kMaxFavoriteApps}; ++i) {
        all =
            settings.WriteProfileString(settings::kFavoriteApps,
                                        settings::FavoriteAppEntry(static_cast<int>(i)), apps[i]) &&
            all;
    }
    return all;
}

AddFavoriteResult AddFavoriteApp(std::vector<std::string>& apps, const std::string& path) {
    if (path.empty()) {
        return AddFavoriteResult::kEmptyName;
    }
    if (std::any_of(apps.begin(), apps.end(),
                    [&path](const std::string& entry) { return FavoriteProgram(entry) == path; })) {
        return AddFavoriteResult::kDuplicate;
    }
    if (apps.size() >= size_t{kMaxFavoriteApps}) {
        return AddFavoriteResult::kFull;
    }
    apps.push_back("\"" + path + "\"");
    return AddFavoriteResult::kAdded;
}

std::string FavoriteProgram(std::string_view entry) {
    const size_t open = entry.find('"');
    if (open != std::string_view::npos) {
        const size_t close = entry.find('"', open + 1);
        if (close != std::string_view::npos) {
            return std::string(entry.substr(open + 1, close - open - 1));
        }
    }
    const std::vector<std::string> args = SplitCommandLine(entry);
    return args.empty() ? std::string() : args[0];
}

std::string WithFileArgument(std::string_view entry) {
    if (HasFileCode(SplitCommandLine(entry))) {
        return std::string(entry);
    }
    return std::string(entry) + " \"%1\"";
}

std::vector<std::string> FavoriteArgv(std::string_view entry, const std::string& file) {
    std::vector<std::string> args = SplitCommandLine(WithFileArgument(entry));
    for (size_t i = 1; i < args.size(); ++i) {
        args[i] = ReplaceAll(args[i], kFileCode, file);
    }
    return args;
}

std::string SendToFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data != nullptr && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.local/share";
    }
    return JoinPath(base, "Thunar/sendto");
}

bool ParseSendToEntry(std::string_view text, const std::string& desktopFile, SendToEntry& entry) {
    entry = SendToEntry{};
    entry.desktopFile = desktopFile;
    std::string type;
    std::string exec;
    bool inMainGroup = false;
    bool hidden = false;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inMainGroup || equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ') {
            key.pop_back();
        }
        size_t start = equals + 1;
        while (start < line.size() && line[start] == ' ') {
            ++start;
        }
        const std::string value = UnescapeValue(std::string_view(line).substr(start));
        if (key == "Name") {
            entry.name = value;
        } else if (key == "Exec") {
            exec = value;
        } else if (key == "Icon") {
            entry.icon = value;
        } else if (key == "Type") {
            type = value;
        } else if (key == "Hidden") {
            hidden = value == "true";
        }
    }
    if (entry.name.empty()) {
        entry.name = std::string(BaseName(desktopFile));
    }
    return type == "Application" && !hidden && SplitExec(exec, entry.exec);
}

std::vector<SendToEntry> LoadSendToEntries(const std::string& folder) {
    std::vector<SendToEntry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return entries;
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() <= 8 || name.compare(name.size() - 8, 8, ".desktop") != 0) {
            continue;
        }
        const std::string path = JoinPath(folder, name);
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        SendToEntry entry;
        if (in && ParseSendToEntry(text.str(), path, entry)) {
            entries.push_back(std::move(entry));
        }
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const SendToEntry& a, const SendToEntry& b) {
        return a.name != b.name ? a.name < b.name : a.desktopFile < b.desktopFile;
    });
    return entries;
}

std::vector<std::vector<std::string>> ExpandSendTo(const SendToEntry& entry,
                                                   const std::vector<std::string>& files) {
    const bool takesList = std::any_of(entry.exec.begin(), entry.exec.end(), IsListCode);
    const bool takesOne =
        std::any_of(entry.exec.begin(), entry.exec.end(), [](const std::string& a) {
            return a.find("%f") != std::string::npos || a.find("%u") != std::string::npos;
        });
    // Each file gets a command of its own when the entry takes one file and there are several.
    std::vector<std::string> perCommand = {std::string()};
    if (!takesList && takesOne && !files.empty()) {
        perCommand = files;
    }
    std::vector<std::vector<std::string>> commands;
    for (const std::string& file : perCommand) {
        std::vector<std::string> argv;
        for (const std::string& arg : entry.exec) {
            if (arg == "%F" || arg == "%U") {
                for (const std::string& f : files) {
                    argv.push_back(arg == "%F" ? f : FileUri(f));
                }
            } else if (arg == "%i") {
                if (!entry.icon.empty()) {
                    argv.insert(argv.end(), {"--icon", entry.icon});
                }
            } else if (arg.size() == 2 && arg[0] == '%' && arg[1] != '%' && arg[1] != 'c' &&
                       arg[1] != 'k' && arg[1] != 'f' && arg[1] != 'u') {
                // A deprecated code on its own goes with its argument.
            } else {
                argv.push_back(ExpandArgument(arg, entry, takesList ? std::string() : file));
            }
        }
        if (!argv.empty()) {
            commands.push_back(std::move(argv));
        }
    }
    return commands;
}

std::string FileUri(std::string_view path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        const bool keep = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                          (b >= '0' && b <= '9') || b == '-' || b == '.' || b == '_' || b == '~' ||
                          b == '/';
        if (keep) {
            uri.push_back(c);
        } else {
            uri.push_back('%');
            uri.push_back(kHex[b >> 4]);
            uri.push_back(kHex[b & 15]);
        }
    }
    return uri;
}

}  // namespace quillon
