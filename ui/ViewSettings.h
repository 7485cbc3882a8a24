// The display values of the main view as read from the settings store when the view is created,
// and the pure rules derived from them (colours, columns).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ComparisonOptions.h"
#include "core/DiffItem.h"
#include "platform/SettingsCatalogue.h"

namespace quillon {

class SettingsStore;

// Colours are stored as 0x00BBGGRR.
inline constexpr uint32_t kDiluteSame = 0x707070;
inline constexpr uint32_t kDiluteLeftOnly = 0x404040;
inline constexpr uint32_t kDiluteRightOnly = 0x666666;
inline constexpr uint32_t kSelectedDifferent = 0xFF96FF;
inline constexpr uint32_t kSelectedLeftOnly = 0x96FFFF;
inline constexpr uint32_t kSelectedRightOnly = 0xFFFF96;
inline constexpr uint32_t kSelectedOther = 0xEEEEEE;
inline constexpr uint32_t kEvenRowBackground = 0xF0F0F0;

enum class ColumnKind { kName, kVersion, kTime, kSize };

struct ViewSettings {
    int fontSize = settings::kFontSize.defaultValue;
    std::string fontName{settings::kFontName.defaultValue};
    uint32_t colorSame = static_cast<uint32_t>(settings::kColorSame.defaultValue);
    uint32_t colorDiff = static_cast<uint32_t>(settings::kColorDiff.defaultValue);
    uint32_t colorLeftOnly = static_cast<uint32_t>(settings::kColorLeftOnly.defaultValue);
    uint32_t colorRightOnly = static_cast<uint32_t>(settings::kColorRightOnly.defaultValue);
    bool useDilutedColor = settings::kFilterUseDilutedColor.defaultValue != 0;
    int fileVersion = settings::kFileVersion.defaultValue;
    int fileTimestamp = settings::kFileTimestamp.defaultValue;
    int fileSize = settings::kFileSize.defaultValue;
    int detailTimestamp = settings::kDetailTimestamp.defaultValue;
    int displayProductVer = settings::kDisplayProductVer.defaultValue;
    int compareTimestamp = settings::kCompareTimestamp.defaultValue;
    int crc32 = settings::kCrc32.defaultValue;
    int crc32SkipIfBig = settings::kCrc32SkipIfBig.defaultValue;
    int crc32SizeToSkipMBytes = settings::kCrc32SizeToSkipMBytes.defaultValue;
    int logEnabled = settings::kLogEnabled.defaultValue;
    bool gridlines = settings::kGridlinesEnabled.defaultValue != 0;
    bool includeFoldersForDiffs = settings::kIncludeFoldersForDiffs.defaultValue != 0;
    int widthVersion = settings::kWidthVersion.defaultValue;
    int widthTime = settings::kWidthTime.defaultValue;
    int widthSize = settings::kWidthSize.defaultValue;
    int widthExtraTime = settings::kWidthExtraTime.defaultValue;

    // Reads every value with its default; GridlinesEnabled and IncludeFoldersForDiffs are
    // written back at once so that they exist after the first run.
    void Load(SettingsStore& store);
    // The column widths are read and written back when the frame is created and on close.
    void LoadWidths(SettingsStore& store);
    void SaveWidths(SettingsStore& store) const;

    ComparisonOptions ToComparisonOptions() const;
    // Character height of the list font in pixels, 0 for the system's size. A negative "FontSize"
    // is that height; a positive one is the height of the whole character cell.
    int FontPixels() const;
    // Name, then version, timestamp and size when enabled: the columns of one half.
    std::vector<ColumnKind> ColumnsPerSide() const;
    // Pixel width of an optional column; the name column takes what is left of the half.
    int OptionalWidth(ColumnKind kind) const;
};

// Adds `add` to each 8-bit channel of `color`; a channel sum above 255 stays 255.
uint32_t DiluteColor(uint32_t color, uint32_t add);

struct RowColorInput {
    ItemStatus status;
    bool selected = false;
    bool filterActive = false;
};
// Text colour (0x00BBGGRR) of a row.
uint32_t RowTextColor(const ViewSettings& settings, const RowColorInput& row);

}  // namespace quillon
