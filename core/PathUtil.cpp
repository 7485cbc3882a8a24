#include "core/PathUtil.h"

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

}  // namespace quillon
