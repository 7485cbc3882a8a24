#include "base/PathUtil.h"

#include <vector>

namespace quillon {

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string out;
    out.reserve(dir.size() + 1 + name.size());
    out.append(dir);
    if (out.empty() || out.back() != kPathSep) {
        out.push_back(kPathSep);
    }
    out.append(name);
    return out;
}

std::string StripOneTrailingSeparator(std::string_view path) {
    if (path.size() > 1 && path.back() == kPathSep) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

bool IsRootPath(std::string_view path) {
    return path == "/";
}

std::string_view BaseName(std::string_view path) {
    size_t pos = path.rfind(kPathSep);
    return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

std::string_view DirName(std::string_view path) {
    size_t pos = path.rfind(kPathSep);
    if (pos == std::string_view::npos) {
        return {};
    }
    return pos == 0 ? path.substr(0, 1) : path.substr(0, pos);
}

std::string AbsolutePath(std::string_view base, std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::vector<std::string_view> parts;
    auto fold = [&parts](std::string_view text) {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find(kPathSep, start);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            std::string_view part = text.substr(start, end - start);
            if (part == "..") {
                if (!parts.empty()) {
                    parts.pop_back();
                }
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = end + 1;
        }
    };
    if (path.front() != kPathSep) {
        fold(base);
    }
    fold(path);
    std::string out;
    for (std::string_view part : parts) {
        out.push_back(kPathSep);
        out.append(part);
    }
    return out.empty() ? std::string(1, kPathSep) : out;
}

}  // namespace quillon
