// Text between UTF-8, UTF-16 and the locale's character set, shared by the log and the report
// files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// The character set of the user's locale (LC_ALL, LC_CTYPE, LANG), read from the environment
// whether or not the program called setlocale: a UTF-8 session writes UTF-8 with or without a
// toolkit that sets the locale up.
std::string LocaleCharset();
// "UTF-8" in any of its spellings ("utf8", "UTF_8", ...).
bool IsUtf8CharsetName(std::string_view charset);

// UTF-8 to UTF-16 code units; malformed bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16LE bytes (an odd last byte ignored) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);
// One code point appended as UTF-8.
void AppendUtf8(std::string& out, uint32_t cp);
// Each byte that does not belong to a well-formed UTF-8 character becomes `replacement`: '?' as
// the converter to a character set replaces it, or U+FFFD as UTF-16 shows it.
inline constexpr std::string_view kUtf8ReplacementChar = "\xEF\xBF\xBD";
std::string ReplaceInvalidUtf8(std::string_view text, std::string_view replacement = "?");
// Where the first byte that does not belong to a well-formed character lies, at or after `from`;
// npos when there is none.
size_t FirstInvalidUtf8(std::string_view text, size_t from = 0);
// UTF-8 to the named character set; characters it cannot hold become '?'. An unknown character
// set gives the input unchanged.
std::string ConvertUtf8ToCharset(std::string_view text, const char* charset);

}  // namespace quillon
