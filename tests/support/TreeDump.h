// Readable one-line descriptions of comparison rows, for asserting on whole trees at once.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/DiffItem.h"

namespace quillon::test {

// `describe` of the children of `holder`, and when `nested` of all below, indented by level.
template <typename Describe>
std::vector<std::string> DescribeRows(const DiffItem* holder, Describe describe, bool nested = true,
                                      int depth = 0) {
    std::vector<std::string> out;
    for (const DiffItem* c = holder->firstChild; c; c = c->next) {
        out.push_back(std::string(2 * depth, ' ') + describe(c));
        for (std::string& row :
             nested ? DescribeRows(c, describe, true, depth + 1) : std::vector<std::string>{}) {
            out.push_back(std::move(row));
        }
    }
    return out;
}

inline std::vector<std::string> RowNames(const DiffItem* root) {
    return DescribeRows(root, [](const DiffItem* item) { return item->name; });
}

// "name:status:LR" ("L-", "-R" or "LR" for the sides).
inline std::string ItemSummary(const DiffItem* c) {
    std::string sides;
    sides += c->Has(kSideLeft) ? 'L' : '-';
    sides += c->Has(kSideRight) ? 'R' : '-';
    return c->name + ":" + std::to_string(c->StatusCode()) + ":" + sides;
}

inline std::vector<std::string> ChildSummary(const DiffItem* holder) {
    return DescribeRows(holder, ItemSummary, false);
}

// ItemSummary of every item below `root`, indented as RowNames.
inline std::vector<std::string> TreeSummary(const DiffItem* root) {
    return DescribeRows(root, ItemSummary);
}

}  // namespace quillon::test
