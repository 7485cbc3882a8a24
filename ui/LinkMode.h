// The link mode of the list: two clicks pick two entries of either side; two files go to the text
// diff editor, two folders to a second instance. The cursor shows which pick comes next.
#pragma once

#include <QPoint>

#include "doc/LinkPick.h"

class QTableView;

namespace quillon {

class DiffListModel;
class ToolLaunch;

class LinkMode {
  public:
    LinkMode(QTableView& list, const DiffListModel& model, ToolLaunch& tools)
        : list_(list), model_(model), tools_(tools) {}

    void Set(bool on);
    bool On() const { return on_; }
    // 0 waiting for the first entry, 1 for the second.
    int Stage() const { return pick_.Stage(); }
    void Click(const QPoint& viewportPos);

  private:
    QTableView& list_;
    const DiffListModel& model_;
    ToolLaunch& tools_;
    bool on_ = false;
    LinkPick pick_;
};

}  // namespace quillon
