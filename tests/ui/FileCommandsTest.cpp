// The main window's delete, rename, paste and undo commands, the Tab key that makes Delete keep no
// backups, and the clipboard's file lists.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/CDropCombo.h"
#include "ui/CQuillonView.h"
#include "ui/CUndoHistory.h"
#include "ui/ClipboardFiles.h"
#include "ui/FileCommands.h"
#include "ui/HelpLink.h"
#include "ui/TabHeld.h"

namespace quillon {
namespace {

// Tab is held from its press to its last release (also one under Shift), and the list keeps the
// focus meanwhile; a repeat's release keeps it, and a focus move or a deactivation forgets it.
TEST(TabHeldFilterTest, FollowsTheKeyAndForgetsItWhenTheFocusGoes) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* list = new CQuillonView(nullptr, nullptr, &window);
    auto* box = new QLineEdit(&window);
    layout->addWidget(list);
    layout->addWidget(box);
    window.show();
    QApplication::setActiveWindow(&window);
    list->setFocus();
    TabHeldFilter tab;
    auto release = [&](bool repeat, Qt::Key key = Qt::Key_Tab) {
        QKeyEvent event(QEvent::KeyRelease, key, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(list, &event);
    };
    QTest::keyPress(list, Qt::Key_Tab);
    EXPECT_TRUE(tab.Held());
    EXPECT_EQ(QApplication::focusWidget(), list);
    release(true);
    EXPECT_TRUE(tab.Held());
    release(false);
    EXPECT_FALSE(tab.Held());
    QTest::keyPress(list, Qt::Key_Tab);
    release(false, Qt::Key_Backtab);
    EXPECT_FALSE(tab.Held());

    QTest::keyPress(list, Qt::Key_Tab);
    box->setFocus();
    EXPECT_FALSE(tab.Held());

    for (QEvent::Type type : {QEvent::ApplicationDeactivate, QEvent::WindowDeactivate}) {
        list->setFocus();
        QTest::keyPress(list, Qt::Key_Tab);
        EXPECT_TRUE(tab.Held());
        QEvent event(type);
        QApplication::sendEvent(
            type == QEvent::WindowDeactivate ? static_cast<QObject*>(&window) : qApp, &event);
        EXPECT_FALSE(tab.Held()) << type;
    }
}

struct ClipCase {
    const char* mime;
    const char* data;
    std::vector<std::string> paths;
};

class ClipboardFilesTest : public ::testing::TestWithParam<ClipCase> {};

// Local file URIs become full paths (escapes decoded to bytes, trailing separator dropped);
// comments, other schemes and hosts, broken escapes and GNOME lists without a verb give nothing.
TEST_P(ClipboardFilesTest, ReadsLocalFiles) {
    const ClipCase& c = GetParam();
    const bool gnome = std::string(c.mime) == kMimeGnomeCopiedFiles;
    EXPECT_EQ(gnome ? PathsFromGnomeCopiedFiles(c.data) : PathsFromUriList(c.data), c.paths)
        << c.data;
}

// The clipboard's URI list wins over GNOME's; plain text is no file list.
TEST(ClipboardFilesTest, PrefersTheUriList) {
    QMimeData data;
    data.setText("file:///tmp/text");
    EXPECT_TRUE(ClipboardFilePaths(&data).empty());
    data.setData(kMimeGnomeCopiedFiles, "copy\nfile:///tmp/gnome");
    EXPECT_EQ(ClipboardFilePaths(&data), std::vector<std::string>{"/tmp/gnome"});
    data.setData(kMimeUriList, "file:///tmp/uri%20list\r\n");
    EXPECT_EQ(ClipboardFilePaths(&data), std::vector<std::string>{"/tmp/uri list"});
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ClipboardFilesTest,
    ::testing::Values(
        ClipCase{kMimeUriList,
                 "# from a file manager\r\nfile:///home/u/a%20b.txt\r\nfile:///home/u/dir/\r\n",
                 {"/home/u/a b.txt", "/home/u/dir"}},
        ClipCase{kMimeUriList,
                 "FILE://localhost/tmp/x\nfile:/tmp/y\r\nfile:///\n",
                 {"/tmp/x", "/tmp/y", "/"}},
        ClipCase{kMimeUriList,
                 "file:///tmp/caf%C3%A9\nfile:///tmp/raw%FF\n",
                 {"/tmp/café", "/tmp/raw\xff"}},
        ClipCase{kMimeUriList,
                 "http://example.com/a\nfile://server/share/a\nfile:relative\n"
                 "file:///bad%2\nfile:///nul%00x\nfile:///bad%zz\nsmb:///x\n",
                 {}},
        ClipCase{kMimeGnomeCopiedFiles,
                 "copy\nfile:///tmp/a\nfile:///tmp/b%23c",
                 {"/tmp/a", "/tmp/b#c"}},
        ClipCase{kMimeGnomeCopiedFiles, "cut\nfile:///tmp/a\n", {"/tmp/a"}},
        ClipCase{kMimeGnomeCopiedFiles, "file:///tmp/a\nfile:///tmp/b\n", {}},
        ClipCase{kMimeGnomeCopiedFiles, "", {}}));

class FileCommandsTest : public test::WindowFixture {
  protected:
    void Select(const std::string& name) { View().SelectOnly(RowOf(name)); }
    QLineEdit* Editor() {
        for (auto* editor : View().viewport()->findChildren<QLineEdit*>()) {
            if (!editor->isHidden()) {
                return editor;
            }
        }
        return nullptr;
    }
    // Enter ends the edit; the editor hands over its text on the next turn of the event loop.
    void Commit(const QString& text) {
        Editor()->setText(text);
        QTest::keyClick(Editor(), Qt::Key_Return);
        QApplication::processEvents();
    }
    bool HasBackup(const std::string& folder) {
        for (const std::string& entry : dir_.List(folder)) {
            if (entry.find("$diffundo") != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

// Shift+Delete deletes on the right only and Delete from both panes; each Ctrl+Z puts the newest
// deletion back, the rows follow the disk and the restored row is selected. With Tab held, Delete
// keeps no backup and leaves nothing to undo.
TEST_F(FileCommandsTest, DeleteKeysAndUndo) {
    dir_.MakeTree({{"L/a.txt", "a"},
                   {"R/a.txt", "a"},
                   {"L/b.txt", "b"},
                   {"R/b.txt", "b2"},
                   {"L/c.txt", "c"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    EXPECT_FALSE(frame_->UndoAction()->isEnabled());
    Select("a.txt");
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_FALSE(dir_.Exists("R/a.txt"));
    EXPECT_TRUE(dir_.Exists("L/a.txt"));
    EXPECT_EQ(Row("a.txt")->FileState(), StatusLeftOnly);
    Select("b.txt");
    Key(Qt::Key_Delete);
    EXPECT_FALSE(dir_.Exists("L/b.txt") || dir_.Exists("R/b.txt"));
    EXPECT_EQ(RowOf("b.txt"), -1);
    EXPECT_TRUE(HasBackup("L") && HasBackup("R"));
    EXPECT_TRUE(frame_->UndoAction()->isEnabled());

    Select("a.txt");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dir_.ReadFile("L/b.txt"), "b");
    EXPECT_EQ(dir_.ReadFile("R/b.txt"), "b2");
    ASSERT_NE(RowOf("b.txt"), -1);
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{RowOf("b.txt")});
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dir_.ReadFile("R/a.txt"), "a");
    EXPECT_EQ(Row("a.txt")->FileState(), StatusSame);
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{RowOf("a.txt")});
    EXPECT_FALSE(frame_->UndoAction()->isEnabled());
    EXPECT_TRUE(frame_->RedoAction()->isEnabled());
    EXPECT_FALSE(HasBackup("L") || HasBackup("R"));

    Select("c.txt");
    QTest::keyPress(&View(), Qt::Key_Tab);
    EXPECT_TRUE(frame_->TabHeld());
    Key(Qt::Key_Delete);
    QTest::keyRelease(&View(), Qt::Key_Tab);
    EXPECT_FALSE(dir_.Exists("L/c.txt"));
    EXPECT_FALSE(HasBackup("L"));
    EXPECT_FALSE(frame_->UndoAction()->isEnabled());
    EXPECT_TRUE(prompter_.shown.empty());
    ExpectConsistent();
}

// The history list shows the operations newest first in its four columns; an Undo that does not
// start at the top is refused and changes nothing, one that does undoes those operations.
TEST_F(FileCommandsTest, HistoryUndoesOnlyFromTheTop) {
    dir_.MakeTree({{"L/a.txt", "a"}, {"L/b.txt", "b"}, {"L/c.txt", "c"}, {"R/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        Select(name);
        Key(Qt::Key_Delete, Qt::ControlModifier);
    }
    ASSERT_TRUE(dir_.List("L").size() == 3u && HasBackup("L"));
    std::vector<std::string> headers;
    std::vector<int> widths;
    std::vector<std::string> firstColumn;
    std::vector<std::string> refusals;
    test::WhenModal([&](QDialog& dialog) {
        auto& history = static_cast<CUndoHistory&>(dialog);
        QTableWidget* list = history.List();
        for (int c = 0; c < list->columnCount(); ++c) {
            headers.push_back(list->horizontalHeaderItem(c)->text().toStdString());
            widths.push_back(list->columnWidth(c));
        }
        for (int r = 0; r < list->rowCount(); ++r) {
            firstColumn.push_back(list->item(r, 0)->text().toStdString());
        }
        EXPECT_EQ(list->item(0, 0)->textAlignment() & Qt::AlignRight, Qt::AlignRight);
        EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
        list->clearSelection();
        list->selectRow(1);
        list->selectionModel()->select(list->model()->index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        history.Button(CUndoHistory::kUndo)->click();
        for (const PromptRequest& shown : prompter_.shown) {
            refusals.push_back(shown.text);
        }
        EXPECT_EQ(list->rowCount(), 3);
        list->clearSelection();
        list->selectRow(0);
        list->selectionModel()->select(list->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        history.Button(CUndoHistory::kUndo)->click();
        EXPECT_EQ(list->rowCount(), 1);
        history.Button(CUndoHistory::kClose)->click();
    });
    Key(Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(headers, (std::vector<std::string>{"#", "Last Action", "# Files", "File/Folder(s)"}));
    EXPECT_EQ(widths, (std::vector<int>{30, 105, 45, 397}));
    ASSERT_EQ(firstColumn.size(), 3u);
    EXPECT_GT(std::stoi(firstColumn[0]), std::stoi(firstColumn[2]));
    EXPECT_EQ(refusals, std::vector<std::string>{kUndoNotFromTop});
    EXPECT_EQ(dir_.ReadFile("L/b.txt"), "b");
    EXPECT_EQ(dir_.ReadFile("L/c.txt"), "c");
    EXPECT_FALSE(dir_.Exists("L/a.txt"));
    EXPECT_NE(RowOf("b.txt"), -1);
    EXPECT_EQ(View().Doc().Journal().undoList.size(), 1u);

    // The internals box lists what is left; switching Undo off drops it with its backup.
    prompter_.shown.clear();
    Activate();
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].caption, "Undo list");
    EXPECT_NE(prompter_.shown[0].text.find("a.txt"), std::string::npos);
    ASSERT_TRUE(HasBackup("L"));
    frame_->EnableUndoAction()->trigger();
    EXPECT_FALSE(HasBackup("L"));
    EXPECT_EQ(Int("Misc.", "EnableUndo"), 0);
    EXPECT_FALSE(frame_->AvailableUndosAction()->isEnabled());
    EXPECT_FALSE(frame_->UndoInternalsAction()->isEnabled());
    // The dialog's Help opens the README's section on undo.
    const std::string readme =
        test::ReadWholeFile(HelpUrl(kHelpUndoHistory).toLocalFile().toStdString());
    EXPECT_NE(readme.find("\n## Undo\n"), std::string::npos);
}

// F2 asks the side, opens the editor on that pane's name, and Enter renames on disk; the renamed
// row is selected. Escape cancels, and Ctrl+F2 needs a name in the left pane.
TEST_F(FileCommandsTest, RenameInPlace) {
    dir_.MakeTree({{"L/a.txt", "left"}, {"R/a.txt", "right"}, {"R/only.txt", "o"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    std::vector<std::string> questions;
    frame_->SetSideChooser([&](const QString& question, int) {
        questions.push_back(question.toStdString());
        return kSideRight;
    });
    Select("a.txt");
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "a.txt");
    QTest::keyClick(Editor(), Qt::Key_Escape);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_TRUE(dir_.Exists("R/a.txt"));

    Key(Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    Commit("b.txt");
    EXPECT_EQ(questions, std::vector<std::string>(2, kAskRenameSide));
    EXPECT_EQ(dir_.List("R"), (std::vector<std::string>{"b.txt", "only.txt"}));
    EXPECT_EQ(dir_.ReadFile("L/a.txt"), "left");
    ASSERT_NE(RowOf("b.txt"), -1);
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{RowOf("b.txt")});

    Select("only.txt");
    Key(Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_TRUE(prompter_.shown.empty());
    ExpectConsistent();
}

// A new folder in the left pane shows up selected with its name editor open; the name typed there
// is its name on disk.
TEST_F(FileCommandsTest, NewFolderOpensItsNameEditor) {
    dir_.MakeTree({{"L/d/x.txt", "x"}, {"R/d/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    Select("d");
    frame_->NewFolderAction(kSideLeft)->trigger();
    ASSERT_TRUE(dir_.Exists("L/d/New Folder"));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "New Folder");
    Commit("made");
    EXPECT_EQ(dir_.List("L/d"), (std::vector<std::string>{"made/", "x.txt"}));
    ASSERT_NE(RowOf("made"), -1);
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{RowOf("made")});
    ExpectConsistent();
}

// Ctrl+V copies the clipboard's files into the selected folder of the pane asked for; a path box
// with the focus takes the clipboard's text instead.
TEST_F(FileCommandsTest, PasteFromTheClipboard) {
    dir_.MakeTree({{"L/d/", ""}, {"R/d/", ""}, {"out/new file.txt", "n"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    frame_->SetSideChooser([](const QString&, int) { return kSideRight; });
    auto* data = new QMimeData;
    data->setData(kMimeUriList,
                  QByteArray::fromStdString("file://" + (dir_ / "out/new%20file.txt") + "\r\n"));
    data->setText("typed");
    QGuiApplication::clipboard()->setMimeData(data);
    Select("d");
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dir_.ReadFile("R/d/new file.txt"), "n");
    EXPECT_TRUE(dir_.List("L/d").empty());

    QLineEdit* box = frame_->Combo(kSideLeft)->lineEdit();
    box->clear();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "typed");
    EXPECT_EQ(dir_.List("R/d").size(), 1u);
}

}  // namespace
}  // namespace quillon
