#include "ui/ViewSettings.h"

#include <algorithm>
#include <variant>

#include "core/DiffItem.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"

namespace quillon {

void ViewSettings::Load(SettingsStore& store) {
    using namespace settings;
    // The two flags are stored back as 0 or 1 below, so their catalogue write-back is not used.
    auto get = [&store](const IntSetting& setting) {
        return store.GetProfileInt(setting.section, setting.entry, setting.defaultValue);
    };
    auto color = [&get](const IntSetting& setting) { return static_cast<uint32_t>(get(setting)); };
    fontSize = get(kFontSize);
    fontName = ReadSetting(store, kFontName);
    colorSame = color(kColorSame);
    colorDiff = color(kColorDiff);
    colorLeftOnly = color(kColorLeftOnly);
    colorRightOnly = color(kColorRightOnly);
    useDilutedColor = get(kFilterUseDilutedColor) != 0;
    fileVersion = get(kFileVersion);
    fileTimestamp = get(kFileTimestamp);
    fileSize = get(kFileSize);
    detailTimestamp = get(kDetailTimestamp);
    displayProductVer = get(kDisplayProductVer);
    compareTimestamp = get(kCompareTimestamp);
    crc32 = get(kCrc32);
    crc32SkipIfBig = get(kCrc32SkipIfBig);
    crc32SizeToSkipMBytes = get(kCrc32SizeToSkipMBytes);
    logEnabled = get(kLogEnabled);
    gridlines = get(kGridlinesEnabled) != 0;
    WriteSetting(store, kGridlinesEnabled, gridlines ? 1 : 0);
    includeFoldersForDiffs = get(kIncludeFoldersForDiffs) != 0;
    WriteSetting(store, kIncludeFoldersForDiffs, includeFoldersForDiffs ? 1 : 0);
}

void ViewSettings::LoadWidths(SettingsStore& store) {
    auto get = [&store](const IntSetting& setting) {
        return store.GetProfileInt(setting.section, setting.entry, setting.defaultValue);
    };
    widthVersion = get(settings::kWidthVersion);
    widthTime = get(settings::kWidthTime);
    widthSize = get(settings::kWidthSize);
    widthExtraTime = get(settings::kWidthExtraTime);
    SaveWidths(store);
}

void ViewSettings::SaveWidths(SettingsStore& store) const {
    WriteSetting(store, settings::kWidthVersion, widthVersion);
    WriteSetting(store, settings::kWidthTime, widthTime);
    WriteSetting(store, settings::kWidthSize, widthSize);
    WriteSetting(store, settings::kWidthExtraTime, widthExtraTime);
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
