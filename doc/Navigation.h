// Which row a difference-navigation command moves to, decided on the rows alone.
#pragma once

#include <vector>

#include "core/DiffItem.h"

namespace quillon {

enum class NavTarget {
    kNextDiff,
    kPrevDiff,
    kNextAny,
    kPrevAny,
    kFirstDiff,
    kLastDiff,
    kFirstAny,
    kLastAny,
};

// A differing file, or with `includeFolders` a folder on one side only.
bool IsDifferenceRow(const DiffItem& item, bool includeFolders);
// The target row, or -1 when the selection stays. `first` and `last` are the first and last
// selected rows (-1 when there is none).
int FindNavTarget(const std::vector<DiffItem*>& rows, int first, int last, NavTarget target,
                  bool includeFolders);

}  // namespace quillon
