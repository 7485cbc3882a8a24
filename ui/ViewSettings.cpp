#include "ui/ViewSettings.h"

#include <algorithm>
#include <variant>

#include "core/DiffItem.h"
#include "platform/SettingsStore.h"

namespace quillon {

void ViewSettings::Load(SettingsStore& store) {
    const char* s = kSectionSettings;
    fontSize = store.GetProfileInt(s, "FontSize", -11);
    fontName = store.GetProfileString(s, "FontName", "Tahoma");
    colorSame = static_cast<uint32_t>(store.GetProfileInt(s, "ColorSame", 0));
    colorDiff = static_cast<uint32_t>(store.GetProfileInt(s, "ColorDiff", 255));
    colorLeftOnly = static_cast<uint32_t>(store.GetProfileInt(s, "ColorLeftOnly", 39680));
    colorRightOnly = static_cast<uint32_t>(store.GetProfileInt(s, "ColorRightOnly", 16711680));
    useDilutedColor = store.GetProfileInt(kSectionFilter, "UseDilutedColor", 1) != 0;
    fileVersion = store.GetProfileInt(s, "FileVersion", 0);
    fileTimestamp = store.GetProfileInt(s, "FileTimestamp", 1);
    fileSize = store.GetProfileInt(s, "FileSize", 1);
    detailTimestamp = store.GetProfileInt(s, "DetailTimestamp", 0);
    displayProductVer = store.GetProfileInt(s, "DisplayProductVer", 0);
    compareTimestamp = store.GetProfileInt(s, "CompareTimestamp", 0);
    crc32 = store.GetProfileInt(s, "CRC32", 2);
    crc32SkipIfBig = store.GetProfileInt(s, "CRC32SkipIfBig", 1);
    crc32SizeToSkipMBytes = store.GetProfileInt(s, "CRC32SizeToSkipMBytes", 1);
    logEnabled = store.GetProfileInt(s, "LogEnabled", 0);
    gridlines = store.GetProfileInt(kSectionMisc, "GridlinesEnabled", 1) != 0;
    store.WriteProfileInt(kSectionMisc, "GridlinesEnabled", gridlines ? 1 : 0);
    includeFoldersForDiffs = store.GetProfileInt(s, "IncludeFoldersForDiffs", 1) != 0;
    store.WriteProfileInt(s, "IncludeFoldersForDiffs", includeFoldersForDiffs ? 1 : 0);
}

void ViewSettings::LoadWidths(SettingsStore& store) {
    widthVersion = store.GetProfileInt(kSectionSettings, "WIDTH_VERSION", 90);
    widthTime = store.GetProfileInt(kSectionSettings, "WIDTH_TIME", 75);
    widthSize = store.GetProfileInt(kSectionSettings, "WIDTH_SIZE", 85);
    widthExtraTime = store.GetProfileInt(kSectionSettings, "WIDTH_EXTRATIME", 25);
    SaveWidths(store);
}

void ViewSettings::SaveWidths(SettingsStore& store) const {
    store.WriteProfileInt(kSectionSettings, "WIDTH_VERSION", widthVersion);
    store.WriteProfileInt(kSectionSettings, "WIDTH_TIME", widthTime);
    store.WriteProfileInt(kSectionSettings, "WIDTH_SIZE", widthSize);
    store.WriteProfileInt(kSectionSettings, "WIDTH_EXTRATIME", widthExtraTime);
}

int ViewSettings::FontPixels() const {
    constexpr int kSmallest = 6;
    if (fontSize == 0) {
        return 0;
    }
    const int pixels = fontSize < 0 ? -fontSize : fontSize * 3 / 4;
    return std::max(pixels, kSmallest);
}

ComparisonOptions ViewSettings::ToComparisonOptions() const {
    ComparisonOptions options;
    options.fileSize = fileSize;
    options.compareTimestamp = compareTimestamp;
    options.crc32 = crc32;
    options.crc32SkipIfBig = crc32SkipIfBig;
    options.crc32SizeToSkip =
        ComparisonOptions::SizeLimitFromMBytes(static_cast<uint32_t>(crc32SizeToSkipMBytes));
    options.showVersions = fileVersion;
    options.productVersion = displayProductVer != 0;
    return options;
}

std::vector<ColumnKind> ViewSettings::ColumnsPerSide() const {
    std::vector<ColumnKind> columns{ColumnKind::kName};
    if (fileVersion == 1) {
        columns.push_back(ColumnKind::kVersion);
    }
    if (fileTimestamp == 1) {
        columns.push_back(ColumnKind::kTime);
    }
    if (fileSize == 1) {
        columns.push_back(ColumnKind::kSize);
    }
    return columns;
}

int ViewSettings::OptionalWidth(ColumnKind kind) const {
    switch (kind) {
        case ColumnKind::kVersion:
            return widthVersion;
        case ColumnKind::kTime:
            return widthTime + (detailTimestamp ? widthExtraTime : 0);
        case ColumnKind::kSize:
            return widthSize;
        case ColumnKind::kName:
            break;
    }
    return 0;
}

uint32_t DiluteColor(uint32_t color, uint32_t add) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t sum = ((color >> shift) & 0xFF) + ((add >> shift) & 0xFF);
        result |= (sum > 255 ? 255u : sum) << shift;
    }
    return result;
}

uint32_t RowTextColor(const ViewSettings& settings, const RowColorInput& row) {
    const FileStatus* file = std::get_if<FileStatus>(&row.status);
    const FolderStatus folder = file ? FolderBoth : std::get<FolderStatus>(row.status);
    if (row.selected) {
        if (file && *file == StatusDifferent) {
            return kSelectedDifferent;
        }
        if (file ? *file == StatusLeftOnly : folder == FolderLeftOnly) {
            return kSelectedLeftOnly;
        }
        if (file ? *file == StatusRightOnly : folder == FolderRightOnly) {
            return kSelectedRightOnly;
        }
        return kSelectedOther;
    }
    if (file) {
        switch (*file) {
            case StatusDifferent:
                return settings.colorDiff;
            case StatusLeftOnly:
                return settings.colorLeftOnly;
            case StatusRightOnly:
                return settings.colorRightOnly;
            default:
                return settings.colorSame;
        }
    }
    // Folders fade while the filter narrows the list, so the files that passed stand out.
    bool dilute = row.filterActive && settings.useDilutedColor;
    switch (folder) {
        case FolderLeftOnly:
            return dilute ? DiluteColor(settings.colorLeftOnly, kDiluteLeftOnly)
                          : settings.colorLeftOnly;
        case FolderRightOnly:
            return dilute ? DiluteColor(settings.colorRightOnly, kDiluteRightOnly)
                          : settings.colorRightOnly;
        default:
            return dilute ? DiluteColor(settings.colorSame, kDiluteSame) : settings.colorSame;
    }
}

}  // namespace quillon
