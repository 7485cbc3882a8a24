#include "base/FileUri.h"

namespace quillon {

namespace {

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

std::string_view Trimmed(std::string_view line) {
    const char* blanks = " \t\r";
    const size_t first = line.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

// Each line of `data` after the first `skip` ones, trimmed; empty lines and comments left out.
std::vector<std::string_view> UriLines(std::string_view data, size_t skip) {
    std::vector<std::string_view> lines;
    size_t index = 0;
    while (!data.empty()) {
        const size_t end = data.find('\n');
        std::string_view line = Trimmed(data.substr(0, end));
        data = end == std::string_view::npos ? std::string_view() : data.substr(end + 1);
        if (index++ < skip || line.empty() || line.front() == '#') {
            continue;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> PathsOf(const std::vector<std::string_view>& lines) {
    std::vector<std::string> paths;
    for (std::string_view line : lines) {
        if (std::optional<std::string> path = PathFromFileUri(line)) {
            paths.push_back(std::move(*path));
        }
    }
    return paths;
}

}  // namespace

std::optional<std::string> PathFromFileUri(std::string_view uri) {
    if (!StartsNoCase(uri, "file:")) {
        return std::nullopt;
    }
    std::string_view rest = uri.substr(5);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        if (slash == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && StartsNoCase(host, "localhost"))) {
            return std::nullopt;
        }
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/') {
        return std::nullopt;
    }
    std::optional<std::string> path = Unescape(rest);
    if (path) {
        while (path->size() > 1 && path->back() == '/') {
            path->pop_back();
        }
    }
    return path;
}

std::vector<std::string> PathsFromUriList(std::string_view data) {
    return PathsOf(UriLines(data, 0));
}

std::vector<std::string> PathsFromGnomeCopiedFiles(std::string_view data, bool* cut) {
    const std::string_view first = Trimmed(data.substr(0, data.find('\n')));
    if (first != "copy" && first != "cut") {
        return {};
    }
    if (cut != nullptr) {
        *cut = first == "cut";
    }
    return PathsOf(UriLines(data, 1));
}

std::string FileUriFromPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    uri.reserve(uri.size() + path.size() * 3);
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            uri.push_back(c);
        } else {
            uri.push_back('%');
            uri.push_back(kHex[byte >> 4]);
            uri.push_back(kHex[byte & 15]);
        }
    }
    return uri;
}

std::string UriListFromPaths(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths) {
        list += FileUriFromPath(path);
        list += "\r\n";
    }
    return list;
}

std::string GnomeCopiedFilesFromPaths(const std::vector<std::string>& paths, bool cut) {
    std::string list = cut ? "cut" : "copy";
    for (const std::string& path : paths) {
        list += '\n';
        list += FileUriFromPath(path);
    }
    return list;
}

}  // namespace quillon
