// The texts shown for sizes, times and versions in the panes, dialogs and reports, and the
// encoded text-file helpers. Every function is pure apart from the file-system queries it names.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/TextConvert.h"

namespace quillon {

class Prompter;

enum TextEncoding : int { kEncAnsi = 0, kEncUtf16Le = 1, kEncUtf16Be = 2, kEncUtf8 = 3 };
// Any stored value other than 0..3 reads as ANSI.
TextEncoding ToTextEncoding(int value);
inline constexpr int kEncodingBinary = 9;

std::string FormatSizeText(const std::string& path, int64_t* size);
std::string FormatSizeTextFromBytes(int64_t size);
std::string InsertThousandsSeparators(std::string_view digits);
// "%02d/%02d/%04d %02d:%02d" in local time, or empty.
std::string FormatTimestampText(const std::string& path);
std::string FormatTimestampFromTime(time_t mtime);
// "%u.%u.%u.%u" from a PE file's fixed version info, or empty.
std::string FormatVersionText(const std::string& path, bool productVersion);
// The characters a file name may not contain, in the order the message lists them.
inline constexpr char kIllegalNameChars[] = "\\/:*?\"<>|";
inline constexpr char kIllegalNameCharsMessage[] =
    "A file name can't contain any of the following characters:";
std::string StripIllegalNameChars(std::string_view name, bool showMessage, Prompter* prompter);
bool PathExistsLoose(const std::string& path);

struct EncodingDetection {
    int result = 0;     // 1, 0, or the negative failure codes
    int encoding = -1;  // TextEncoding, kEncodingBinary, or -1 when unknown
    bool hasMark = false;
};
EncodingDetection DetectTextEncoding(const std::string& path);

FILE* OpenEncodedTextFile(const std::string& path, std::string_view mode, TextEncoding encoding,
                          bool writeMark);
// The byte-order mark of `encoding` (none for ANSI); false when it cannot be written.
bool WriteTextMark(FILE* stream, TextEncoding encoding);
// `text` is UTF-8; returns the number of units written, 0 on failure.
size_t WriteEncodedText(FILE* stream, TextEncoding encoding, std::string_view text);

std::string CompactTimeStamp(bool digitsOnly);

}  // namespace quillon
