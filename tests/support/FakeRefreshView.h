// The window around a refresh: opened folders and selected row, with every redraw request recorded.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/DiffItem.h"
#include "core/Refresh.h"

namespace quillon::test {

class FakeRefreshView : public RefreshView {
  public:
    std::string OpenedPath(int side) const override { return paths[side]; }
    void ClearOpenedPath(int side) override {
        paths[side].clear();
        calls.push_back("forget " + std::to_string(side));
    }
    void ClearStatusPane(int side) override { calls.push_back("pane " + std::to_string(side + 1)); }
    int SelectedRow() const override { return selected; }
    void SelectRow(int row) override {
        selected = row;
        calls.push_back("select " + std::to_string(row));
    }
    void FreezeList(bool frozen) override { calls.push_back(frozen ? "freeze" : "thaw"); }
    void RefillRows() override { calls.push_back("refill"); }
    void Repaint() override { calls.push_back("repaint"); }
    void SuspendPathBoxes(bool suspended) override {
        calls.push_back(suspended ? "suspend boxes" : "resume boxes");
    }
    void RemoveRows(DiffItem* item) override { removed.push_back(item->name); }
    int Count(const std::string& call) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }
    std::string paths[2];
    int selected = -1;
    std::vector<std::string> calls;
    std::vector<std::string> removed;
};

}  // namespace quillon::test
