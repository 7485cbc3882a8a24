#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc/CQuillonDoc.h"
#include "support/FakeRefreshView.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

class DocumentTest : public ::testing::Test {
  protected:
    DocumentTest() {
        dir_.MakeTree({{"top/L/a.txt", "1"},
                       {"top/R/a.txt", "2"},
                       {"top/L2/b.txt", "3"},
                       {"top/f.txt", "x"}});
        doc_.SetFileHandler([this](const std::string& path) { handed_.push_back(path); });
    }
    std::string At(const std::string& relative) const { return dir_ / ("top/" + relative); }
    void ExpandAllFilter() {
        doc_.GetComparison().filter.filterActive = true;
        doc_.GetComparison().filter.expandAll = true;
    }

    test::TestDir dir_;
    test::FakeRefreshView view_;
    CQuillonDoc doc_{nullptr, view_};
    std::vector<std::string> handed_;
};

// Folders fill left, right, then left again; a trailing separator is dropped; a file goes to its
// tool and leaves the pair and the next side alone.
TEST_F(DocumentTest, OpensFillTheSidesInTurn) {
    EXPECT_TRUE(doc_.OpenPath(At("L/")));
    EXPECT_EQ(doc_.Path(0), At("L"));
    EXPECT_EQ(doc_.Next(), NextOpen::kRight);
    EXPECT_TRUE(doc_.OpenPath(At("R")));
    EXPECT_EQ(doc_.Next(), NextOpen::kLeftAfterPair);
    EXPECT_FALSE(doc_.OpenPath(At("f.txt")));
    EXPECT_EQ(handed_, std::vector<std::string>{At("f.txt")});
    EXPECT_EQ(doc_.Next(), NextOpen::kLeftAfterPair);
    EXPECT_TRUE(doc_.OpenPath(At("L2")));
    EXPECT_EQ(doc_.Path(0), At("L2"));
    EXPECT_EQ(doc_.Path(1), At("R"));
    EXPECT_EQ(doc_.Next(), NextOpen::kRight);
}

// A pair that cannot be compared (no left side) puts the previous paths and side back.
TEST_F(DocumentTest, FailedOpenRestoresThePair) {
    doc_.SetNext(FillingSide(kSideRight));
    EXPECT_FALSE(doc_.OpenPath(At("R")));
    EXPECT_EQ(doc_.Path(1), "");
    EXPECT_EQ(doc_.Next(), NextOpen::kRight);
}

// An open reads whole trees once a right side is there; ".." and a new root only after the
// right side was the last one opened.
TEST_F(DocumentTest, WholeTreesFollowTheFilterAndTheSides) {
    ExpandAllFilter();
    doc_.OpenPath(At("L"));
    EXPECT_FALSE(doc_.GetComparison().readWholeTrees);
    doc_.OpenPath(At("R"));
    EXPECT_TRUE(doc_.GetComparison().readWholeTrees);
    doc_.SetNext(FillingSide(kSideLeft));
    doc_.OpenPath(At("L2"));
    EXPECT_TRUE(doc_.GetComparison().readWholeTrees);
    ASSERT_TRUE(doc_.GoUp());
    EXPECT_EQ(doc_.Path(0), dir_ / "top");
    EXPECT_FALSE(doc_.GetComparison().readWholeTrees);
    doc_.SetNext(NextOpen::kLeftAfterPair);
    doc_.GoUp();
    EXPECT_TRUE(doc_.GetComparison().readWholeTrees);
}

}  // namespace
}  // namespace quillon
