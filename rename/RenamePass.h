// The pass that carries a page's renames out on disk. Every move that is not meant to replace
// uses renameat2(RENAME_NOREPLACE); moves inside the pass are ordered so that no selected item
// that has not been renamed yet is ever in the way (a chain a->b->c goes c first, a cycle a<->b
// goes through a unique temporary name in the same folder); each move is journalled in the order
// done, so that undoing the pass's one group reverses it exactly.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rename/RenameRules.h"

namespace quillon {

class FileSystem;
class Prompter;
class SettingsStore;
class UndoJournal;

inline constexpr const char* kProcessingFormat = "Processing: %s";
inline constexpr const char* kSkippedToOverwriteFormat = "%s (skipped to overwrite)\n";
inline constexpr const char* kSystemFailureFormat = "%s (\tErrorCode: [%ld]=%s)\n";
inline constexpr const char* kOverwriteQuestionFormat =
    "About to rename\t\"%s\"\nto\t\t\t\"%s\".\nHowever, since \"%s\" already exists, it will be "
    "overwritten.\n\nDo you want to skip renaming this file?\nNote:\tThe same action will be taken "
    "if the target file already exists\n\tfor the remaining file(s).";
inline constexpr const char* kRenameFailuresText = "The following file(s) couldn't be renamed:\n\n";
// The start of the overwrite question, by which an unattended run knows it.
inline constexpr std::string_view kOverwriteQuestionStart = "About to rename\t";

struct RenamePassSettings {
    // The view's journal when it is switched on: the pass becomes one group of the rename kind
    // (pushed only when it holds an entry), and an existing target the user chose not to skip
    // is moved aside under the journal's backup name. Null (the stand-alone run, or the journal
    // switched off): nothing is journalled and such a target is replaced.
    UndoJournal* journal = nullptr;
    int side = 0;  // the pane (0 left, 1 right), for the journal
    // "Processing: <name>" for the page's status line; may be empty.
    std::function<void(std::string_view)> status;
};

enum class RenameOutcome { kRenamed, kSkipped, kFailed };

struct RenamePassItem {
    RenameOutcome outcome = RenameOutcome::kFailed;
    std::string newPath;  // kRenamed: the item's full path now, for reselection
};

struct RenamePassResult {
    std::vector<RenamePassItem> items;  // one per entry, in list order
    std::string failures;               // the failure list, one line per item that was not renamed
    int renamed = 0;
    bool journalled = false;  // a group was pushed to the journal
};

// Renames `entries[i]` to `rules[i]` (a failed rule lists its failure line). Asks the overwrite
// question at most once, through `prompter`. Per-item failures are data: nothing is shown here.
RenamePassResult RunRenamePass(FileSystem& fs, Prompter& prompter,
                               const std::vector<RenameEntry>& entries,
                               const std::vector<RuleResult>& rules,
                               const RenamePassSettings& settings);

// "The following file(s) couldn't be renamed:\n\n" + the list; empty for an empty list.
std::string RenameFailuresMessage(const RenamePassResult& result);

struct ApplyResult {
    ApplyCheck check = ApplyCheck::kProceed;
    RenamePassResult pass;  // empty unless check is kProceed
};

// OK on renaming page `page` (1..5): the page's checks, then (with `store`, may be null) its
// options and LastPP saved, then the pass over the new names. Shows nothing itself but the
// checks' messages and the overwrite question.
ApplyResult ApplyRenamePage(int page, RenameOptions& options,
                            const std::vector<RenameEntry>& entries, bool files, FileSystem& fs,
                            Prompter& prompter, SettingsStore* store,
                            const RenamePassSettings& settings);

// The answer that changes least, for a run nobody watches: Yes to the overwrite question (skip),
// No to any other Yes/No question (a Yes would go on), Cancel where offered, else OK.
int LeastChangeAnswer(std::string_view text, unsigned style);

}  // namespace quillon
