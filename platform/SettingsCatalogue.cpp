#include "platform/SettingsCatalogue.h"

#include "platform/SettingsStore.h"

namespace quillon {
namespace settings {
namespace {

constexpr IntSetting kAllInts[] = {
    kFontSize,
    kColorSame,
    kColorDiff,
    kColorLeftOnly,
    kColorRightOnly,
    kFileVersion,
    kFileTimestamp,
    kFileSize,
    kDetailTimestamp,
    kDisplayProductVer,
    kCompareTimestamp,
    kCrc32,
    kCrc32SkipIfBig,
    kCrc32SizeToSkipMBytes,
    kIncludeFoldersForDiffs,
    kOutputDiffOptionSettings,
    kLogEnabled,
    kWidthVersion,
    kWidthTime,
    kWidthSize,
    kWidthExtraTime,
    kXProgress,
    kYProgress,
    kGridlinesEnabled,
    kEnableUndo,
    kViewNonTextWith,
    kAutoRefreshDisabled,
    kTimerIntervalInSecond,
    kLogRefresh,
    kFilterFlags,
    kFilterExpandAll,
    kFilterUseDilutedColor,
    kFilterDialogFlags,
    kFilterDialogExpandAll,
    kOutputDiffOption,
    kOutputEncoding,
    kFilenameOption,
    kVersionColumn,
    kVersionLabel,
    kTimeColumn,
    kTimeLabel,
    kHhmmss,
    kSizeColumn,
    kSizeLabel,
    kBytesLabel,
    kDiffStatLabel,
    kUsePrevOutputPath,
    kBindingChoice,
    kIncludeParentAsTopLevel,
    kIncludeFileExtension,
    kKeepPS,
    kLastPP,
    kPP1MultiRenameOptions,
    kPP2MultiRenameOptions,
    kPP3MultiRenameOptions,
    kPP4MultiRenameOptions,
    kPP5MultiRenameOptions,
    kPP6MultiRenameOptions,
    kPP1LastOpt1DigitsIndex,
    kPP1LastOpt1RemoveIndex,
    kPP3LastOpt3LastDelim,
    kPP3LastOpt5FirstDelim,
    kQuillonOnDir,
    kSearchOnDir,
    kScrivletSendTo,
    kPanorelSendTo,
    kSeekwellSendTo,
    kNybbletSendTo,
    kMultRenameSendTo,
};

constexpr StringSetting kAllStrings[] = {
    kFontName,
    kWindowPos,
    kOutputFormatPath,
    kOutputFormatFile,
    kPdfOutputPath,
    kInputTextFile,
    kPP1LastOpt1Prefix,
    kPP1LastOpt2Suffix,
    kPP2LastNumericSuffix,
    kPP2LastOpt0Prefix,
    kPP2LastOpt7NewExt,
    kPP3LastLastWordDelim,
    kPP3LastFirstWordDelim,
    kPP3LastOpt3Prefix,
    kPP3LastOpt5Suffix,
    kPP4LastOpt4NewRoot,
    kPP4FirstOldRoot,
    kPP4LastOpt6NewRoot,
    kPP4LastOldRoot,
    kPP4LastOpt8Old,
    kPP4LastOpt8New,
    kPP5LastOpt1NewPattern,
    kPP5LastOpt2NewPattern,
    kPP5LastOpt3NewPattern,
    kPP5Pattern,
    kShellGeneratedFolders,
};

}  // namespace

std::string FavoriteAppEntry(int index) {
    return "App" + std::to_string(index);
}

std::span<const IntSetting> AllIntSettings() {
    return kAllInts;
}
std::span<const StringSetting> AllStringSettings() {
    return kAllStrings;
}

}  // namespace settings

int ReadSetting(SettingsStore& store, const IntSetting& setting) {
    int value = store.GetProfileInt(setting.section, setting.entry, setting.defaultValue);
    if (setting.writeBackOnRead) {
        store.WriteProfileInt(setting.section, setting.entry, value);
    }
    return value;
}

std::string ReadSetting(const SettingsStore& store, const StringSetting& setting) {
    return store.GetProfileString(setting.section, setting.entry, setting.defaultValue);
}

bool WriteSetting(SettingsStore& store, const IntSetting& setting, int value) {
    return store.WriteProfileInt(setting.section, setting.entry, value);
}

bool WriteSetting(SettingsStore& store, const StringSetting& setting, std::string_view value) {
    return store.WriteProfileString(setting.section, setting.entry, value);
}

bool ReadSetting(const SettingsStore& store, const DirectFlag& flag) {
    return store.ReadDirectFlag(flag.keyPath, flag.valueName);
}

}  // namespace quillon
