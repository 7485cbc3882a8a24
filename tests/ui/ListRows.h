// Row lookups by shown name for the window tests.
#pragma once

#include <string>

#include "core/DiffItem.h"
#include "ui/DiffListModel.h"

namespace quillon::test {

// The first row showing `name`, or -1.
inline int RowOfName(const DiffListModel& model, const std::string& name) {
    const auto& rows = model.Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i]->name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

inline const DiffItem* ItemOfName(const DiffListModel& model, const std::string& name) {
    int row = RowOfName(model, name);
    return row < 0 ? nullptr : model.Rows()[static_cast<size_t>(row)];
}

}  // namespace quillon::test
