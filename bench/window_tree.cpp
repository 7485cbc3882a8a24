// Opens a folder pair in the main window, expands every folder (Ctrl+Right on each top-level
// folder, top to bottom, as a user would), scrolls to the last row and refreshes, timing each
// step and watching the event loop with a 0 ms timer:
//   QT_QPA_PLATFORM=offscreen window_tree LEFT RIGHT [up|whole]
// With "up" the folders are expanded from the bottom up instead, each expansion moving every row
// already read below it. With "whole" the filter's "expand all folders" is on: the pair is read
// whole as it opens.
// Prints one line per step (seconds and rows) and then the worst lateness of the probe timer and
// the peak resident memory. Each step runs from the event loop, so a step that blocks it shows up
// as the probe's lateness.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "core/Comparison.h"
#include "core/DiffItem.h"
#include "doc/CQuillonDoc.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

namespace {

long PeakResidentKiB() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_tree LEFT RIGHT [up|whole]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const std::string left = argv[1];
    const std::string right = argv[2];
    const std::string mode = argc > 3 ? argv[3] : "";
    const bool bottomUp = mode == "up";
    // Questions go to stderr with their default answer: no dialog waits for a hand.
    quillon::StderrPrompter prompter(stderr);
    quillon::CMainFrame frame(nullptr, &prompter);
    frame.resize(1200, 800);
    frame.show();
    quillon::CQuillonView& view = *frame.View();
    if (mode == "whole") {
        // The filter's "expand all folders": the pair is read whole when it opens, and the list
        // takes every row at once.
        quillon::FilterState& filter = view.GetComparison().filter;
        filter.filterActive = true;
        filter.expandAll = true;
    }

    QElapsedTimer sinceProbe;
    qint64 worstLateMs = 0;
    // Which step was running at the worst lateness, and how many turns were late at all.
    std::string worstStep = "none";
    int lateTurns = 0;
    std::string runningStep = "start";
    auto stepStart = std::chrono::steady_clock::now();
    struct SlowTurn {
        qint64 lateMs;
        double intoStep;
        std::string step;
    };
    std::vector<SlowTurn> slowTurns;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 late = sinceProbe.elapsed();
        if (late > 100) {
            ++lateTurns;
        }
        // When in the step a stall ended tells which phase of it was slow.
        if (late > 40) {
            slowTurns.push_back(
                {late,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - stepStart)
                     .count(),
                 runningStep});
        }
        if (late > worstLateMs) {
            worstLateMs = late;
            worstStep = runningStep;
        }
        sinceProbe.restart();
    });

    bool ok = true;
    using Step = std::pair<const char*, std::function<bool()>>;
    const std::vector<Step> steps = {
        {"open", [&] { return frame.OpenPath(left) && frame.OpenPath(right); }},
        {"expand all",
         [&] {
             std::vector<const quillon::DiffItem*> folders;
             for (const quillon::DiffItem* item = view.GetComparison().rootItem->firstChild; item;
                  item = item->next) {
                 if (!item->isFile && !item->IsDotDot()) {
                     folders.push_back(item);
                 }
             }
             if (bottomUp) {
                 std::reverse(folders.begin(), folders.end());
             }
             for (const quillon::DiffItem* item : folders) {
                 runningStep = "expand all, at " + std::string(item->name.c_str());
                 view.SelectOnly(item->row);
                 QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::ControlModifier);
                 QApplication::sendEvent(&view, &press);
                 // A user's key presses each come from the event loop, which turns between
                 // them: the stalls measured are those of one expansion, not of a batch.
                 QApplication::processEvents();
             }
             return true;
         }},
        {"scroll to end",
         [&] {
             view.scrollToBottom();
             view.setCurrentIndex(view.Model().index(view.Model().rowCount() - 1, 0));
             return true;
         }},
        // What F5 does, on the loaded pair with nothing changed on disk.
        {"refresh",
         [&] {
             view.Doc().GetRefresh().AutoRefresh();
             return true;
         }},
    };
    size_t next = 0;
    std::function<void()> runNext = [&] {
        if (next == steps.size() || !ok) {
            probe.stop();
            app.quit();
            return;
        }
        const Step& step = steps[next++];
        runningStep = step.first;
        const auto start = std::chrono::steady_clock::now();
        stepStart = start;
        ok = step.second();
        // A stall that ends when the step returns is seen by the next probe: it stays the step's.
        runningStep = std::string(step.first) + ", returning";
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-14s %8.3f s  rows %d\n", step.first, seconds, view.Model().rowCount());
        std::fflush(stdout);
        // Lets the view lay out and paint what the step changed before the next one.
        QTimer::singleShot(50, runNext);
    };
    sinceProbe.start();
    probe.start();
    QTimer::singleShot(0, runNext);
    app.exec();
    if (!ok) {
        std::fprintf(stderr, "step %zu failed\n", next);
        return 1;
    }
    std::printf("worst event-loop lateness %lld ms (goal: at most 100), during %s\n",
                static_cast<long long>(worstLateMs), worstStep.c_str());
    std::printf("event-loop turns later than 100 ms: %d\n", lateTurns);
    std::sort(slowTurns.begin(), slowTurns.end(),
              [](const SlowTurn& a, const SlowTurn& b) { return a.lateMs > b.lateMs; });
    for (size_t i = 0; i < slowTurns.size() && i < 8; ++i) {
        std::printf("  turn %lld ms late, ending %.3f s into %s\n",
                    static_cast<long long>(slowTurns[i].lateMs), slowTurns[i].intoStep,
                    slowTurns[i].step.c_str());
    }
    std::printf("peak resident memory %ld KiB\n", PeakResidentKiB());
    return 0;
}
