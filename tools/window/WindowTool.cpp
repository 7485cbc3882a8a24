// The main window on a folder pair, outside the program:
//   quillon_window_tool --grab OUT.png LEFT RIGHT   expand a folder, select a difference, save PNG
//   quillon_window_tool --bench-expand [ENTRIES]    expanding a big folder: window vs core alone
//   quillon_window_tool --bench-page [ROWS]         filling and paging through a huge list
// Settings are read from and written to $XDG_CONFIG_HOME; the scripts point it at a scratch folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "core/DiffItem.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

using namespace quillon;

namespace {

int FindRow(DiffListModel& model, const std::string& name) {
    for (int row = 0; row < model.RowCount(); ++row) {
        if (model.ItemAt(row)->name == name) {
            return row;
        }
    }
    return -1;
}

int Grab(const std::string& out, const std::string& left, const std::string& right) {
    SettingsStore settings(RegistryStore::Process());
    CMainFrame frame(&settings);
    frame.resize(1000, 560);
    frame.show();
    if (!frame.OpenPath(left) || !frame.OpenPath(right)) {
        std::fprintf(stderr, "cannot open %s and %s\n", left.c_str(), right.c_str());
        return 1;
    }
    frame.AddPathToCombo(left, 0);
    frame.AddPathToCombo(right, 1);
    CQuillonView& view = *frame.View();
    // The first folder present on both sides shows the pairing best.
    for (int row = 0; row < view.Model().RowCount(); ++row) {
        DiffItem* item = view.Model().ItemAt(row);
        if (!item->isFile && !item->IsDotDot() && item->FolderState() == FolderBoth) {
            view.ToggleFolder(row, false);
            break;
        }
    }
    view.SelectOnly(0);
    view.Navigate(NavTarget::kNextDiff);
    view.setFocus();
    // Let the deferred layout and the first paints settle before the grab.
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    if (!frame.grab().save(QString::fromStdString(out))) {
        std::fprintf(stderr, "cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}

std::string MakeScratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern;
}

void Touch(const std::string& path) {
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd >= 0) {
        ::close(fd);
    }
}

double Millis(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// One timed expansion of Big/ in the pair; with a frame the rows go through the window's list.
double TimeExpand(const std::string& root, CMainFrame* frame) {
    std::string left = root + "/L", right = root + "/R";
    if (frame) {
        CQuillonView& view = *frame->View();
        view.ResetComparison();
        frame->OpenPath(left);
        frame->OpenPath(right);
        int row = FindRow(view.Model(), "Big");
        QElapsedTimer timer;
        timer.start();
        view.GetComparison().ExpandFolder(view.Model().ItemAt(row), row, false);
        QApplication::processEvents();
        double ms = Millis(timer);
        if (view.Model().RowCount() < 100000) {
            std::fprintf(stderr, "expansion showed only %d rows\n", view.Model().RowCount());
        }
        return ms;
    }
    Comparison comparison;
    comparison.CompareFolders(left, right, 0);
    DiffItem* big = nullptr;
    for (DiffItem* item = comparison.rootItem->firstChild; item; item = item->next) {
        if (item->name == "Big") {
            big = item;
        }
    }
    RenumberRows(comparison.rootItem);
    QElapsedTimer timer;
    timer.start();
    comparison.ExpandFolder(big, big->row, false);
    return Millis(timer);
}

int BenchExpand(int entries) {
    std::string root = MakeScratch();
    ::mkdir((root + "/L").c_str(), 0755);
    ::mkdir((root + "/R").c_str(), 0755);
    ::mkdir((root + "/L/Big").c_str(), 0755);
    ::mkdir((root + "/R/Big").c_str(), 0755);
    char name[64];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(name, sizeof name, "/f%07d.txt", i);
        // Half the names on both sides, a quarter on each side only.
        if (i % 4 != 3) {
            Touch(root + "/L/Big" + name);
        }
        if (i % 4 != 2) {
            Touch(root + "/R/Big" + name);
        }
    }
    SettingsStore settings(RegistryStore::Process());
    CMainFrame frame(&settings);
    // No progress window: it would time the window's event pumping, not the list.
    frame.View()->GetComparison().SetProgressFactory(nullptr);
    frame.resize(1000, 600);
    frame.show();
    QApplication::processEvents();
    TimeExpand(root, nullptr);  // warm the directory cache
    double core = 1e300, window = 1e300;
    for (int round = 0; round < 3; ++round) {
        core = std::min(core, TimeExpand(root, nullptr));
        window = std::min(window, TimeExpand(root, &frame));
    }
    std::printf(
        "expand %d entries: core ExpandFolder %.1f ms, through the window %.1f ms, "
        "ratio %.2f (limit 1.50)\n",
        entries, core, window, window / core);
    frame.View()->ResetComparison();
    std::string cleanup = "rm -rf '" + root + "'";
    return std::system(cleanup.c_str()) == 0 && window <= 1.5 * core ? 0 : 1;
}

int BenchPage(int rows) {
    SettingsStore settings(RegistryStore::Process());
    CMainFrame frame(&settings);
    frame.resize(1000, 600);
    frame.show();
    QApplication::processEvents();
    CQuillonView& view = *frame.View();
    Comparison& comparison = view.GetComparison();
    // The rows of a huge comparison, built in memory: reading a million files is the scan's
    // benchmark, not the list's.
    std::vector<DiffItem*> items;
    items.reserve(static_cast<size_t>(rows));
    SharedPath leftDir("/bench/left"), rightDir("/bench/right");
    char name[64];
    for (int i = 0; i < rows; ++i) {
        DiffItem* item = NewDiffItem();
        std::snprintf(name, sizeof name, "f%07d.txt", i);
        item->name = name;
        item->isFile = 1;
        item->level = 1;
        item->SetStatus(i % 7 == 0 ? StatusDifferent : StatusSame);
        item->SetDir(kSideLeft, leftDir);
        item->SetDir(kSideRight, rightDir);
        item->size[0] = item->size[1] = static_cast<uint64_t>(i) * 37;
        item->mtime[0] = item->mtime[1] = 1700000000 + i;
        items.push_back(item);
    }
    InsertOrMergeSorted(std::move(items), comparison.rootItem);
    QElapsedTimer timer;
    timer.start();
    view.FillListFromTree();
    QApplication::processEvents();
    double fill = Millis(timer);
    view.SelectOnly(0);
    view.setFocus();
    double worst = 0;
    int steps = 0;
    QElapsedTimer total;
    total.start();
    while (view.currentIndex().row() < rows - 1) {
        QElapsedTimer step;
        step.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
        QApplication::processEvents();
        view.viewport()->repaint();
        worst = std::max(worst, Millis(step));
        ++steps;
        if (steps > rows) {
            break;
        }
    }
    // The end key jumps the whole way in one event.
    QElapsedTimer jump;
    view.SelectOnly(0);
    jump.start();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(&view, &end);
    QApplication::processEvents();
    view.viewport()->repaint();
    double jumpMs = Millis(jump);
    std::printf(
        "page %d rows: fill %.1f ms, %d page-downs in %.1f s, slowest step %.1f ms, "
        "Ctrl+End %.1f ms (limit 100 ms per step)\n",
        rows, fill, steps, Millis(total) / 1000, worst, jumpMs);
    bool ok = fill <= 100 && worst <= 100 && jumpMs <= 100;
    view.ClearList();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "--grab") {
        return Grab(args[1], args[2], args[3]);
    }
    if (!args.empty() && args[0] == "--bench-expand") {
        return BenchExpand(args.size() > 1 ? std::atoi(args[1].c_str()) : 100000);
    }
    if (!args.empty() && args[0] == "--bench-page") {
        return BenchPage(args.size() > 1 ? std::atoi(args[1].c_str()) : 1000000);
    }
    std::fprintf(stderr,
                 "usage: quillon_window_tool --grab OUT.png LEFT RIGHT | --bench-expand [N] | "
                 "--bench-page [N]\n");
    return 2;
}
