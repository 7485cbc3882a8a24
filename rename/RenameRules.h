// The six rename rules as pure functions of a name and a page's options, the "Simulated Result"
// text every renaming page shows, the checks a page runs before it renames, and the field rules
// of the pages. Names are bytes: "characters" are UTF-8 code points (a byte that starts no valid
// sequence counts as one), case is folded for A-Z only, and white space is ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rename/RenameOptions.h"

namespace quillon {

class Prompter;

// Texts of the rules' errors and of the pass's failure lines.
inline constexpr const char* kErrorPrefix = "ERROR!!!";
inline constexpr const char* kSameNameErrorFormat =
    "ERROR!!! The same filename \"%s\" already exists.";
inline constexpr const char* kNotYetRenamedErrorFormat =
    "ERROR!!! The file not yet renamed \"%s\" already has the same filename.";
// A result the file system cannot take as a name (empty, ".", "..", a '/' or a NUL in it).
inline constexpr const char* kUnusableNameErrorFormat =
    "ERROR!!! \"%s\" cannot be used as a filename.";
inline constexpr const char* kNewNameLineFormat = "\"%s\"\t--->\"%s\"\r\n";
inline constexpr const char* kErrorLineFormat = "\"%s\" --->\t%s\r\n";
inline constexpr const char* kCannotRenameFormat = "%s (cannot rename)\n";
inline constexpr const char* kFrontNotNumberFormat =
    "ERROR!!! \"%s\" the front part of the file aren't number.";
inline constexpr const char* kNotStartingWithFormat =
    "ERROR!!! After removing the numbers, File doesn't start with \"%s\".";
inline constexpr const char* kDifferentExtensionsWarning =
    "WARNING:\tThe selected files have the different file extensions.\r\n\tIf they have the same "
    "filename, rename operation will fail.\r\n\r\n";
inline constexpr const char* kNoDelimiterError = "ERROR!!! No delimiter.";
inline constexpr const char* kDelimitersFoundFormat =
    "ERROR!!! %d out of %d delimiter(s) '%s' found.";
inline constexpr const char* kDelimitersFailureFormat =
    "%s: Can't rename since %d out of %d delimiter(s) '%s' found.\n";
inline constexpr const char* kWordNotFoundFormat = "ERROR!!! %s not found";
inline constexpr const char* kWordFailureFormat = "%s: %s not found\n";
inline constexpr const char* kPatternEmptyError = "ERROR!!! \"Existing pattern\" empty.";
inline constexpr const char* kPatternStarsError =
    "ERROR!!! \"Existing pattern\" cannot include more than 1 '*'.";
inline constexpr const char* kNoMatchingPatternFormat =
    "ERROR!!! No matching \"Existing pattern\" with \"%s\".";
inline constexpr const char* kPatternFailureFormat = "%s (pattern with \"%s\" not found)\n";
inline constexpr const char* kTimestampListLineFormat = "\"%s\"\r\n";

// Messages and questions of the pages' checks on OK.
inline constexpr const char* kExtensionEmptyText =
    "The new file-extension is empty.\nCan't be performed.";
inline constexpr const char* kStartTooLargeText =
    "\"Starting from:\" is too large.\n\nWhen added to # of the selected items,\nit should be "
    "still in 3 digits.";
inline constexpr const char* kSameBaseConflictFormat =
    "The following file(s) will fail to rename\nsince the selected file(s) would already have the "
    "same filename:%s\n\nPlease re-select the files to rename.";
inline constexpr const char* kSeveralExtensionsFormat =
    "There is more than 1 file-extension for multi-rename,\nwhich is strongly discouraged\nbecause "
    "it would be difficult to rename them back in the future.\nThey are:\n\t%s\n\nDo you want to "
    "continue anyway?";
inline constexpr const char* kDelimiterTooLongFormat =
    "The delimiter should a single character.\nHowever, the current delimiter is \"%s\",\nwhich "
    "is %d characters long.\nTherefore, the 1st character \"%s\" will be used.";
inline constexpr const char* kDelimiterCancelHint =
    "If this is not what you want, click \"Cancel\", correct it and try again.";
inline constexpr const char* kOldStringEmptyText =
    "\"String to be replaced\" is empty.\nCan't be performed.";
inline constexpr const char* kPatternEmptyText =
    "\"Existing pattern\" is empty.\nCan't be performed.";
inline constexpr const char* kPatternStarsText =
    "\"Existing pattern\" cannot include more than 1 '*'.\nCan't be performed.";

// Messages of the pages' field rules.
inline constexpr const char* kOneCharacterText =
    "This should be 1 character long.\nSetting it back the previous character...";
inline constexpr const char* kNewPatternStarText =
    "New pattern can't contain '*' when the existing pattern doesn't contain it.";
inline constexpr const char* kIntervalRangeText =
    "Interval must be between 0 and 500. Reset to the previous value";

// One item of a pass: the folder it is in (no trailing separator) and its name as bytes.
struct RenameEntry {
    std::string folder;
    std::string name;
    bool isFile = true;

    std::string FullPath() const;
};

// A name split at its last '.': base and extension (dot included). A folder is never split.
struct NameParts {
    std::string base;
    std::string extension;
};
NameParts SplitName(std::string_view name, bool isFile);

// What a rule made of one item: a new name, or the "ERROR!!!" text the simulated result shows
// together with the line the pass lists for the item (its name included, "\n" at the end).
struct RuleResult {
    std::string name;
    std::string error;
    std::string failure;

    bool Ok() const { return error.empty(); }
};

// UTF-8 code points of `text`, a byte that starts no valid sequence counting as one.
size_t CountCharacters(std::string_view text);
// The byte length of the first `count` characters of `text` (all of it when shorter).
size_t CharactersToBytes(std::string_view text, size_t count);
// `text` without its leading (or trailing) ASCII white space.
std::string TrimLeadingSpace(std::string_view text);
std::string TrimTrailingSpace(std::string_view text);
// Whether the file system can take `name` as the name of an entry.
bool IsUsableName(std::string_view name);

// The rules of the pages. `index` is the item's position in the list (page 2 numbers from it).
RuleResult NewNamePage1(const Page1Options& options, const RenameEntry& entry);
RuleResult NewNamePage2(const Page2Options& options, const RenameEntry& entry, size_t index);
RuleResult NewNamePage3(const Page3Options& options, const RenameEntry& entry);
RuleResult NewNamePage4(const Page4Options& options, const RenameEntry& entry);
// The number page 1 mode 2 puts in front of `base`: the CRC-32 register (not inverted) over the
// base's bytes, modulo 10^digits.
uint32_t NumericPrefix(std::string_view base, int digits);

// Page 5's pattern split once per pass; `error` is the whole simulated result when P is unusable.
struct PatternPlan {
    std::string error;
    std::string pattern;  // P as given
    bool patternStar = false;
    bool newStar = false;
    std::string left, right;        // PL and PR, folded
    std::string newLeft, newRight;  // QL and QR
    int mode = 0;
};
PatternPlan PreparePattern(const Page5Options& options);
RuleResult NewNamePage5(const PatternPlan& plan, const RenameEntry& entry);

// The new names of `entries` by the rule of `page` (1..5), in list order, with the leading white
// space removed where the page does, and an unusable result failed with the item's "cannot
// rename" line. Page 5 with an unusable pattern fails every item with the pattern's error.
std::vector<RuleResult> NewNames(int page, const RenameOptions& options,
                                 const std::vector<RenameEntry>& entries);

// Page 2's same-extension flag: false when a name with an extension differs (A-Z folded) from
// the first name's extension; names without a dot are not compared.
bool SameExtension(const std::vector<RenameEntry>& entries);

// The "Simulated Result" box of page 1..5 (CR LF lines, names as their bytes); page 6 gives its
// file list. `errors` (may be null) receives the number of error lines.
std::string SimulatedResult(int page, const RenameOptions& options,
                            const std::vector<RenameEntry>& entries, size_t* errors = nullptr);
// Page 6's "File list to change their File Timestamp": one "\"name\"\r\n" line per item.
std::string TimestampFileList(const std::vector<RenameEntry>& entries);

// How the checks before a pass ended.
enum class ApplyCheck {
    kProceed,   // go on with the pass (the options may have been trimmed or shortened)
    kRefused,   // a message was shown; nothing is renamed and the page stays open
    kDeclined,  // a question was answered Cancel or No; nothing is renamed, the page stays open
};

// OK on `page` (1..6), before anything is saved or renamed: trims the page's text fields as the
// page does and runs its checks, with their messages and questions through `prompter`. `files`:
// the items are files (page 2's empty-extension check applies only to them).
ApplyCheck CheckBeforeApply(int page, RenameOptions& options,
                            const std::vector<RenameEntry>& entries, bool files,
                            Prompter& prompter);

// Field rules of the pages. Each returns the text the field keeps; a message goes through
// `prompter` (may be null: no message).
// Page 1, 2, 3 text fields, page 4's new strings: the nine reserved characters removed.
std::string CleanNameField(std::string_view text, Prompter* prompter);
// Page 3 delimiter field: a text of two or more characters is refused and `previous` comes back.
std::string CleanDelimiterField(std::string_view text, std::string_view previous,
                                Prompter* prompter);
// Page 5's new pattern: '*' removed when P has none, then the eight reserved characters but '*'.
std::string CleanNewPatternField(std::string_view pattern, std::string_view newPattern,
                                 Prompter* prompter);
// Page 6's interval field: a value outside 0..500 is refused and `previous` comes back.
int CleanIntervalField(int value, int previous, Prompter* prompter);
// The "(th)" label after page 3's counts: "st", "nd", "rd" for 1, 2, 3, else "th".
const char* OrdinalSuffix(int count);

}  // namespace quillon
