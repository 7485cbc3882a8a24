// quillon_dialog_demo preferences|filter|interval|output|rename1..rename6 [--grab FILE]
// Shows one dialog of the comparison on its own, with settings kept in a scratch folder so the
// user's own are never touched. With --grab the dialog is rendered into FILE (PNG) once it has
// been laid out, and the program ends.
#include <stdlib.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>

#include "core/AutoRefresh.h"
#include "core/DisplayFilter.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "reports/TextReport.h"
#include "ui/CFilter.h"
#include "ui/CMessageBoxDialog.h"
#include "ui/CMultiRename.h"
#include "ui/COptionsChange.h"
#include "ui/COutputFormat.h"
#include "ui/CTimerInterval.h"
#include "ui/ViewSettings.h"

namespace {

using namespace quillon;

// Layout and painting settle within a few event-loop rounds; the delay covers slow X servers.
constexpr int kGrabDelayMs = 300;

class IdleTimer : public TimerPort {
  public:
    void StartTimer(uint32_t, uint32_t) override {}
    void StopTimer(uint32_t) override {}
};

int Usage() {
    std::fprintf(stderr,
                 "usage: quillon_dialog_demo preferences|filter|interval|output|rename1..rename6 "
                 "[--grab FILE]\n");
    return 2;
}

// The rename wizard on page `page` over three sample names, each page with options that show
// what it does.
std::unique_ptr<QDialog> RenameWizard(int page, SettingsStore& store, Prompter& prompter) {
    const char* section = "MultiRenamePP";
    store.WriteProfileString(section, "PP1LastOpt1Prefix", "Trip_");
    store.WriteProfileString(section, "PP2LastOpt0Prefix", "Photo_");
    store.WriteProfileString(section, "PP3LastOpt3Prefix", "2025_");
    store.WriteProfileInt(section, "PP4MultiRenameOptions", 2);
    store.WriteProfileString(section, "PP4LastOpt8Old", "-");
    store.WriteProfileString(section, "PP4LastOpt8New", " ");
    store.WriteProfileString(section, "PP5Pattern", "-*");
    store.WriteProfileString(section, "PP5LastOpt1NewPattern", "[*]_");
    MultiRenameSetup setup;
    const std::string folder = QDir::homePath().toStdString() + "/photos";
    for (const char* name : {"Beach-day_01.jpg", "City-walk_02.jpg", "Harbour-view_03.jpg"}) {
        setup.entries.push_back({folder, name, true});
    }
    setup.fs = &RealFileSystem();
    setup.prompter = &prompter;
    setup.store = &store;
    auto wizard = std::make_unique<CMultiRename>(nullptr, std::move(setup));
    wizard->SetCurrentPage(page);
    return wizard;
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    setenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--grab")) {
        return Usage();
    }
    const std::string which = argv[1];
    const std::string grabFile = argc == 4 ? argv[3] : "";

    RegistryStore registry(RegistryStore::FolderFromEnvironment());
    SettingsStore store(registry);
    MessageBoxPrompter prompter(nullptr, &store);

    ViewSettings view;
    view.Load(store);
    FilterState filter;
    bool diluted = true;
    bool readWholeTrees = false;
    IdleTimer timerPort;
    SystemRefreshClock clock;
    AutoRefreshTimer timer(store, timerPort, clock, &prompter);
    ReportInput input;
    input.leftRoot = QDir::homePath().toStdString() + "/left";
    input.rightRoot = QDir::homePath().toStdString() + "/right";

    std::unique_ptr<QDialog> dialog;
    if (which == "preferences") {
        dialog = std::make_unique<COptionsChange>(nullptr, view, prompter);
    } else if (which == "filter") {
        store.WriteProfileInt(kFilterDialogSection, "Flags", 0x204);
        store.AddToMruList(kDialogInclusionMru, "jpg,jpeg,png,gif");
        store.AddToMruList(kDialogExclusionMru, "tmp,bak,obj");
        dialog =
            std::make_unique<CFilter>(nullptr, store, prompter, filter, diluted, &readWholeTrees);
    } else if (which == "interval") {
        dialog = std::make_unique<CTimerInterval>(nullptr, timer.refreshInterval, prompter);
    } else if (which == "output") {
        store.WriteProfileString(kOutputFormatSection, "OutputPath",
                                 QDir::homePath().toStdString());
        store.WriteProfileString(kOutputFormatSection, "OutputFile",
                                 QDir::homePath().toStdString() + "/comparison.txt");
        dialog = std::make_unique<COutputFormat>(
            nullptr, store, input, [](const std::string&) { return false; }, prompter);
    } else if (which.size() == 7 && which.rfind("rename", 0) == 0 && which[6] >= '1' &&
               which[6] <= '6') {
        dialog = RenameWizard(which[6] - '0', store, prompter);
    } else {
        return Usage();
    }

    if (grabFile.empty()) {
        int result = dialog->exec();
        std::printf("%d\n", result);
        return 0;
    }
    dialog->show();
    QDialog* shown = dialog.get();
    QTimer::singleShot(kGrabDelayMs, shown, [shown, grabFile] {
        bool saved = shown->grab().save(QString::fromStdString(grabFile), "PNG");
        if (!saved) {
            std::fprintf(stderr, "cannot write %s\n", grabFile.c_str());
        }
        QCoreApplication::exit(saved ? 0 : 1);
    });
    return app.exec();
}
