// Copy to Right and Copy to Left from the main window's keys, and the replace dialogs: the disk,
// the rows and the commands' states afterwards.
#include <QPushButton>

#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/BusyGate.h"
#include "ui/CReplaceDialogs.h"

namespace quillon {
namespace {

class CopyCommandsTest : public test::WindowFixture {
  protected:
    void CopyRow(const std::string& name, int destination) {
        View().SelectOnly(RowOf(name));
        EXPECT_TRUE(frame_->CopyAction(destination)->isEnabled()) << name;
        EXPECT_EQ(frame_->CopyAction(1 - destination)->isEnabled(), Row(name)->Has(destination))
            << name;
        Key(destination == kSideRight ? Qt::Key_Right : Qt::Key_Left, Qt::AltModifier);
    }
};

// Alt+Right and Alt+Left copy a file and a folder each way; both panes then hold every row, the
// copied files compare equal, and the four copies are four undoable operations. The folder of 101
// files goes under the frame's progress window, and its expanded rows show the copies.
TEST_F(CopyCommandsTest, FilesAndFoldersBothWays) {
    std::vector<test::TreeEntry> tree{
        {"L/a.txt", "a"}, {"R/a.txt", "old"}, {"R/b.txt", "b"}, {"R/e/y.txt", "y"}};
    for (int i = 0; i < 101; ++i) {
        tree.push_back({"L/d/f" + std::to_string(i), ""});
    }
    dir_.MakeTree(tree);
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().ToggleFolder(RowOf("d"), false);
    progress_.opened.clear();
    CopyRow("a.txt", kSideRight);
    CopyRow("d", kSideRight);
    ASSERT_EQ(progress_.opened.size(), 1u);
    EXPECT_EQ(progress_.opened[0].texts.front(), "Copying the selected files.\n");
    CopyRow("b.txt", kSideLeft);
    CopyRow("e", kSideLeft);

    EXPECT_EQ(View().Doc().Journal().undoList.size(), 4u);
    // Closing the window purges the journal: the backup of the replaced a.txt goes.
    EXPECT_EQ(dir_.List("R").size(), 107u);
    frame_->close();
    EXPECT_TRUE(View().Doc().Journal().undoList.empty());
    EXPECT_EQ(dir_.List("L").size(), 106u);
    EXPECT_EQ(dir_.List("R"), dir_.List("L"));
    for (const char* name : {"a.txt", "b.txt", "d", "e", "f100"}) {
        ASSERT_NE(Row(name), nullptr) << name;
        EXPECT_TRUE(Row(name)->Has(kSideLeft) && Row(name)->Has(kSideRight)) << name;
    }
    EXPECT_EQ(Row("a.txt")->FileState(), StatusSame);
    EXPECT_EQ(Row("b.txt")->FileState(), StatusSame);
    EXPECT_EQ(Row("f100")->FileState(), StatusSame);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_FALSE(BusyGate::Busy());
    ExpectConsistent();
}

struct DialogCase {
    bool folder;
    bool several;
    int click;  // a result, or 0 to close the dialog
    const char* title;
    int buttons;
    int result;
};

class ReplaceDialogTest : public ::testing::TestWithParam<DialogCase> {};

// The asker picks the dialog by the question; each button answers its result and closing answers
// No where there is no Cancel.
TEST_P(ReplaceDialogTest, AnswersByButton) {
    const DialogCase& c = GetParam();
    QString title;
    int buttons = 0;
    test::WhenModal([&](QDialog& dialog) {
        auto& replace = static_cast<CReplaceDialog&>(dialog);
        title = dialog.windowTitle();
        buttons = static_cast<int>(dialog.findChildren<QPushButton*>().size());
        if (c.click == 0) {
            dialog.reject();
        } else {
            replace.Button(c.click)->click();
        }
    });
    ReplaceQuestion question{"a.txt", c.folder, c.several, 1, 0, 2, 0};
    EXPECT_EQ(QtReplaceAsker(nullptr).AskReplace(question), c.result);
    EXPECT_EQ(title.toStdString(), c.title);
    EXPECT_EQ(buttons, c.buttons);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, ReplaceDialogTest,
    ::testing::Values(DialogCase{false, false, mbr::kYes, "Confirm File Replace", 2, mbr::kYes},
                      DialogCase{false, false, 0, "Confirm File Replace", 2, mbr::kNo},
                      DialogCase{false, true, mbr::kYesToAll, "Confirm File Replace", 4,
                                 mbr::kYesToAll},
                      DialogCase{false, true, 0, "Confirm File Replace", 4, mbr::kCancel},
                      DialogCase{true, true, mbr::kNo, "Confirm Folder Replace", 4, mbr::kNo}));

}  // namespace
}  // namespace quillon
