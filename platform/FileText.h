// Texts read from the file system (sizes, times, versions of a path), the existence test that
// counts a locked file, the encoding of a text file on disk, and encoded files opened by name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/ValueText.h"

namespace quillon {

class Prompter;

std::string FormatSizeText(const std::string& path, int64_t* size);

// "%02d/%02d/%04d %02d:%02d" in local time, or empty.
std::string FormatTimestampText(const std::string& path);

// "%u.%u.%u.%u" from a PE file's fixed version info, or empty.
std::string FormatVersionText(const std::string& path, bool productVersion);

// `name` without the reserved characters (but those in `keep`); the message, when asked for and
// something was removed, lists the characters removed by this rule.
std::string StripIllegalNameChars(std::string_view name, bool showMessage, Prompter* prompter,
                                  std::string_view keep = {});

bool PathExistsLoose(const std::string& path);

EncodingDetection DetectTextEncoding(const std::string& path);

FILE* OpenEncodedTextFile(const std::string& path, std::string_view mode, TextEncoding encoding,
                          bool writeMark);

std::string CompactTimeStamp(bool digitsOnly);

}  // namespace quillon
