// printf into a std::string of the length the text needs; a std::string argument goes in as its
// C string, so that message formats with "%s" take paths and names as they are held.
#pragma once

#include <cstdio>
#include <string>

namespace quillon {

namespace printf_detail {
inline const char* Arg(const std::string& text) {
    return text.c_str();
}
template <typename T>
T Arg(T value) {
    return value;
}
}  // namespace printf_detail

template <typename... Args>
std::string StringPrintf(const char* format, const Args&... args) {
    const int needed = std::snprintf(nullptr, 0, format, printf_detail::Arg(args)...);
    std::string text(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, printf_detail::Arg(args)...);
    return text;
}

}  // namespace quillon
