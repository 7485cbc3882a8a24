// Readable one-line descriptions of comparison rows, for asserting on whole trees at once.
#pragma once

#include <string>
#include <vector>

#include "core/DiffItem.h"

namespace quillon::test {

// "name" for every item below `root` in depth-first order, indented by two spaces per level
// below the first.
inline std::vector<std::string> RowNames(const DiffItem* root) {
    std::vector<std::string> out;
    std::vector<std::pair<const DiffItem*, int>> stack;
    for (const DiffItem* c = root->lastChild; c; c = c->prev) {
        stack.emplace_back(c, 0);
    }
    while (!stack.empty()) {
        auto [item, depth] = stack.back();
        stack.pop_back();
        out.push_back(std::string(2 * depth, ' ') + item->name);
        for (const DiffItem* c = item->lastChild; c; c = c->prev) {
            stack.emplace_back(c, depth + 1);
        }
    }
    return out;
}

// "name:status:LR" for the direct children of `holder` ("L-", "-R" or "LR" for the sides).
inline std::vector<std::string> ChildSummary(const DiffItem* holder) {
    std::vector<std::string> out;
    for (const DiffItem* c = holder->firstChild; c; c = c->next) {
        std::string sides;
        sides += c->Has(kSideLeft) ? 'L' : '-';
        sides += c->Has(kSideRight) ? 'R' : '-';
        out.push_back(c->name + ":" + std::to_string(c->status) + ":" + sides);
    }
    return out;
}

}  // namespace quillon::test
