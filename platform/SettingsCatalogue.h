// Every profile value of the program with its default, in one place. Features read and write
// their values through these constants so that a name or a default is never typed twice.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillon {

class SettingsStore;

struct IntSetting {
    std::string_view section;
    std::string_view entry;
    int defaultValue;
    // Written back right after every read, so the value exists after the first run.
    bool writeBackOnRead = false;
};

struct StringSetting {
    std::string_view section;
    std::string_view entry;
    std::string_view defaultValue;
};

// A DWORD read directly (not through the profile): on only when it exists and is exactly 1.
struct DirectFlag {
    std::string_view keyPath;
    std::string_view valueName;
};

namespace settings {

inline constexpr std::string_view kSettings = "Settings";
inline constexpr std::string_view kMisc = "Misc.";
inline constexpr std::string_view kFilter = "Filter";
inline constexpr std::string_view kFilterDialog = "FilterDialog";
inline constexpr std::string_view kOutputFormat = "OutputFormat";
inline constexpr std::string_view kPdfRendition = "PDFRendition";
inline constexpr std::string_view kMultiRenamePP = "MultiRenamePP";
inline constexpr std::string_view kShellMenu = "ShellMenu";
inline constexpr std::string_view kFavoriteApps = "FavoriteApps";
inline constexpr std::string_view kMessageBoxes = "MessageBoxes";

// Full key paths under HKEY_CURRENT_USER.
inline constexpr std::string_view kMruDir2Open = "Software\\Marrowby\\Quillon\\MRU\\Dir2Open";
inline constexpr std::string_view kMruFilterDialogInclusion =
    "Software\\Marrowby\\Quillon\\FilterDialog\\MRU_ext_inclusion";
inline constexpr std::string_view kMruFilterDialogExclusion =
    "Software\\Marrowby\\Quillon\\FilterDialog\\MRU_ext_exclusion";
inline constexpr std::string_view kMruFilterInclusion =
    "Software\\Marrowby\\Quillon\\Filter\\MRU_ext_inclusion";
inline constexpr std::string_view kMruFilterExclusion =
    "Software\\Marrowby\\Quillon\\Filter\\MRU_ext_exclusion";
inline constexpr std::string_view kScrivletSettings = "Software\\Marrowby\\Scrivlet\\Settings";

inline constexpr DirectFlag kLogTimestamp{"Software\\Marrowby\\Quillon\\Settings", "LogTimestamp"};
inline constexpr DirectFlag kGenerateTOC{"Software\\Marrowby\\Quillon\\PDFRendition",
                                         "GenerateTOC"};

// Settings
inline constexpr IntSetting kFontSize{kSettings, "FontSize", -11};
inline constexpr StringSetting kFontName{kSettings, "FontName", "Tahoma"};
inline constexpr IntSetting kColorSame{kSettings, "ColorSame", 0};
inline constexpr IntSetting kColorDiff{kSettings, "ColorDiff", 255};
inline constexpr IntSetting kColorLeftOnly{kSettings, "ColorLeftOnly", 39680};
inline constexpr IntSetting kColorRightOnly{kSettings, "ColorRightOnly", 16711680};
inline constexpr IntSetting kFileVersion{kSettings, "FileVersion", 0};
inline constexpr IntSetting kFileTimestamp{kSettings, "FileTimestamp", 1};
inline constexpr IntSetting kFileSize{kSettings, "FileSize", 1};
inline constexpr IntSetting kDetailTimestamp{kSettings, "DetailTimestamp", 0};
inline constexpr IntSetting kDisplayProductVer{kSettings, "DisplayProductVer", 0};
inline constexpr IntSetting kCompareTimestamp{kSettings, "CompareTimestamp", 0};
inline constexpr IntSetting kCrc32{kSettings, "CRC32", 2};
inline constexpr IntSetting kCrc32SkipIfBig{kSettings, "CRC32SkipIfBig", 1};
inline constexpr IntSetting kCrc32SizeToSkipMBytes{kSettings, "CRC32SizeToSkipMBytes", 1};
inline constexpr IntSetting kIncludeFoldersForDiffs{kSettings, "IncludeFoldersForDiffs", 1, true};
inline constexpr IntSetting kOutputDiffOptionSettings{kSettings, "OutputDiffOption", 0};
inline constexpr IntSetting kLogEnabled{kSettings, "LogEnabled", 0};
inline constexpr IntSetting kWidthVersion{kSettings, "WIDTH_VERSION", 90};
inline constexpr IntSetting kWidthTime{kSettings, "WIDTH_TIME", 75};
inline constexpr IntSetting kWidthSize{kSettings, "WIDTH_SIZE", 85};
inline constexpr IntSetting kWidthExtraTime{kSettings, "WIDTH_EXTRATIME", 25};
inline constexpr StringSetting kWindowPos{kSettings, "WindowPos", ""};
inline constexpr IntSetting kXProgress{kSettings, "X_Progress", -1};
inline constexpr IntSetting kYProgress{kSettings, "Y_Progress", -1};

// Misc.
inline constexpr IntSetting kGridlinesEnabled{kMisc, "GridlinesEnabled", 1, true};
inline constexpr IntSetting kEnableUndo{kMisc, "EnableUndo", 1};
inline constexpr IntSetting kViewNonTextWith{kMisc, "ViewNonTextWith", 0};
inline constexpr IntSetting kAutoRefreshDisabled{kMisc, "AutoRefreshDisabled", 1};
inline constexpr IntSetting kTimerIntervalInSecond{kMisc, "TimerIntervalInSecond", 0};
inline constexpr IntSetting kLogRefresh{kMisc, "LogRefresh", 0};

// Filter and FilterDialog
inline constexpr IntSetting kFilterFlags{kFilter, "Flags", 0};
inline constexpr IntSetting kFilterExpandAll{kFilter, "ExpandAll", 0};
inline constexpr IntSetting kFilterUseDilutedColor{kFilter, "UseDilutedColor", 1};
inline constexpr IntSetting kFilterDialogFlags{kFilterDialog, "Flags", 0};
inline constexpr IntSetting kFilterDialogExpandAll{kFilterDialog, "ExpandAll", 0};

// OutputFormat
inline constexpr IntSetting kOutputDiffOption{kOutputFormat, "OutputDiffOption", 0};
inline constexpr IntSetting kOutputEncoding{kOutputFormat, "OutputEncoding", 0};
inline constexpr IntSetting kFilenameOption{kOutputFormat, "FilenameOption", 0};
inline constexpr IntSetting kVersionColumn{kOutputFormat, "VersionColumn", 1};
inline constexpr IntSetting kVersionLabel{kOutputFormat, "VersionLabel", 1};
inline constexpr IntSetting kTimeColumn{kOutputFormat, "TimeColumn", 1};
inline constexpr IntSetting kTimeLabel{kOutputFormat, "TimeLabel", 1};
inline constexpr IntSetting kHhmmss{kOutputFormat, "hhmmss", 1};
inline constexpr IntSetting kSizeColumn{kOutputFormat, "SizeColumn", 1};
inline constexpr IntSetting kSizeLabel{kOutputFormat, "SizeLabel", 1};
inline constexpr IntSetting kBytesLabel{kOutputFormat, "bBytesLabel", 1};
inline constexpr IntSetting kDiffStatLabel{kOutputFormat, "bDiffStatLabel", 1};
inline constexpr StringSetting kOutputFormatPath{kOutputFormat, "OutputPath", ""};
inline constexpr StringSetting kOutputFormatFile{kOutputFormat, "OutputFile", ""};

// PDFRendition
inline constexpr IntSetting kUsePrevOutputPath{kPdfRendition, "UsePrevOutputPath", 1};
inline constexpr StringSetting kPdfOutputPath{kPdfRendition, "OutputPath", ""};
inline constexpr IntSetting kBindingChoice{kPdfRendition, "Binding Choice", 0};
inline constexpr IntSetting kIncludeParentAsTopLevel{kPdfRendition, "Include Parent as TopLevel",
                                                     0};
inline constexpr IntSetting kIncludeFileExtension{kPdfRendition, "Include File Extension", 1};
inline constexpr StringSetting kInputTextFile{kPdfRendition, "Input TextFile", ""};
inline constexpr IntSetting kKeepPS{kPdfRendition, "KeepPS", 0};

// MultiRenamePP
inline constexpr IntSetting kLastPP{kMultiRenamePP, "LastPP", 0};
inline constexpr IntSetting kPP1MultiRenameOptions{kMultiRenamePP, "PP1MultiRenameOptions", 0};
inline constexpr IntSetting kPP2MultiRenameOptions{kMultiRenamePP, "PP2MultiRenameOptions", 0};
inline constexpr IntSetting kPP3MultiRenameOptions{kMultiRenamePP, "PP3MultiRenameOptions", 0};
inline constexpr IntSetting kPP4MultiRenameOptions{kMultiRenamePP, "PP4MultiRenameOptions", 0};
inline constexpr IntSetting kPP5MultiRenameOptions{kMultiRenamePP, "PP5MultiRenameOptions", 0};
inline constexpr IntSetting kPP6MultiRenameOptions{kMultiRenamePP, "PP6MultiRenameOptions", 0};
inline constexpr StringSetting kPP1LastOpt1Prefix{kMultiRenamePP, "PP1LastOpt1Prefix", ""};
inline constexpr StringSetting kPP1LastOpt2Suffix{kMultiRenamePP, "PP1LastOpt2Suffix", ""};
inline constexpr IntSetting kPP1LastOpt1DigitsIndex{kMultiRenamePP, "PP1LastOpt1DigitsIndex", 0};
inline constexpr IntSetting kPP1LastOpt1RemoveIndex{kMultiRenamePP, "PP1LastOpt1RemoveIndex", 0};
inline constexpr StringSetting kPP2LastNumericSuffix{kMultiRenamePP, "PP2LastNumericSuffix", "001"};
inline constexpr StringSetting kPP2LastOpt0Prefix{kMultiRenamePP, "PP2LastOpt0Prefix", ""};
inline constexpr StringSetting kPP2LastOpt7NewExt{kMultiRenamePP, "PP2LastOpt7NewExt", ""};
inline constexpr StringSetting kPP3LastLastWordDelim{kMultiRenamePP, "PP3LastLastWordDelim", "_"};
inline constexpr StringSetting kPP3LastFirstWordDelim{kMultiRenamePP, "PP3LastFirstWordDelim", "_"};
inline constexpr StringSetting kPP3LastOpt3Prefix{kMultiRenamePP, "PP3LastOpt3Prefix", ""};
inline constexpr IntSetting kPP3LastOpt3LastDelim{kMultiRenamePP, "PP3LastOpt3LastDelim", 1};
inline constexpr StringSetting kPP3LastOpt5Suffix{kMultiRenamePP, "PP3LastOpt5Suffix", ""};
inline constexpr IntSetting kPP3LastOpt5FirstDelim{kMultiRenamePP, "PP3LastOpt5FirstDelim", 1};
inline constexpr StringSetting kPP4LastOpt4NewRoot{kMultiRenamePP, "PP4LastOpt4NewRoot", ""};
inline constexpr StringSetting kPP4FirstOldRoot{kMultiRenamePP, "PP4FirstOldRoot", ""};
inline constexpr StringSetting kPP4LastOpt6NewRoot{kMultiRenamePP, "PP4LastOpt6NewRoot", ""};
inline constexpr StringSetting kPP4LastOldRoot{kMultiRenamePP, "PP4LastOldRoot", ""};
inline constexpr StringSetting kPP4LastOpt8Old{kMultiRenamePP, "PP4LastOpt8Old", ""};
inline constexpr StringSetting kPP4LastOpt8New{kMultiRenamePP, "PP4LastOpt8New", ""};
inline constexpr StringSetting kPP5LastOpt1NewPattern{kMultiRenamePP, "PP5LastOpt1NewPattern", ""};
inline constexpr StringSetting kPP5LastOpt2NewPattern{kMultiRenamePP, "PP5LastOpt2NewPattern", ""};
inline constexpr StringSetting kPP5LastOpt3NewPattern{kMultiRenamePP, "PP5LastOpt3NewPattern", ""};
inline constexpr StringSetting kPP5Pattern{kMultiRenamePP, "PP5Pattern", ""};

// ShellMenu: the values the dialog starts from when nothing is stored. The registration run
// ("/Reg") uses its own defaults, 1 for every choice but MultRenameSendTo.
inline constexpr IntSetting kQuillonOnDir{kShellMenu, "QuillonOnDir", 1};
inline constexpr IntSetting kSearchOnDir{kShellMenu, "SearchOnDir", 1};
inline constexpr IntSetting kScrivletSendTo{kShellMenu, "ScrivletSendTo", 0};
inline constexpr IntSetting kPanorelSendTo{kShellMenu, "PanorelSendTo", 0};
inline constexpr IntSetting kSeekwellSendTo{kShellMenu, "SeekwellSendTo", 0};
inline constexpr IntSetting kNybbletSendTo{kShellMenu, "NybbletSendTo", 0};
inline constexpr IntSetting kMultRenameSendTo{kShellMenu, "MultRenameSendTo", 0};
// The folders below the data home that the shell integration made: removing it takes those away
// once they are empty, and no other.
inline constexpr StringSetting kShellGeneratedFolders{kShellMenu, "GeneratedFolders", ""};

// FavoriteApps holds App0 ... App9; MessageBoxes one integer per remembered box.
inline constexpr int kFavoriteAppCount = 10;
std::string FavoriteAppEntry(int index);

std::span<const IntSetting> AllIntSettings();
std::span<const StringSetting> AllStringSettings();

}  // namespace settings

// Reads through the catalogue: the stored value or the catalogue default.
int ReadSetting(SettingsStore& store, const IntSetting& setting);
std::string ReadSetting(const SettingsStore& store, const StringSetting& setting);
bool WriteSetting(SettingsStore& store, const IntSetting& setting, int value);
bool WriteSetting(SettingsStore& store, const StringSetting& setting, std::string_view value);
bool ReadSetting(const SettingsStore& store, const DirectFlag& flag);

}  // namespace quillon
