// The main window's delete, rename, paste and undo commands, the Tab key that makes Delete keep no
// backups, and the clipboard's file lists.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QVBoxLayout>

#include "support/WindowFixture.h"
#include "ui/CQuillonView.h"
#include "ui/ClipboardFiles.h"
#include "ui/TabHeld.h"

namespace quillon {
namespace {

// Tab is held from its press to its last release, and the list keeps the focus meanwhile; a
// repeat's release keeps it, and a focus move or a deactivation forgets it.
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
    auto release = [&](bool repeat) {
        QKeyEvent event(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier, QString(), repeat);
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

}  // namespace
}  // namespace quillon
