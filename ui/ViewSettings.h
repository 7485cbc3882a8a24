// The display values of the main view as read from the settings store when the view is created,
// and the pure rules derived from them (colours, columns).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ComparisonOptions.h"
#include "core/DiffItem.h"

namespace quillon {

class SettingsStore;

inline constexpr const char* kSectionSettings = "Settings";
inline constexpr const char* kSectionMisc = "Misc.";
inline constexpr const char* kSectionFilter = "Filter";

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
    int fontSize = -11;
    std::string fontName = "Tahoma";
    uint32_t colorSame = 0;
    uint32_t colorDiff = 255;
    uint32_t colorLeftOnly = 39680;
    uint32_t colorRightOnly = 16711680;
    bool useDilutedColor = true;
    int fileVersion = 0;
    int fileTimestamp = 1;
    int fileSize = 1;
    int detailTimestamp = 0;
    int displayProductVer = 0;
    int compareTimestamp = 0;
    int crc32 = 2;
    int crc32SkipIfBig = 1;
    int crc32SizeToSkipMBytes = 1;
    int logEnabled = 0;
    bool gridlines = true;
    bool includeFoldersForDiffs = true;
    int widthVersion = 90;
    int widthTime = 75;
    int widthSize = 85;
    int widthExtraTime = 25;

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
