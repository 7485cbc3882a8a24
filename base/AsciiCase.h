// Case folding of A-Z only. Names, keys and switches compare without case the way the file system
// pairing does: no locale, so other letters and invalid UTF-8 bytes are compared as they are.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

inline char FoldAsciiChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string FoldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = FoldAsciiChar(c);
    }
    return folded;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAsciiChar(a[i]) != FoldAsciiChar(b[i])) {
            return false;
        }
    }
    return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace quillon
