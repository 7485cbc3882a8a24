#include "doc/CQuillonDoc.h"

#include <strings.h>
#include <sys/stat.h>

#include <ctime>

#include "base/PathUtil.h"
#include "core/DisplayFilter.h"
#include "fileops/FileCopy.h"
#include "platform/Log.h"

namespace quillon {

std::string ExtendPath(const std::string& path, const std::string& name) {
    if (path.empty() || name.empty()) {
        return path;
    }
    if (name == "..") {
        size_t cut = path.rfind(kPathSep);
        if (cut == std::string::npos) {
            return path;
        }
        return cut == 0 ? std::string(1, kPathSep) : path.substr(0, cut);
    }
    return JoinPath(path, name);
}

bool SamePathNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

CQuillonDoc::CQuillonDoc(ComparisonObserver* observer, RefreshView& view)
    : observer_(observer),
      comparison_(observer),
      refresh_(comparison_, view, observer),
      journal_(MakeRunTag(GetLogStamp(), std::time(nullptr))) {}

void CQuillonDoc::ApplyReadWholeRule(bool pairOpened) {
    comparison_.readWholeTrees = ReadWholeTreesAfterFilter(comparison_.filter, pairOpened);
}

bool CQuillonDoc::CompareCurrentPaths(int progressOption) {
    if (observer_) {
        observer_->DisarmEscExit();
    }
    return comparison_.CompareFolders(paths_[0], paths_[1], progressOption);
}

bool CQuillonDoc::OpenPath(const std::string& path) {
    struct stat st {};
    if (comparison_.Fs().Stat(AT_FDCWD, path.c_str(), 0, st) == 0 && !S_ISDIR(st.st_mode)) {
        if (fileHandler_) {
            fileHandler_(path);
        }
        return false;
    }
    std::string oldPaths[2] = {paths_[0], paths_[1]};
    NextOpen oldNext = next_;
    const int side = next_ == NextOpen::kRight ? kSideRight : kSideLeft;
    paths_[side] = StripOneTrailingSeparator(path);
    next_ = side == kSideRight ? NextOpen::kLeftAfterPair : NextOpen::kRight;
    // An open reads whole trees as soon as a right side is there, even when the left was the one
    // just opened.
    ApplyReadWholeRule(!paths_[1].empty());
    if (CompareCurrentPaths(1)) {
        return true;
    }
    paths_[0] = oldPaths[0];
    paths_[1] = oldPaths[1];
    next_ = oldNext;
    return false;
}

void CQuillonDoc::Reset() {
    paths_[0].clear();
    paths_[1].clear();
    next_ = NextOpen::kLeft;
    comparison_.CompareFolders(std::string(), std::string(), 0);
}

bool CQuillonDoc::GoUp() {
    std::string fresh[2];
    for (int side = 0; side < 2; ++side) {
        // A path without a separator has no parent to show; it stays rather than becoming empty.
        fresh[side] = ExtendPath(paths_[side], "..");
    }
    if (SamePathNoCase(fresh[0], paths_[0]) && SamePathNoCase(fresh[1], paths_[1])) {
        return false;
    }
    for (int side = 0; side < 2; ++side) {
        paths_[side] = StripOneTrailingSeparator(fresh[side]);
    }
    ApplyReadWholeRule(next_ == NextOpen::kLeftAfterPair);
    CompareCurrentPaths(0);
    return true;
}

void CQuillonDoc::SetRootPaths(int side, const DiffItem& item) {
    for (int s = 0; s < 2; ++s) {
        if (side == kSideBoth || side == s) {
            paths_[s] = ExtendPath(item.Dir(s), item.Name(s));
        }
    }
    if (side == kSideBoth) {
        Log("UpdatePath() yields pMain->m_strFiles[0] = [%s]", paths_[0].c_str());
        Log("UpdatePath() yields pMain->m_strFiles[1] = [%s]", paths_[1].c_str());
    } else {
        Log("UpdatePath() yields pMain->m_strFiles[%d] = [%s]", side, paths_[side].c_str());
    }
}

void CQuillonDoc::CompareAfterRootChange() {
    for (std::string& path : paths_) {
        path = StripOneTrailingSeparator(path);
    }
    ApplyReadWholeRule(next_ == NextOpen::kLeftAfterPair);
    CompareCurrentPaths(0);
}

CopyToPaneResult CQuillonDoc::CopyToOtherPane(int destination, const std::vector<DiffItem*>& rows,
                                              Prompter& prompter, ProgressFactory* progress) {
    FileOpsContext ctx(comparison_.Fs(), journal_.enabled ? &journal_ : nullptr);
    const CopyToPaneScene scene{comparison_, paths_, prompter, progress, observer_};
    return quillon::CopyToOtherPane(ctx, scene, destination, rows);
}

}  // namespace quillon
