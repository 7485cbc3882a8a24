// The link mode's two picks: any entry of either side, then one of the same kind (file or
// folder).
#pragma once

#include <string>

namespace quillon {

class LinkPick {
  public:
    enum class Step { kFirst, kOtherKind, kPair };

    void Reset() {
        stage_ = 0;
        paths_[0].clear();
        paths_[1].clear();
    }
    // 0 waiting for the first entry, 1 for the second.
    int Stage() const { return stage_; }
    // kOtherKind leaves the first pick waiting for a second of its kind.
    Step Pick(const std::string& path, bool isFile) {
        if (stage_ == 0) {
            paths_[0] = path;
            isFile_ = isFile;
            stage_ = 1;
            return Step::kFirst;
        }
        if (isFile != isFile_) {
            return Step::kOtherKind;
        }
        paths_[1] = path;
        return Step::kPair;
    }
    const std::string& Path(int pick) const { return paths_[pick]; }
    bool IsFile() const { return isFile_; }

  private:
    int stage_ = 0;
    bool isFile_ = false;
    std::string paths_[2];
};

}  // namespace quillon
