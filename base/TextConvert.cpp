#include "base/TextConvert.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "base/AsciiCase.h"

namespace quillon {

namespace {

// Length of the UTF-8 sequence that starts with `lead`, 1 for a stray byte.
size_t Utf8SequenceLength(uint8_t lead) {
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    if (lead >= 0xC2) {
        return 2;
    }
    return 1;
}

// Length of the well-formed UTF-8 character at p[i] with its code point in `cp`, or 0 when the
// bytes there are not one: overlong forms, surrogates and values past U+10FFFF are not
// characters.
size_t DecodeUtf8(const uint8_t* p, size_t i, size_t size, uint32_t& cp) {
    const uint8_t lead = p[i];
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    const size_t length = Utf8SequenceLength(lead);
    if (length < 2 || i + length > size) {
        return 0;
    }
    cp = lead & (0xFFu >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (p[i + k] & 0x3Fu);
    }
    static constexpr uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string LocaleCharset() {
    std::string name = "ANSI_X3.4-1968";
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (loc != static_cast<locale_t>(0)) {
        const char* set = nl_langinfo_l(CODESET, loc);
        if (set != nullptr && *set != '\0') {
            name = set;
        }
        freelocale(loc);
    }
    return name;
}

bool IsUtf8CharsetName(std::string_view charset) {
    std::string folded;
    for (char c : charset) {
        if (c != '-' && c != '_') {
            folded += FoldAsciiChar(c);
        }
    }
    return folded == "utf8";
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        uint32_t cp = 0;
        const size_t length = DecodeUtf8(p, i, size, cp);
        if (length == 0) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t units = bytes.size() / 2;
    auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               (static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
    };
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

constexpr uint64_t kHighBits = 0x8080808080808080ULL;

size_t FirstInvalidUtf8(std::string_view text, size_t from) {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const size_t size = text.size();
    size_t i = from;
    while (i < size) {
        if (p[i] < 0x80) {
            // Reports are mostly ASCII: it is passed over eight bytes at a time.
            uint64_t word = 0;
            while (i + 8 <= size && (std::memcpy(&word, p + i, 8), (word & kHighBits) == 0)) {
                i += 8;
            }
            if (i < size && p[i] < 0x80) {
                ++i;
            }
            continue;
        }
        uint32_t cp = 0;
        const size_t length = DecodeUtf8(p, i, size, cp);
        if (length == 0) {
            return i;
        }
        i += length;
    }
    return std::string_view::npos;
}

std::string ReplaceInvalidUtf8(std::string_view text, std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    size_t copied = 0;  // start of the valid run not yet copied
    for (size_t bad = FirstInvalidUtf8(text, 0); bad != std::string_view::npos;
         bad = FirstInvalidUtf8(text, copied)) {
        out.append(text.data() + copied, bad - copied);
        out.append(replacement);
        copied = bad + 1;
    }
    out.append(text.data() + copied, text.size() - copied);
    return out;
}

std::string ConvertUtf8ToCharset(std::string_view text, const char* charset) {
    // The usual locale needs no converter: only malformed bytes change. A report of a million
    // rows would otherwise spend most of its writing time in the converter.
    if (std::string_view(charset) == "UTF-8") {
        return ReplaceInvalidUtf8(text);
    }
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    char chunk[256];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof chunk;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<size_t>(outPtr - chunk));
        if (rc != static_cast<size_t>(-1) || errno == E2BIG) {
            continue;
        }
        // An unconvertible or malformed character is replaced and skipped as a whole.
        size_t skip = Utf8SequenceLength(static_cast<uint8_t>(*in));
        if (errno == EINVAL || skip > inLeft) {
            skip = inLeft;
        }
        const std::u16string probe = Utf8ToUtf16(std::string_view(in, skip));
        if (!probe.empty() && probe[0] == u'\uFFFD' && skip > 1) {
            skip = 1;
        }
        out.push_back('?');
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = chunk;
    size_t outLeft = sizeof chunk;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(chunk, static_cast<size_t>(outPtr - chunk));
    iconv_close(cd);
    return out;
}

}  // namespace quillon
