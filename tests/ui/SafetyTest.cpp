// Commands during a read (a use-after-free under the sanitizer), non-UTF-8 names, the glyph click.
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/CQuillonApp.h"
#include "core/Refresh.h"
#include "platform/Log.h"
#include "platform/RunContext.h"
#include "support/WindowFixture.h"
#include "ui/CDropCombo.h"
#include "ui/CProgressWnd.h"
#include "ui/QtTimerPort.h"

namespace quillon {
namespace {

// A progress window that hands itself to the test's hook at its first Update.
template <class Sink>
class Hooked : public Sink {
  public:
    template <class... Args>
    explicit Hooked(std::function<void(ProgressSink&)>& hook, Args&&... args)
        : Sink(std::forward<Args>(args)...), hook_(hook) {}
    bool Update(std::string_view text, uint64_t position) override {
        if (auto hook = std::exchange(hook_, nullptr)) {
            hook(*this);
        }
        return Sink::Update(text, position);
    }

  private:
    std::function<void(ProgressSink&)>& hook_;
};

// Real progress windows, or recording sinks that pump nothing (only the wait cursor shows).
class HookedProgress : public ProgressFactory {
  public:
    std::unique_ptr<ProgressSink> Open(std::string_view caption) override {
        if (!realWindows) {
            return std::make_unique<Hooked<test::FakeProgressSink>>(hook, records_.emplace_back(),
                                                                    -1);
        }
        auto window = std::make_unique<Hooked<CProgressWnd>>(hook, nullptr);
        window->Create(nullptr, caption);
        return window;
    }
    bool realWindows = true;
    std::function<void(ProgressSink&)> hook;

  private:
    std::deque<test::ProgressRecord> records_;
};

class SafetyTest : public test::WindowFixture {
  protected:
    void SetUp() override {
        progressFactory_ = &hooked_;
        RunContext::Current().locateTool = [](std::string_view) { return std::string(); };
        modalCloser_.setSingleShot(true);
        QObject::connect(&modalCloser_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++dialogsOpened_;
                dialog->reject();
            }
        });
    }

    HookedProgress hooked_;
    // Rejects a dialog that a command under test opened, so a refused command cannot hang.
    QTimer modalCloser_;
    int dialogsOpened_ = 0;
};

class CommandsDuringReadTest;

struct BusyCommand {
    const char* name;
    void (*fire)(CommandsDuringReadTest&);
};

class CommandsDuringReadTest : public SafetyTest,
                               public ::testing::WithParamInterface<std::tuple<int, bool>> {
  public:
    static const std::vector<BusyCommand>& Commands();

  protected:
    void Fire() { Commands()[size_t(std::get<0>(GetParam()))].fire(*this); }
};

// Each as the user gives it: keys to the focused list, clicks, the path box, the timer.
const std::vector<BusyCommand>& CommandsDuringReadTest::Commands() {
    using C = CommandsDuringReadTest;
    static const std::vector<BusyCommand> commands = {
        {"Reset", [](C& c) { c.Key(Qt::Key_N, Qt::ControlModifier); }},
        {"Refresh", [](C& c) { c.Key(Qt::Key_F5); }},
        {"Rescan", [](C& c) { c.Key(Qt::Key_F5, Qt::ControlModifier); }},
        {"Filter", [](C& c) { c.Key(Qt::Key_F3); }},
        {"Preferences", [](C& c) { c.Key(Qt::Key_F6); }},
        {"Enter", [](C& c) { c.Key(Qt::Key_Return); }},
        {"GlyphClick",
         [](C& c) {
             if (c.RowOf("Big") >= 0) {
                 c.ClickGlyph(c.RowOf("Big"));
             }
         }},
        {"PathBox",
         [](C& c) {
             QLineEdit* edit = c.frame_->Combo(0)->lineEdit();
             edit->setText(QString::fromStdString(c.dir_ / "Other"));
             QTest::keyClick(edit, Qt::Key_Return);
         }},
        {"AutoRefreshTick",
         [](C& c) {
             for (QTimer* timer : c.frame_->TimerPort()->findChildren<QTimer*>()) {
                 QMetaObject::invokeMethod(timer, "timeout");
             }
         }},
        {"CloseWindow", [](C& c) { c.frame_->close(); }},
    };
    return commands;
}

// Whatever the user does while a pair is read or a folder expanded, the read completes.
TEST_P(CommandsDuringReadTest, WaitsForTheRead) {
    std::vector<test::TreeEntry> tree = {{"Other/o.txt", "1"}};
    for (int i = 100; i < 205; ++i) {
        const std::string n = std::to_string(i);
        tree.insert(
            tree.end(),
            {{"L/t" + n, "1"}, {"R/t" + n, "2"}, {"L/Big/f" + n, "1"}, {"R/Big/f" + n, "1"}});
    }
    dir_.MakeTree(tree);
    hooked_.realWindows = std::get<1>(GetParam());
    store_.WriteProfileInt("Settings", "LogEnabled", 1);
    CQuillonApp(store_).StartRun();
    MakeFrame();
    frame_->EnableAutoRefreshAction()->trigger();
    ASSERT_TRUE(frame_->OpenPath(dir_ / "L"));
    auto fire = [this](ProgressSink&) {
        Activate();
        modalCloser_.start(0);
        Fire();
    };
    hooked_.hook = fire;
    ASSERT_TRUE(frame_->OpenPath(dir_ / "R"));
    EXPECT_FALSE(hooked_.hook) << "no progress was shown";
    EXPECT_EQ(Model().RowCount(), 2 + 105);
    EXPECT_EQ(View().Doc().Path(0), dir_ / "L");
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R");
    ExpectConsistent();
    const int big = RowOf("Big");
    ASSERT_GE(big, 0);
    View().SelectOnly(big);
    hooked_.hook = fire;
    Activate();
    Key(Qt::Key_Return);
    EXPECT_FALSE(hooked_.hook) << "no progress was shown";
    EXPECT_EQ(RowOf("f100"), big + 1);
    EXPECT_EQ(Model().RowCount(), 2 + 105 + 105);
    ExpectConsistent();
    EXPECT_EQ(dialogsOpened_, 0);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(frame_->isVisible());
    const std::string log = LogText();
    EXPECT_EQ(log.find(kLogEnterAutoRefresh), std::string::npos);
    EXPECT_EQ(log.find("OnTimer()"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandsDuringReadTest,
    ::testing::Combine(::testing::Range(0, int(CommandsDuringReadTest::Commands().size())),
                       ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
        return std::string(
                   CommandsDuringReadTest::Commands()[size_t(std::get<0>(info.param))].name) +
               (std::get<1>(info.param) ? "_ProgressWindow" : "_WaitCursor");
    });

// A Latin-1 name keeps its bytes through ENTER, refresh, side roots, path box, "..", link and open.
TEST_F(SafetyTest, NonUtf8NamesKeepTheirBytes) {
    const std::string cafe = "caf\xe9";
    dir_.MakeTree({{"L/" + cafe + "/in.txt", "1"},
                   {"R/" + cafe + "/in.txt", "1"},
                   {"L/" + cafe + ".txt", "x"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SelectOnly(RowOf(cafe));
    Key(Qt::Key_Return);
    ASSERT_NE(RowOf("in.txt"), -1);
    dir_.WriteFile("R/" + cafe + "/new.txt", "n");
    Key(Qt::Key_F5);
    ASSERT_NE(RowOf("new.txt"), -1);
    EXPECT_EQ(Model().ItemAt(RowOf("new.txt"))->FileState(), StatusRightOnly);

    frame_->SetSideChooser([](const QString&, int) { return ADD_FAILURE(), -1; });
    for (int side = 0; side < 2; ++side) {
        View().SelectOnly(RowOf(cafe));
        Key(side == 0 ? Qt::Key_Left : Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(View().Doc().Path(0), dir_ / ("L/" + cafe));
    EXPECT_EQ(View().Doc().Path(1), dir_ / ("R/" + cafe));
    std::vector<std::string> folders;
    store_.ReadMruList(settings::kMruDir2Open, folders);
    EXPECT_EQ(folders, (std::vector<std::string>{dir_ / ("L/" + cafe), dir_ / ("R/" + cafe)}));
    frame_->ReloadSide(1);
    EXPECT_EQ(View().Doc().Path(1), dir_ / ("R/" + cafe));
    frame_->OnComboEnter(1);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_NE(RowOf("new.txt"), -1);

    View().SelectOnly(0);
    Key(Qt::Key_Return);
    EXPECT_EQ(View().Doc().Path(0), dir_ / "L");
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R");

    View().Link().Set(true);
    const int row = RowOf(cafe);
    for (int side = 0; side < 2; ++side) {
        QRect cell = View().visualRect(Model().index(row, side * Model().ColumnsPerSide()));
        View().Link().Click(cell.center());
    }
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_NE(launcher_.requests[0].commandLine.find(dir_ / ("L/" + cafe)), std::string::npos);
    EXPECT_NE(launcher_.requests[0].commandLine.find(dir_ / ("R/" + cafe)), std::string::npos);

    // Any existing path stands for the editor: the launcher only records.
    RunContext::Current().locateTool = [this](std::string_view) { return dir_.Path(); };
    EXPECT_FALSE(frame_->OpenPath(dir_ / ("L/" + cafe + ".txt")));
    ASSERT_EQ(launcher_.requests.size(), 2u);
    EXPECT_EQ(launcher_.requests[1].commandLine,
              dir_.Path() + " \"" + (dir_ / ("L/" + cafe + ".txt")) + "\"");
}

// Cancel or close stops a read; under expand-all a glyph click reads one level, as ENTER does.
TEST_F(SafetyTest, CancelStopsTheReadAndGlyphClickExpandsLikeEnter) {
    std::vector<test::TreeEntry> tree = {{"L/A/B/deep.txt", "1"},
                                         {"R/A/B/deep.txt", "2"},
                                         {"L/A/x.txt", "1"},
                                         {"R/A/x.txt", "2"},
                                         {"L/Solo/s.txt", "1"}};
    for (int i = 0; i < 105; ++i) {
        tree.push_back({"Big/f" + std::to_string(i), "1"});
    }
    dir_.MakeTree(tree);
    MakeFrame();
    for (bool byClose : {false, true}) {
        hooked_.hook = [byClose](ProgressSink& sink) {
            auto& window = dynamic_cast<CProgressWnd&>(sink);
            if (byClose) {
                window.close();
            } else {
                QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
            }
        };
        View().Doc().SetNext(NextOpen::kLeft);
        EXPECT_FALSE(frame_->OpenPath(dir_ / "Big")) << byClose;
        EXPECT_EQ(View().Doc().Path(0), "") << byClose;
    }
    FilterState filter;
    filter.filterActive = true;
    filter.filterFlags = 0x201;
    filter.expandAll = true;
    frame_->SetFilterState(filter);
    Open(dir_ / "L", dir_ / "R");
    const int a = RowOf("A");
    ASSERT_NE(RowOf("deep.txt"), -1);  // the whole tree was read
    View().SelectOnly(a);
    Key(Qt::Key_Return);
    Key(Qt::Key_Return);
    const std::vector<std::string> byEnter = Names();
    EXPECT_EQ(RowOf("deep.txt"), -1);
    Key(Qt::Key_Return);
    ClickGlyph(a);
    EXPECT_EQ(Names(), byEnter);
    ASSERT_NE(RowOf("s.txt"), -1);
    ClickGlyph(RowOf("Solo"), 1);
    EXPECT_NE(RowOf("s.txt"), -1);
    ClickGlyph(RowOf("Solo"));
    EXPECT_EQ(RowOf("s.txt"), -1);
    ExpectConsistent();
}

}  // namespace
}  // namespace quillon
