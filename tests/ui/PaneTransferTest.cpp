// Files leaving and entering the panes: the URI encoding of file lists, drops onto the list (as
// journalled copies and moves), the drop checks and the pane's rows put on the clipboard.
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

#include "fileops/DropRules.h"
#include "platform/Prompter.h"
#include "support/FileOpsSupport.h"
#include "support/WindowFixture.h"
#include "ui/CDropCombo.h"
#include "ui/ClipboardFiles.h"
#include "ui/PaneTransfer.h"

namespace quillon {
namespace {

class UriRoundTripTest : public ::testing::TestWithParam<std::string> {};

// Every byte a name may hold comes back unchanged through both list formats, and none of the
// bytes that end a line, start a fragment or escape travels unescaped.
TEST_P(UriRoundTripTest, NamesComeBackAsTheyWere) {
    const std::vector<std::string> paths{GetParam(), "/plain/b.txt"};
    const std::string uri = FileUriFromPath(GetParam());
    EXPECT_EQ(uri.find_first_of(" #?\n\r\t", 7), std::string::npos) << uri;
    for (char c : uri.substr(7)) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80) << uri;
    }
    EXPECT_EQ(PathsFromUriList(UriListFromPaths(paths)), paths);
    for (bool cut : {false, true}) {
        bool readCut = !cut;
        EXPECT_EQ(PathsFromGnomeCopiedFiles(GnomeCopiedFilesFromPaths(paths, cut), &readCut),
                  paths);
        EXPECT_EQ(readCut, cut);
        std::unique_ptr<QMimeData> data(MimeDataForPaths(paths, cut));
        readCut = !cut;
        EXPECT_EQ(ClipboardFilePaths(data.get(), &readCut), paths);
        EXPECT_EQ(readCut, cut);
    }
}

INSTANTIATE_TEST_SUITE_P(HostileNames, UriRoundTripTest,
                         ::testing::Values("/tmp/a b.txt", "/tmp/#hash#", "/tmp/100%25 %",
                                           "/tmp/line\nbreak", "/tmp/cr\r\n", "/tmp/raw\xff\xfe",
                                           "/tmp/caf\xc3\xa9/x?y=1", "/tmp/-lead 'q' \"dq\" $(x);",
                                           "/tmp/ trailing ", "/", "/tmp/%00"));

class PaneTransferTest : public test::WindowFixture {
  protected:
    FrameServices Services() {
        FrameServices services = WindowFixture::Services();
        services.replaceAsker = &asker_;
        return services;
    }
    CMainFrame& Make() {
        frame_ = std::make_unique<CMainFrame>(&store_, Services());
        frame_->resize(900, 500);
        frame_->show();
        Activate();
        return *frame_;
    }
    QPoint Cell(int row, int side) {
        return View().visualRect(Model().index(row, side * Model().ColumnsPerSide())).center();
    }
    void DropFromOutside(const std::vector<std::string>& paths, const QPoint& at) {
        std::unique_ptr<QMimeData> data(MimeDataForPaths(paths, false));
        // A drop reaches only the widget that took the drag's entry.
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(View().viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(View().viewport(), &drop);
    }
    PaneTransfer& Transfer() { return frame_->Transfer(); }
    test::FakeAsker asker_;
};

// A file dropped from outside onto a folder row of the right pane replaces the one there after
// the question, keeping a backup; Undo puts the old file back.
TEST_F(PaneTransferTest, DropFromOutsideIsAJournalledCopy) {
    dir_.MakeTree({{"L/d/x.txt", "left"}, {"R/d/x.txt", "old"}, {"out/x.txt", "new"}});
    Make();
    Open(dir_ / "L", dir_ / "R");
    DropFromOutside({dir_ / "out/x.txt"}, Cell(RowOf("d"), kSideRight));
    EXPECT_EQ(asker_.asked, std::vector<std::string>{"x.txt"});
    EXPECT_EQ(dir_.ReadFile("R/d/x.txt"), "new");
    EXPECT_EQ(dir_.ReadFile("out/x.txt"), "new");
    EXPECT_EQ(dir_.ReadFile("L/d/x.txt"), "left");
    EXPECT_EQ(dir_.List("R/d").size(), 2u);
    ASSERT_TRUE(frame_->UndoAction()->isEnabled());
    frame_->UndoAction()->trigger();
    EXPECT_EQ(dir_.List("R/d"), std::vector<std::string>{"x.txt"});
    EXPECT_EQ(dir_.ReadFile("R/d/x.txt"), "old");
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(Transfer().DropRow(), -1);
    ExpectConsistent();
}

// A drop onto the right half of a folder that only the left pane has makes the folder there and
// copies into it; the rows then show the folder on both sides.
TEST_F(PaneTransferTest, DropOntoAFolderThePaneLacksMakesIt) {
    dir_.MakeTree({{"L/only/deep/a.txt", "a"}, {"R/", ""}, {"out/x.txt", "new"}});
    Make();
    Open(dir_ / "L", dir_ / "R");
    View().ToggleFolder(RowOf("only"), false);
    DropFromOutside({dir_ / "out/x.txt"}, Cell(RowOf("deep"), kSideRight));
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(dir_.ReadFile("R/only/deep/x.txt"), "new");
    EXPECT_EQ(dir_.ReadFile("out/x.txt"), "new");
    EXPECT_TRUE(Model().ItemAt(RowOf("deep"))->Has(kSideRight));
    ExpectConsistent();
}

// A right-button drag from the left pane to the right one offers the drop menu: Move Here moves
// the file, and Undo moves it back; Cancel changes nothing.
TEST_F(PaneTransferTest, RightButtonDragMovesAfterTheMenu) {
    dir_.MakeTree({{"L/a.txt", "a"}, {"L/d/", ""}, {"R/d/", ""}});
    Make();
    Open(dir_ / "L", dir_ / "R");
    std::vector<DropChoice> answers{DropChoice::kCancel, DropChoice::kMove};
    Transfer().SetDropMenuChooser([&](const QPoint&) {
        DropChoice choice = answers.front();
        answers.erase(answers.begin());
        return choice;
    });
    for (int round = 0; round < 2; ++round) {
        View().SelectOnly(RowOf("a.txt"));
        std::unique_ptr<QMimeData> data(Transfer().BeginDrag(kSideLeft, RowOf("a.txt"), true));
        ASSERT_TRUE(data);
        EXPECT_TRUE(data->hasFormat(PaneTransfer::PrivateMimeType()));
        ASSERT_TRUE(Transfer().CanDropAt(data.get(), Cell(RowOf("d"), kSideRight)));
        Transfer().DropAt(data.get(), Cell(RowOf("d"), kSideRight));
        EXPECT_EQ(dir_.Exists("L/a.txt"), round == 0);
    }
    EXPECT_EQ(dir_.ReadFile("R/d/a.txt"), "a");
    frame_->UndoAction()->trigger();
    EXPECT_EQ(dir_.ReadFile("L/a.txt"), "a");
    EXPECT_FALSE(dir_.Exists("R/d/a.txt"));
    EXPECT_TRUE(answers.empty());
}

struct RefusedDrop {
    const char* dragged;  // a row of the left pane
    int targetSide;
    const char* target;  // the row dropped on
    bool move;
    bool cursor;       // the drag shows the copy cursor there
    const char* text;  // the refusal, empty when the drop goes ahead
};

class PaneDropCheckTest : public PaneTransferTest,
                          public ::testing::WithParamInterface<RefusedDrop> {};

// Which drags from the panes show the copy cursor, and which drops are refused with what.
TEST_P(PaneDropCheckTest, RefusesDropsIntoTheirOwnFolders) {
    const RefusedDrop& c = GetParam();
    dir_.MakeTree({{"L/d/sub/f.txt", "f"}, {"L/top.txt", "t"}, {"R/d/sub/", ""}});
    Make();
    Open(dir_ / "L", dir_ / "R");
    View().ToggleFolder(RowOf("d"), true);
    Transfer().SetDropMenuChooser(
        [&](const QPoint&) { return c.move ? DropChoice::kMove : DropChoice::kCopy; });
    View().SelectOnly(RowOf(c.dragged));
    std::unique_ptr<QMimeData> data(Transfer().BeginDrag(kSideLeft, RowOf(c.dragged), true));
    ASSERT_TRUE(data);
    const QPoint at = Cell(RowOf(c.target), c.targetSide);
    EXPECT_EQ(Transfer().CanDropAt(data.get(), at), c.cursor);
    Transfer().DropAt(data.get(), at);
    if (*c.text) {
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.text});
        EXPECT_EQ(dir_.List("L"),
                  (std::vector<std::string>{"d/", "d/sub/", "d/sub/f.txt", "top.txt"}));
        EXPECT_EQ(dir_.List("R"), (std::vector<std::string>{"d/", "d/sub/"}));
    } else {
        EXPECT_TRUE(prompter_.shown.empty());
        EXPECT_EQ(dir_.List(c.targetSide == kSideLeft ? "L/d" : "R/d/sub").size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Drops, PaneDropCheckTest,
    ::testing::Values(
        RefusedDrop{"d", kSideLeft, "sub", false, false,
                    "Cannot copy d: The destination folder is under the source folder"},
        RefusedDrop{"d", kSideLeft, "sub", true, false,
                    "Cannot move d: The destination folder is under the source folder"},
        RefusedDrop{"top.txt", kSideLeft, "d", true, true, ""},
        RefusedDrop{"top.txt", kSideLeft, "top.txt", true, false,
                    "Cannot move top.txt: The destination folder is the same as the source "
                    "folder"},
        RefusedDrop{"d", kSideRight, "sub", false, true, ""}));

// Ctrl+C puts the asked pane's rows on the clipboard in both list formats; Ctrl+X and Ctrl+V in
// the other pane move them there, and the clipboard is emptied after the move.
TEST_F(PaneTransferTest, ClipboardCopyAndCut) {
    dir_.MakeTree({{"L/a b.txt", "a"}, {"L/d/", ""}, {"R/d/", ""}, {"R/a b.txt", "r"}});
    Make();
    Open(dir_ / "L", dir_ / "R");
    int side = kSideRight;
    std::vector<std::string> questions;
    frame_->SetSideChooser([&](const QString& question, int) {
        questions.push_back(question.toStdString());
        return side;
    });
    View().SelectOnly(RowOf("a b.txt"));
    Key(Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->data(kMimeUriList).toStdString(), FileUriFromPath(dir_ / "R/a b.txt") + "\r\n");
    EXPECT_EQ(data->data(kMimeGnomeCopiedFiles).toStdString(),
              "copy\n" + FileUriFromPath(dir_ / "R/a b.txt"));

    side = kSideLeft;
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ClipboardFilePaths(QGuiApplication::clipboard()->mimeData()),
              std::vector<std::string>{dir_ / "L/a b.txt"});
    side = kSideRight;
    View().SelectOnly(RowOf("d"));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(dir_.Exists("L/a b.txt"));
    EXPECT_EQ(dir_.ReadFile("R/d/a b.txt"), "a");
    EXPECT_TRUE(ClipboardFilePaths(QGuiApplication::clipboard()->mimeData()).empty());
    EXPECT_EQ(questions, (std::vector<std::string>{kAskClipboardSide, kAskClipboardSide,
                                                   "Please select which side of the selected "
                                                   "item to be pasted as its child."}));
    frame_->UndoAction()->trigger();
    EXPECT_EQ(dir_.ReadFile("L/a b.txt"), "a");
}

// Into a pane without a folder one dropped folder opens there and empties the undo journal;
// two items are refused.
TEST_F(PaneTransferTest, FoldersDroppedOnAnEmptyPaneOpen) {
    dir_.MakeTree(
        {{"L/a.txt", "a"}, {"L/d/", ""}, {"R/a.txt", "b"}, {"R/d/", ""}, {"R2/a.txt", "c"}});
    Make();
    ASSERT_TRUE(frame_->OpenPath(dir_ / "L"));
    const QPoint right(View().viewport()->width() * 3 / 4, 5);
    DropFromOutside({dir_ / "R", dir_ / "R2"}, right);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kDropMultipleOnEmptyText});
    EXPECT_TRUE(View().Doc().Path(kSideRight).empty());
    DropFromOutside({dir_ / "R"}, right);
    EXPECT_EQ(View().Doc().Path(kSideRight), dir_ / "R");
    EXPECT_EQ(frame_->Combo(kSideRight)->currentText().toStdString(), dir_ / "R");
    EXPECT_EQ(Row("a.txt")->FileState(), StatusDifferent);

    // On a folder row the question decides: Yes opens the folder in that pane.
    prompter_.shown.clear();
    prompter_.script = {mbr::kYes};
    DropFromOutside({dir_ / "R2"}, Cell(RowOf("d"), kSideRight));
    EXPECT_EQ(View().Doc().Path(kSideRight), dir_ / "R2");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].key, kDropOpenVsCopyKey);
    EXPECT_TRUE(dir_.List("R/d").empty());
}

}  // namespace
}  // namespace quillon
