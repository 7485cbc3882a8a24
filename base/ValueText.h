// The texts shown for sizes, times and versions in the panes, dialogs and reports, and the text
// encodings of report files. Nothing here touches the file system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "base/TextConvert.h"

namespace quillon {

enum TextEncoding : int { kEncAnsi = 0, kEncUtf16Le = 1, kEncUtf16Be = 2, kEncUtf8 = 3 };

// Any stored value other than 0..3 reads as ANSI.
TextEncoding ToTextEncoding(int value);

inline constexpr int kEncodingBinary = 9;

std::string FormatSizeTextFromBytes(int64_t size);

std::string InsertThousandsSeparators(std::string_view digits);

std::string FormatTimestampFromTime(time_t mtime);
// The same text into `out`, reusing its storage: a report formats one per file.
void FormatTimestampInto(time_t mtime, std::string& out);
// Whether the two times show the same local minute; a time with no local form matches only
// another without one.
bool SameLocalMinute(time_t a, time_t b);

// The characters a file name may not contain, in the order the message lists them.
inline constexpr char kIllegalNameChars[] = "\\/:*?\"<>|";

inline constexpr char kIllegalNameCharsMessage[] =
    "A file name can't contain any of the following characters:";

struct EncodingDetection {
    int result = 0;     // 1, 0, or the negative failure codes
    int encoding = -1;  // TextEncoding, kEncodingBinary, or -1 when unknown
    bool hasMark = false;
};

// The byte-order mark of `encoding` (none for ANSI); false when it cannot be written.
bool WriteTextMark(FILE* stream, TextEncoding encoding);

// `text` is UTF-8; returns the number of units written, 0 on failure.
size_t WriteEncodedText(FILE* stream, TextEncoding encoding, std::string_view text);

// The same for a text written in many pieces: the character set is looked up once, and the
// buffer the line ends are expanded in is kept from one piece to the next. Well-formed UTF-8
// going out as UTF-8 is not copied at all.
class EncodedTextWriter {
  public:
    EncodedTextWriter(FILE* stream, TextEncoding encoding);
    size_t Write(std::string_view text);

  private:
    FILE* stream_;
    TextEncoding encoding_;
    std::string charset_;
    std::string onDisk_;
};

}  // namespace quillon
