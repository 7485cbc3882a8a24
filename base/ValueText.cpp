#include "base/ValueText.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace quillon {

TextEncoding ToTextEncoding(int value) {
    switch (value) {
        case kEncUtf16Le:
            return kEncUtf16Le;
        case kEncUtf16Be:
            return kEncUtf16Be;
        case kEncUtf8:
            return kEncUtf8;
        default:
            return kEncAnsi;
    }
}

std::string FormatSizeTextFromBytes(int64_t size) {
    char buffer[64];
    if (size < 1024) {
        std::snprintf(buffer, sizeof buffer, "%lld bytes", static_cast<long long>(size));
        return buffer;
    }
    int64_t quotient = size / 1024;
    int divisions = 1;
    double scaled = static_cast<double>(size) * (1.0 / 1024.0);
    while (quotient >= 1024) {
        quotient /= 1024;
        ++divisions;
        // The terabyte figure stops scaling: 1024 TB and more are still shown in TB.
        if (divisions <= 4) {
            scaled *= 1.0 / 1024.0;
        }
    }
    switch (divisions) {
        case 1:
            std::snprintf(buffer, sizeof buffer, "%lld KB", static_cast<long long>(quotient));
            break;
        case 2:
            std::snprintf(buffer, sizeof buffer, "%.2f MB", scaled);
            break;
        case 3:
            std::snprintf(buffer, sizeof buffer, "%.2f GB", scaled);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "%.2f TB", scaled);
            break;
    }
    return buffer;
}

std::string InsertThousandsSeparators(std::string_view digits) {
    std::string out;
    if (digits.empty()) {
        return out;
    }
    const size_t length = digits.size();
    out.reserve(length + length / 3);
    for (size_t i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0) {
            out.push_back(',');
        }
        out.push_back(digits[i]);
    }
    return out;
}

namespace {

// Local time of a whole UTC day is the UTC time shifted by one offset, unless a zone transition
// or a leap second falls inside it. Offsets that agree at both ends of a day hold all through
// it: no zone changes its offset twice within a day (the closest changes in the time-zone
// database are four days apart). The scan and the reports format a timestamp for every file, so
// the offset of each day is asked of the time-zone rules once and reused.
struct DayOffset {
    int64_t day = INT64_MIN;
    // UTC offsets are within a day, in seconds; narrow, so that the cache stays small.
    int32_t offset = 0;
    bool uniform = false;
};

// What a change of zone followed by tzset() changes. Not the zone names: the C library rewrites
// them on every conversion, to the names in force at the time converted, and another thread's
// conversion would then look like a change of zone. The library keeps every TZ value it was
// given, so a different value has a different address.
struct ZoneFingerprint {
    const char* tzVariable = nullptr;
    long zoneOffset = 0;
    int daylightRule = 0;
    bool operator==(const ZoneFingerprint&) const = default;
};

// About eleven years of days in 64 KiB, made on a thread's first timestamp: a report of a large
// tree asks the rules about each day once rather than once per file.
constexpr size_t kDayCacheSize = size_t{1} << 12;

struct DayCache {
    ZoneFingerprint zone;
    std::vector<DayOffset> slots = std::vector<DayOffset>(kDayCacheSize);
};

ZoneFingerprint CurrentZone() {
    return ZoneFingerprint{std::getenv("TZ"), timezone, daylight};
}

int64_t FloorDiv(int64_t value, int64_t divisor) {
    int64_t q = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
        --q;
    }
    return q;
}

struct CivilTime {
    int64_t year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// Days since 1970-01-01 to a proleptic Gregorian date.
CivilTime CivilFromSeconds(int64_t seconds) {
    int64_t days = FloorDiv(seconds, 86400);
    int64_t secOfDay = seconds - days * 86400;
    days += 719468;
    const int64_t era = FloorDiv(days, 146097);
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    CivilTime c{};
    c.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = yearOfEra + era * 400 + (c.month <= 2 ? 1 : 0);
    c.hour = static_cast<int>(secOfDay / 3600);
    c.minute = static_cast<int>(secOfDay % 3600 / 60);
    c.second = static_cast<int>(secOfDay % 60);
    return c;
}

bool MatchesTm(const CivilTime& c, const struct tm& t) {
    return c.year == static_cast<int64_t>(t.tm_year) + 1900 && c.month == t.tm_mon + 1 &&
           c.day == t.tm_mday && c.hour == t.tm_hour && c.minute == t.tm_min &&
           c.second == t.tm_sec;
}

DayOffset ProbeDay(int64_t day) {
    DayOffset probe;
    probe.day = day;
    const time_t first = static_cast<time_t>(day * 86400);
    const time_t last = first + 86399;
    struct tm a {};
    struct tm b {};
    if (localtime_r(&first, &a) == nullptr || localtime_r(&last, &b) == nullptr) {
        return probe;
    }
    probe.offset = static_cast<int32_t>(a.tm_gmtoff);
    probe.uniform = a.tm_gmtoff == b.tm_gmtoff && probe.offset == a.tm_gmtoff &&
                    MatchesTm(CivilFromSeconds(static_cast<int64_t>(first) + a.tm_gmtoff), a) &&
                    MatchesTm(CivilFromSeconds(static_cast<int64_t>(last) + b.tm_gmtoff), b);
    return probe;
}

void PutTwo(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

void FormatCivil(int64_t year, int month, int day, int hour, int minute, std::string& out) {
    if (year < 0 || year > 9999) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04lld %02d:%02d", month, day,
                      static_cast<long long>(year), hour, minute);
        out = buffer;
        return;
    }
    char text[16];
    PutTwo(text, month);
    text[2] = '/';
    PutTwo(text + 3, day);
    text[5] = '/';
    PutTwo(text + 6, static_cast<int>(year / 100));
    PutTwo(text + 8, static_cast<int>(year % 100));
    text[10] = ' ';
    PutTwo(text + 11, hour);
    text[13] = ':';
    PutTwo(text + 14, minute);
    out.assign(text, 16);
}

void FormatWithLocaltime(time_t mtime, std::string& out) {
    struct tm t {};
    if (localtime_r(&mtime, &t) == nullptr) {
        out.clear();
        return;
    }
    FormatCivil(static_cast<int64_t>(t.tm_year) + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min, out);
}

}  // namespace

namespace {

// The UTC offset of `t`, when one holds all through its day.
bool UniformOffset(time_t t, int32_t& offset) {
    thread_local DayCache cache;
    // A change of TZ followed by tzset() changes these globals, so stale offsets are dropped.
    const ZoneFingerprint zone = CurrentZone();
    if (!(zone == cache.zone)) {
        cache = DayCache{};
        cache.zone = zone;
    }
    const int64_t day = FloorDiv(static_cast<int64_t>(t), 86400);
    DayOffset& slot = cache.slots[static_cast<uint64_t>(day) % kDayCacheSize];
    if (slot.day != day) {
        if (day > INT64_MAX / 86400 - 1 || day < INT64_MIN / 86400 + 1) {
            return false;
        }
        slot = ProbeDay(day);
        // The first conversion of the process loads the zone rules, which sets the globals.
        cache.zone = CurrentZone();
    }
    offset = slot.offset;
    return slot.uniform;
}

}  // namespace

void FormatTimestampInto(time_t mtime, std::string& out) {
    int32_t offset = 0;
    if (!UniformOffset(mtime, offset)) {
        FormatWithLocaltime(mtime, out);
        return;
    }
    const CivilTime c = CivilFromSeconds(static_cast<int64_t>(mtime) + offset);
    FormatCivil(c.year, c.month, c.day, c.hour, c.minute, out);
}

bool SameLocalMinute(time_t a, time_t b) {
    int32_t offsetA = 0;
    int32_t offsetB = 0;
    if (UniformOffset(a, offsetA) && UniformOffset(b, offsetB)) {
        return FloorDiv(static_cast<int64_t>(a) + offsetA, 60) ==
               FloorDiv(static_cast<int64_t>(b) + offsetB, 60);
    }
    struct tm ta {};
    struct tm tb {};
    const bool okA = localtime_r(&a, &ta) != nullptr;
    const bool okB = localtime_r(&b, &tb) != nullptr;
    if (!okA || !okB) {
        return okA == okB;
    }
    return ta.tm_year == tb.tm_year && ta.tm_mon == tb.tm_mon && ta.tm_mday == tb.tm_mday &&
           ta.tm_hour == tb.tm_hour && ta.tm_min == tb.tm_min;
}

std::string FormatTimestampFromTime(time_t mtime) {
    std::string text;
    FormatTimestampInto(mtime, text);
    return text;
}

namespace {

bool WriteAll(FILE* stream, const void* data, size_t size) {
    return std::fwrite(data, 1, size, stream) == size;
}

}  // namespace

bool WriteTextMark(FILE* stream, TextEncoding encoding) {
    static constexpr uint8_t kLe[] = {0xFF, 0xFE};
    static constexpr uint8_t kBe[] = {0xFE, 0xFF};
    static constexpr uint8_t kUtf8[] = {0xEF, 0xBB, 0xBF};
    switch (ToTextEncoding(encoding)) {
        case kEncUtf16Le:
            return WriteAll(stream, kLe, sizeof kLe);
        case kEncUtf16Be:
            return WriteAll(stream, kBe, sizeof kBe);
        case kEncUtf8:
            return WriteAll(stream, kUtf8, sizeof kUtf8);
        case kEncAnsi:
            break;
    }
    return true;
}

size_t WriteEncodedText(FILE* stream, TextEncoding encoding, std::string_view text) {
    return EncodedTextWriter(stream, encoding).Write(text);
}

EncodedTextWriter::EncodedTextWriter(FILE* stream, TextEncoding encoding)
    : stream_(stream), encoding_(ToTextEncoding(encoding)) {
    if (encoding_ == kEncAnsi) {
        charset_ = LocaleCharset();
    }
}

size_t EncodedTextWriter::Write(std::string_view text) {
    if (stream_ == nullptr) {
        return 0;
    }
    switch (encoding_) {
        case kEncAnsi: {
            std::string converted;
            std::string_view bytes = text;
            if (charset_ != "UTF-8" || FirstInvalidUtf8(text) != std::string_view::npos) {
                converted = ConvertUtf8ToCharset(text, charset_.c_str());
                bytes = converted;
            }
            if (bytes.empty()) {
                return 0;
            }
            // ANSI files are text files: every line feed is stored as CR LF, as a text-mode
            // stream would. The count is that of the converted bytes, before the expansion.
            onDisk_.clear();
            onDisk_.reserve(bytes.size() + bytes.size() / 16);
            for (size_t from = 0; from < bytes.size();) {
                const size_t lf = bytes.find('\n', from);
                if (lf == std::string_view::npos) {
                    onDisk_.append(bytes, from);
                    break;
                }
                onDisk_.append(bytes, from, lf - from);
                onDisk_ += "\r\n";
                from = lf + 1;
            }
            return WriteAll(stream_, onDisk_.data(), onDisk_.size()) ? bytes.size() : 0;
        }
        case kEncUtf16Le:
        case kEncUtf16Be: {
            const std::u16string units = Utf8ToUtf16(text);
            if (units.empty()) {
                return 0;
            }
            const bool bigEndian = encoding_ == kEncUtf16Be;
            std::vector<uint8_t> bytes(units.size() * 2);
            for (size_t i = 0; i < units.size(); ++i) {
                const uint8_t low = static_cast<uint8_t>(units[i] & 0xFF);
                const uint8_t high = static_cast<uint8_t>(units[i] >> 8);
                bytes[2 * i] = bigEndian ? high : low;
                bytes[2 * i + 1] = bigEndian ? low : high;
            }
            return WriteAll(stream_, bytes.data(), bytes.size()) ? units.size() : 0;
        }
        case kEncUtf8: {
            if (text.empty()) {
                return 0;
            }
            if (FirstInvalidUtf8(text) == std::string_view::npos) {
                return WriteAll(stream_, text.data(), text.size()) ? text.size() : 0;
            }
            // A name that is not UTF-8 is shown as the UTF-16 encodings show it, keeping the
            // file valid UTF-8.
            const std::string bytes = ReplaceInvalidUtf8(text, kUtf8ReplacementChar);
            return WriteAll(stream_, bytes.data(), bytes.size()) ? bytes.size() : 0;
        }
    }
    return 0;
}

}  // namespace quillon
