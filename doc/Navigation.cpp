#include "doc/Navigation.h"

namespace quillon {

bool IsDifferenceRow(const DiffItem& item, bool includeFolders) {
    if (item.isFile) {
        return item.FileState() != StatusSame;
    }
    return includeFolders && !item.IsDotDot() &&
           (item.FolderState() == FolderLeftOnly || item.FolderState() == FolderRightOnly);
}

int FindNavTarget(const std::vector<DiffItem*>& rows, int first, int last, NavTarget target,
                  bool includeFolders) {
    int count = static_cast<int>(rows.size());
    bool any = target == NavTarget::kNextAny || target == NavTarget::kPrevAny ||
               target == NavTarget::kFirstAny || target == NavTarget::kLastAny;
    auto matches = [&](int row) {
        const DiffItem& item = *rows[static_cast<size_t>(row)];
        return any ? IsDifferenceRow(item, includeFolders)
                   : item.isFile && item.FileState() == StatusDifferent;
    };
    switch (target) {
        case NavTarget::kNextDiff:
        case NavTarget::kNextAny:
            for (int r = last + 1; r < count; ++r) {
                if (matches(r)) {
                    return r;
                }
            }
            return -1;
        case NavTarget::kPrevDiff:
        case NavTarget::kPrevAny:
            for (int r = (first < 0 ? count : first) - 1; r >= 0; --r) {
                if (matches(r)) {
                    return r;
                }
            }
            return -1;
        case NavTarget::kFirstDiff:
        case NavTarget::kFirstAny:
            for (int r = 0; r < count; ++r) {
                if (matches(r)) {
                    return r;
                }
            }
            return count > 0 ? 0 : -1;
        case NavTarget::kLastDiff:
        case NavTarget::kLastAny:
            for (int r = count - 1; r >= 0; --r) {
                if (matches(r)) {
                    return r;
                }
            }
            return -1;
    }
    return -1;
}

}  // namespace quillon
