#include "rename/RenamePass.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <unordered_map>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "fileops/UndoJournal.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/SettingsStore.h"

namespace quillon {

namespace {

enum class State { kPending, kMoving, kDone };

class Pass {
  public:
    Pass(FileSystem& fs, Prompter& prompter, const std::vector<RenameEntry>& entries,
         const std::vector<RuleResult>& rules, const RenamePassSettings& settings)
        : fs_(fs),
          prompter_(prompter),
          entries_(entries),
          rules_(rules),
          settings_(settings),
          state_(entries.size(), State::kPending),
          current_(entries.size()),
          lines_(entries.size()) {
        result_.items.resize(entries.size());
        if (settings.journal != nullptr) {
            group_ = settings.journal->NewGroupRecord();
            group_->Kind = kUndoRename;
            group_->Side = settings.side;
            group_->ItemType = !entries.empty() && !entries.front().isFile ? kItemDir : kItemFile;
            runTag_ = settings.journal->RunTag;
            opNumber_ = group_->OpNumber;
        } else {
            runTag_ = MakeRunTag(GetLogStamp(), std::time(nullptr));
        }
        for (size_t k = 0; k < entries.size(); ++k) {
            current_[k] = entries[k].FullPath();
            if (rules[k].Ok()) {
                owner_.emplace(current_[k], k);
            }
        }
    }

    RenamePassResult Run() {
        for (size_t k = 0; k < entries_.size(); ++k) {
            if (state_[k] == State::kPending) {
                Process(k);
            }
        }
        for (const std::string& line : lines_) {
            result_.failures += line;
        }
        // The window undoes a group oldest child first: the last move done must be undone first.
        for (auto move = moves_.rbegin(); group_ != nullptr && move != moves_.rend(); ++move) {
            UndoJournal::Attach(*group_, std::move(*move));
        }
        if (group_ != nullptr && group_->ChildCount() > 0) {
            settings_.journal->Push(std::move(group_));
            result_.journalled = true;
        }
        return std::move(result_);
    }

  private:
    // Where an item is now: below a folder that this pass renamed, its path moved with it.
    std::string Locate(size_t k) const {
        if (renamedFolders_.empty() || current_[k] != entries_[k].FullPath()) {
            return current_[k];
        }
        for (std::string folder = entries_[k].folder; !folder.empty() && !IsRootPath(folder);
             folder = std::string(DirName(folder))) {
            if (const auto it = renamedFolders_.find(folder); it != renamedFolders_.end()) {
                return it->second + entries_[k].folder.substr(folder.size()) + kPathSep +
                       entries_[k].name;
            }
        }
        return current_[k];
    }

    void Journal(bool folder, const std::string& from, const std::string& to) {
        if (group_ == nullptr) {
            return;
        }
        const int32_t type = folder ? kItemDir : kItemFile;
        const bool left = settings_.side == 0;
        std::unique_ptr<UndoRecord> record =
            settings_.journal->NewItemRecord(type, kUndoRename, settings_.side, left ? from : "",
                                             left ? "" : from, left ? to : "", left ? "" : to);
        if (type == kItemDir) {
            RetargetUndoPaths(*settings_.journal, *record, false);
        }
        moves_.push_back(std::move(record));
    }

    void Fail(size_t k, int error) {
        lines_[k] =
            StringPrintf(kSystemFailureFormat, entries_[k].name, long(error), std::strerror(error));
        LogError(error, "Renaming [%s] to [%s] failed.", Locate(k).c_str(), rules_[k].name.c_str());
        result_.items[k].outcome = RenameOutcome::kFailed;
    }

    void Skip(size_t k) {
        lines_[k] = StringPrintf(kSkippedToOverwriteFormat, entries_[k].name);
        result_.items[k].outcome = RenameOutcome::kSkipped;
    }

    // A unique name in the item's own folder, of the form a crashed run's backups take, so that
    // an interrupted cycle can still be put back by the backups recovery.
    int StepAside(size_t k) {
        const std::string from = Locate(k);
        int error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            const std::string aside = BackupName(from, runTag_, opNumber_ + attempt * 100000);
            if ((error = MoveNoReplace(fs_, from, aside)) == 0) {
                Journal(!entries_[k].isFile, from, aside);
                Release(k);
                current_[k] = aside;
            }
        }
        return error;
    }

    // The item no longer holds its first place.
    void Release(size_t k) {
        if (const auto it = owner_.find(entries_[k].FullPath());
            it != owner_.end() && it->second == k) {
            owner_.erase(it);
        }
    }

    // The selected item, not renamed yet, that holds the place `k` is renamed to.
    std::optional<size_t> Blocker(size_t k) const {
        if (!rules_[k].Ok()) {
            return std::nullopt;
        }
        const auto it = owner_.find(JoinPath(DirName(Locate(k)), rules_[k].name));
        return it != owner_.end() && it->second != k ? std::optional(it->second) : std::nullopt;
    }

    // Without recursion: a chain may be as long as the list.
    void Process(size_t first) {
        std::vector<size_t> waiting{first};
        while (!waiting.empty()) {
            const size_t k = waiting.back();
            if (state_[k] == State::kPending) {
                state_[k] = State::kMoving;
                if (settings_.status) {
                    settings_.status(StringPrintf(kProcessingFormat, entries_[k].name));
                }
                // What stands in the way moves first.
                if (const auto j = Blocker(k); j && state_[*j] == State::kPending) {
                    waiting.push_back(*j);
                    continue;
                }
            }
            Carry(k);
            state_[k] = State::kDone;
            result_.renamed += result_.items[k].outcome == RenameOutcome::kRenamed;
            waiting.pop_back();
        }
    }

    void Carry(size_t k) {
        const RenameEntry& entry = entries_[k];
        if (!rules_[k].Ok()) {
            lines_[k] = rules_[k].failure;
            return;
        }
        const std::string& newName = rules_[k].name;
        const std::string target = JoinPath(DirName(Locate(k)), newName);
        if (target == Locate(k)) {
            Skip(k);
            return;
        }
        // A selected item that has not been renamed yet still holds the target.
        if (const auto it = owner_.find(target); it != owner_.end() && it->second != k) {
            const size_t j = it->second;
            // It waits for this one: a cycle, broken by stepping it aside.
            if (state_[j] == State::kMoving) {
                if (const int error = StepAside(j); error != 0) {
                    Fail(k, error);
                    return;
                }
            }
            if (owner_.count(target) != 0) {
                Fail(k, EEXIST);
                return;
            }
        }
        const std::string from = Locate(k);
        struct stat targetStat {};
        const int looked = fs_.Stat(AT_FDCWD, target.c_str(), AT_SYMLINK_NOFOLLOW, targetStat);
        const bool exists = looked == 0 || looked == EACCES;
        if (exists) {
            struct stat itemStat {};
            const bool itself =
                looked == 0 &&
                fs_.Stat(AT_FDCWD, from.c_str(), AT_SYMLINK_NOFOLLOW, itemStat) == 0 &&
                itemStat.st_dev == targetStat.st_dev && itemStat.st_ino == targetStat.st_ino;
            if (!asked_) {
                if (EqualsNoCase(newName, entry.name)) {
                    Skip(k);
                    return;
                }
                PromptRequest request;
                request.text = StringPrintf(kOverwriteQuestionFormat, entry.name, newName, newName);
                request.style = mb::kYesNo | mb::kIconQuestion;
                skipExisting_ = prompter_.Ask(request) == mbr::kYes;
                asked_ = true;
            }
            // The item itself under another spelling (a case-insensitive mount) is never moved
            // aside to make room for itself.
            if (skipExisting_ || itself) {
                Skip(k);
                return;
            }
        }
        std::string aside;
        if (exists && group_ != nullptr) {
            aside = BackupName(target, runTag_, opNumber_);
            if (const int error = MoveNoReplace(fs_, target, aside); error != 0) {
                LogError(error, "Cannot move [%s] aside to [%s]", target.c_str(), aside.c_str());
                aside.clear();
            }
        }
        // Only a target the user chose to overwrite, without a journal to keep it, is replaced.
        const int error = exists && group_ == nullptr
                              ? fs_.Rename(AT_FDCWD, from.c_str(), AT_FDCWD, target.c_str(), 0)
                              : MoveNoReplace(fs_, from, target);
        if (error != 0) {
            // A target that cannot be put back stays in its backup, where the undo finds it.
            if (!aside.empty() && MoveNoReplace(fs_, aside, target) != 0) {
                Journal(S_ISDIR(targetStat.st_mode), target, aside);
            }
            Fail(k, error);
            return;
        }
        if (!aside.empty()) {
            Journal(S_ISDIR(targetStat.st_mode), target, aside);
        }
        Journal(!entry.isFile, from, target);
        Release(k);
        if (!entry.isFile) {
            renamedFolders_[from] = target;
        }
        current_[k] = target;
        result_.items[k].outcome = RenameOutcome::kRenamed;
        result_.items[k].newPath = target;
    }

    FileSystem& fs_;
    Prompter& prompter_;
    const std::vector<RenameEntry>& entries_;
    const std::vector<RuleResult>& rules_;
    const RenamePassSettings& settings_;
    std::vector<State> state_;
    std::vector<std::string> current_;
    std::vector<std::string> lines_;
    // Full path of each selected item that has not been renamed yet.
    std::unordered_map<std::string, size_t> owner_;
    std::unordered_map<std::string, std::string> renamedFolders_;
    std::unique_ptr<UndoRecord> group_;
    // The journal records of the moves, in the order they were done.
    std::vector<std::unique_ptr<UndoRecord>> moves_;
    std::string runTag_;
    int32_t opNumber_ = 0;
    bool asked_ = false;
    bool skipExisting_ = false;
    RenamePassResult result_;
};

}  // namespace

RenamePassResult RunRenamePass(FileSystem& fs, Prompter& prompter,
                               const std::vector<RenameEntry>& entries,
                               const std::vector<RuleResult>& rules,
                               const RenamePassSettings& settings) {
    if (rules.size() != entries.size()) {
        return {};
    }
    return Pass(fs, prompter, entries, rules, settings).Run();
}

std::string RenameFailuresMessage(const RenamePassResult& result) {
    return result.failures.empty() ? std::string() : kRenameFailuresText + result.failures;
}

ApplyResult ApplyRenamePage(int page, RenameOptions& options,
                            const std::vector<RenameEntry>& entries, bool files, FileSystem& fs,
                            Prompter& prompter, SettingsStore* store,
                            const RenamePassSettings& settings) {
    ApplyResult result;
    if (page < 1 || page > 5) {
        result.check = ApplyCheck::kRefused;
        return result;
    }
    result.check = CheckBeforeApply(page, options, entries, files, prompter);
    if (result.check != ApplyCheck::kProceed) {
        return result;
    }
    if (store != nullptr) {
        options.SavePage(*store, page);
    }
    const std::vector<RuleResult> rules = NewNames(page, options, entries);
    result.pass = RunRenamePass(fs, prompter, entries, rules, settings);
    return result;
}

int LeastChangeAnswer(std::string_view text, unsigned style) {
    const unsigned buttons = style & mb::kButtonSetMask;
    if (buttons == mb::kYesNo && text.starts_with(kOverwriteQuestionStart)) {
        return mbr::kYes;
    }
    switch (buttons) {
        case mb::kOkCancel:
        case mb::kYesNoCancel:
        case mb::kRetryCancel:
        case mb::kSkipSkipAllCancel:
        case mb::kIgnoreIgnoreAllCancel:
        case mb::kCancelTryContinue:
            return mbr::kCancel;
        case mb::kYesNo:
            return mbr::kNo;
        case mb::kAbortRetryIgnore:
            return mbr::kAbort;
        case mb::kContinueAbort:
            return mbr::kAbort;
        default:
            return mbr::kOk;
    }
}

}  // namespace quillon
