#include "fileops/CopyDiffExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "core/Comparison.h"
#include "core/DiffItem.h"
#include "fileops/FileCopy.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"

namespace quillon {

namespace {

constexpr char kSpecialReason[] = "a FIFO, socket or device is never copied";
constexpr char kFolderLinkReason[] = "a folder link is not followed";

struct NodeId {
    dev_t dev;
    ino_t ino;
    bool operator==(const NodeId&) const = default;
};

NodeId IdOf(const struct stat& st) {
    return {st.st_dev, st.st_ino};
}

// The folder at `path` (links followed) and each real parent above it up to the root, by
// walking "..": the chain a path's text may misrepresent. 0 or the errno.
int PhysicalChain(const std::string& path, std::vector<NodeId>& chain) {
    chain.clear();
    // O_PATH needs no read permission on the folders, only the search permission a walk has.
    int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    for (;;) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        if (!chain.empty() && chain.back() == IdOf(st)) {
            break;  // the root is its own parent
        }
        chain.push_back(IdOf(st));
        const int parent = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (parent < 0) {
            return errno;
        }
        fd = parent;
    }
    ::close(fd);
    return 0;
}

bool Contains(const std::vector<NodeId>& chain, NodeId id) {
    for (const NodeId& c : chain) {
        if (c == id) {
            return true;
        }
    }
    return false;
}

ExportDestinationCheck Refuse(ExportDestinationCheck check, std::string* why, std::string text) {
    if (why != nullptr) {
        *why = std::move(text);
    }
    return check;
}

// The path relative to `root` (which it lies in), without a leading separator.
std::string_view RelativeTo(const std::string& root, const std::string& path) {
    std::string_view rest(path);
    if (rest.size() >= root.size() && rest.compare(0, root.size(), root) == 0) {
        rest.remove_prefix(root.size());
    }
    while (!rest.empty() && rest.front() == kPathSep) {
        rest.remove_prefix(1);
    }
    return rest;
}

class DiffExport {
  public:
    DiffExport(FileOpsContext& ctx, const std::string& leftRoot, const std::string& rightRoot,
               int side, const std::string& destination, CopyDiffResult& result)
        : ctx_(ctx),
          roots_{leftRoot, rightRoot},
          side_(side),
          destination_(destination),
          result_(result),
          group_(ctx) {}

    // False when cancelled.
    bool Walk(const DiffItem* folder) {
        for (const DiffItem* item = folder->firstChild; item != nullptr; item = item->next) {
            if (item->IsDotDot()) {
                continue;
            }
            if (Cancelled(item)) {
                return false;
            }
            if (!item->isFile) {
                if (item->Has(0) && item->Has(1) &&
                    ((item->sideFlags[0] | item->sideFlags[1]) & DiffItem::kFlagLink)) {
                    NoteFolderLink(*item);
                } else if (!Walk(item)) {
                    return false;
                }
                continue;
            }
            if (item->FileState() != StatusDifferent) {
                continue;
            }
            for (int fileSide = 0; fileSide < 2; ++fileSide) {
                if (side_ == kExportFromBoth || side_ == fileSide) {
                    Export(*item, fileSide);
                }
            }
        }
        return true;
    }

  private:
    bool Cancelled(const DiffItem* item) {
        ProgressSink* progress = ctx_.progress;
        if (progress == nullptr) {
            return false;
        }
        std::string text = StringPrintf(kCopyDiffProcessingFormat, item->name);
        if (item->isFile && item->FileState() == StatusDifferent) {
            const int shown = side_ == kExportFromRight ? 1 : 0;
            text += StringPrintf(kCopyDiffInFolderFormat, item->Dir(shown));
        }
        return progress->Update(text, ++position_) || progress->Cancelled();
    }

    void NoteFolderLink(const DiffItem& item) {
        for (int s = 0; s < 2; ++s) {
            if ((side_ == kExportFromBoth || side_ == s) &&
                (item.sideFlags[s] & DiffItem::kFlagLink)) {
                ExportItemResult r;
                r.side = s;
                r.source = item.FullPath(s);
                r.outcome = ExportOutcome::kSkippedLink;
                r.reason = kFolderLinkReason;
                Log("Copy diff files: %s skipped, %s", r.source.c_str(), kFolderLinkReason);
                ++result_.skipped;
                result_.items.push_back(std::move(r));
            }
        }
    }

    void Export(const DiffItem& item, int fileSide) {
        ExportItemResult r;
        r.side = fileSide;
        r.source = item.FullPath(fileSide);
        r.destination = ExportTarget(destination_, side_, fileSide, roots_[fileSide], r.source);
        const uint8_t flags = item.sideFlags[fileSide];
        if (flags & DiffItem::kFlagSpecial) {
            r.outcome = ExportOutcome::kSkippedSpecial;
            r.reason = kSpecialReason;
            Log("Copy diff files: %s skipped, %s", r.source.c_str(), kSpecialReason);
            ++result_.skipped;
            result_.items.push_back(std::move(r));
            return;
        } else if (flags & DiffItem::kFlagLink) {
            r.error = MakeFolderChain(ctx_.fs, std::string(DirName(r.destination)));
            if (r.error == 0) {
                r.error = CopyLink(ctx_.fs, r.source, r.destination);
            }
            r.outcome = r.error == 0 ? ExportOutcome::kLinkRecreated : ExportOutcome::kFailed;
        } else {
            // Counted when the group is flushed and the file is in place.
            r.outcome = ExportOutcome::kCopied;
            r.error = group_.Add(r.source, r.destination, result_.items.size());
            if (r.error == 0) {
                result_.items.push_back(std::move(r));
                if (group_.Full()) {
                    Flush();
                }
                return;
            }
            r.outcome = ExportOutcome::kFailed;
        }
        Settle(r);
        result_.items.push_back(std::move(r));
    }

  public:
    // Puts the staged copies into place and counts them.
    void Flush() {
        for (const auto& [index, error] : group_.Flush()) {
            ExportItemResult& r = result_.items[index];
            r.error = error;
            r.outcome = error == 0 ? ExportOutcome::kCopied : ExportOutcome::kFailed;
            Settle(r);
        }
    }

  private:
    void Settle(ExportItemResult& r) {
        if (r.outcome == ExportOutcome::kFailed) {
            r.reason = std::strerror(r.error);
            LogError(r.error, "Copy diff files: cannot copy %s to %s", r.source.c_str(),
                     r.destination.c_str());
            ++result_.failed;
        } else if (r.outcome != ExportOutcome::kSkippedSpecial) {
            ++result_.copied;
        }
    }

    FileOpsContext& ctx_;
    std::string roots_[2];
    int side_;
    const std::string& destination_;
    CopyDiffResult& result_;
    FileCopyGroup group_;
    uint64_t position_ = 0;
};

}  // namespace

const char* CopyDiffChooserPrompt(int side) {
    switch (side) {
        case kExportFromLeft:
            return "Select/Create a folder to copy the diff file(s) from the left folder.";
        case kExportFromRight:
            return "Select/Create a folder to copy the diff file(s) from the right folder.";
        default:
            return "Select/Create a folder to copy the diff file(s) from the both folder.";
    }
}

ExportDestinationCheck CheckExportDestination(const std::string& destination,
                                              const std::string& left, const std::string& right,
                                              std::string* why) {
    const std::string dest = StripOneTrailingSeparator(destination);
    // The nearest folder that exists, at or above the destination.
    std::string existing = dest;
    struct stat st {};
    for (;;) {
        if (::stat(existing.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                return Refuse(ExportDestinationCheck::kNotAFolder, why,
                              "not a folder: " + existing);
            }
            break;
        }
        const int error = errno;
        if ((error != ENOENT && error != ENOTDIR) || IsRootPath(existing) || existing.empty()) {
            return Refuse(ExportDestinationCheck::kUnreadable, why,
                          "cannot examine " + existing + ": " + std::strerror(error));
        }
        const std::string parent(DirName(existing));
        if (parent.empty() || parent == existing) {
            return Refuse(ExportDestinationCheck::kUnreadable, why,
                          "cannot examine " + existing + ": " + std::strerror(error));
        }
        existing = parent;
    }
    const bool exists = existing == dest;

    std::vector<NodeId> destChain;
    if (const int error = PhysicalChain(existing, destChain); error != 0) {
        return Refuse(ExportDestinationCheck::kUnreadable, why,
                      "cannot examine " + existing + ": " + std::strerror(error));
    }
    for (const std::string* compared : {&left, &right}) {
        std::vector<NodeId> chain;
        if (const int error = PhysicalChain(*compared, chain); error != 0) {
            return Refuse(ExportDestinationCheck::kUnreadable, why,
                          "cannot examine " + *compared + ": " + std::strerror(error));
        }
        if (exists && destChain.front() == chain.front()) {
            return Refuse(ExportDestinationCheck::kIsCompared, why,
                          "the destination " + dest + " is the compared folder " + *compared);
        }
        if (Contains(destChain, chain.front())) {
            return Refuse(
                ExportDestinationCheck::kInsideCompared, why,
                "the destination " + dest + " lies inside the compared folder " + *compared);
        }
        if (exists && Contains(chain, destChain.front())) {
            return Refuse(ExportDestinationCheck::kContainsCompared, why,
                          "the destination " + dest + " contains the compared folder " + *compared);
        }
    }
    return ExportDestinationCheck::kOk;
}

std::string ExportTarget(const std::string& destination, int exportSide, int fileSide,
                         const std::string& compareRoot, const std::string& sourcePath) {
    std::string target = StripOneTrailingSeparator(destination);
    if (exportSide == kExportFromBoth) {
        target = JoinPath(target, fileSide == 0 ? kExportLeftFolder : kExportRightFolder);
    }
    return JoinPath(target, RelativeTo(compareRoot, sourcePath));
}

CopyDiffResult ExportDiffFiles(FileOpsContext& ctx, const DiffItem* root,
                               const std::string& leftRoot, const std::string& rightRoot, int side,
                               const std::string& destination) {
    CopyDiffResult result;
    DiffExport walk(ctx, leftRoot, rightRoot, side, destination, result);
    result.cancelled = !walk.Walk(root);
    // What was staged before a Cancel is complete and still goes into place.
    walk.Flush();
    return result;
}

CopyDiffStatus RunCopyDiffExport(const CopyDiffRequest& request, FileOpsContext& ctx,
                                 ProgressFactory* readProgress, CopyDiffResult& result,
                                 std::string* why) {
    Log("Entering CopyDiffFiles()... side %d to [%s]", request.side, request.destination.c_str());
    result = CopyDiffResult{};
    if (CheckExportDestination(request.destination, request.left, request.right, why) !=
        ExportDestinationCheck::kOk) {
        return CopyDiffStatus::kBadDestination;
    }
    Comparison comparison(nullptr, readProgress);
    comparison.options = request.options;
    comparison.filter = request.filter;
    comparison.readWholeTrees = true;
    if (!comparison.CompareFolders(request.left, request.right, 1)) {
        if (why != nullptr) {
            *why = "the folders could not be compared: " + request.left + " and " + request.right;
        }
        return CopyDiffStatus::kCompareFailed;
    }
    if (ctx.progress != nullptr) {
        ctx.progress->SetRange(ProgressSink::kNoCount, kCopyDiffProgressText, false);
    }
    for (int s = 0; s < 2; ++s) {
        for (const ReadFailure& failure : comparison.ReadFailures(s)) {
            ExportItemResult r;
            r.side = s;
            r.source = failure.path;
            r.outcome = ExportOutcome::kUnread;
            r.error = failure.error;
            r.reason = std::string("cannot read: ") + std::strerror(failure.error);
            ++result.failed;
            result.items.push_back(std::move(r));
        }
    }
    CopyDiffResult walked =
        ExportDiffFiles(ctx, comparison.rootItem, comparison.LeftPath(), comparison.RightPath(),
                        request.side, request.destination);
    result.copied = walked.copied;
    result.failed += walked.failed;
    result.skipped = walked.skipped;
    result.cancelled = walked.cancelled;
    for (ExportItemResult& item : walked.items) {
        result.items.push_back(std::move(item));
    }
    Log("Leaving CopyDiffFiles()... %d copied, %d failed, %d skipped", result.copied, result.failed,
        result.skipped);
    return CopyDiffStatus::kDone;
}

std::string CopyDiffSummaryText(const CopyDiffResult& result, const std::string& destination) {
    if (!result.cancelled) {
        return StringPrintf(kCopyDiffDoneFormat, result.copied, destination);
    }
    if (result.copied == 0) {
        return StringPrintf(kCopyDiffCancelledFormat, destination);
    }
    return StringPrintf(kCopyDiffCancelledAfterFormat, destination, result.copied, destination);
}

}  // namespace quillon
