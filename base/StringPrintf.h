// printf into a std::string of the length the text needs; a string argument (anything with
// c_str()) goes in as its C string, so that message formats with "%s" take paths and names as
// they are held.
#pragma once

#include <concepts>
#include <cstdio>
#include <string>
#include <type_traits>

namespace quillon {

namespace printf_detail {
template <typename>
inline constexpr bool kUnsupported = false;

// What printf receives for one argument. Anything else that reached the variable arguments would
// be copied there byte by byte: an object of a string class under "%s" would then be read as a
// pointer, so such types are refused when the call is compiled.
template <typename T>
auto Arg(const T& value) {
    if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_pointer_v<T> ||
                  std::is_null_pointer_v<T>) {
        return value;
    } else if constexpr (std::is_array_v<T>) {
        return static_cast<const std::remove_extent_t<T>*>(value);
    } else if constexpr (requires {
                             { value.c_str() } -> std::convertible_to<const char*>;
                         }) {
        return value.c_str();
    } else {
        static_assert(kUnsupported<T>, "StringPrintf takes numbers, pointers and strings");
    }
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
