// The preferences dialog without its widgets: what its controls show for the view's values, which
// controls are enabled, the rule of the size field, and what OK writes back.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillon {

// The view's values that the dialog's check boxes and number field edit.
struct PreferenceValues {
    bool fileVersion = false;
    bool displayProductVer = false;
    bool fileTimestamp = true;
    bool detailTimestamp = false;
    bool fileSize = true;
    bool compareTimestamp = false;
    // 0 none, 1 full checksum, 2 simplified; other stored values count as the full one.
    int crc32 = 2;
    bool crc32SkipIfBig = true;
    // The limit in bytes is this times 1,048,576, always formed in 64 bits.
    uint32_t crc32SizeToSkipMBytes = 1;

    bool operator==(const PreferenceValues&) const = default;
};

// The controls of the dialog.
struct PreferencesForm {
    bool showVersion = false;
    bool productVersion = false;
    bool showTimestamp = false;
    bool detailTimestamp = false;
    bool showSize = false;
    bool compareTimestamp = false;
    bool compareChecksum = false;
    bool simplifiedChecksum = false;
    bool skipIfBig = false;
    uint32_t sizeToSkipMBytes = 1;

    bool operator==(const PreferencesForm&) const = default;
};

// What OK changed, for the view to act on.
struct PreferencesOutcome {
    bool comparisonChanged = false;
    bool columnsChanged = false;
    int columnsPerSide = 1;
    int columnCount = 2;
};

// The stored "CRC32SizeToSkipMBytes" is a signed DWORD, so the field accepts up to its largest
// value; the byte limit (at most 2^51) cannot overflow 64 bits.
inline constexpr uint32_t kMaxSizeToSkipMBytes = 0x7FFFFFFF;

PreferencesForm FillPreferencesForm(const PreferenceValues& values);

// The simplified-checksum box, the skip box, the number field and its unit follow the checksum box.
inline bool ChecksumControlsEnabled(const PreferencesForm& form) {
    return form.compareChecksum;
}

// An unsigned decimal number from 1 to kMaxSizeToSkipMBytes, blanks around it allowed; anything
// else is refused and keeps the dialog open.
std::optional<uint32_t> ParseSizeToSkip(std::string_view text);

// Writes the form into `values` and reports what changed. With the checksum off the skip flag and
// the limit keep their previous values.
PreferencesOutcome ApplyPreferencesForm(const PreferencesForm& form, PreferenceValues& values);

}  // namespace quillon
