#include "app/PrintPdfRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "app/HeadlessRun.h"
#include "app/ReportRun.h"
#include "app/StartUp.h"
#include "core/Comparison.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "ui/ComparisonPrint.h"

namespace quillon {

namespace {

constexpr int kProgressOptionDocumentOpen = 1;
constexpr char kSynopsis[] = "quillon -PrintPDF[:<0|1|2>] -Out:<file.pdf> LEFT RIGHT";

int Trouble(FILE* err, const std::string& reason) {
    return ReportTrouble(err, reason, "PDF run");
}

// The columns the panes show, read without writing back.
void ReadColumns(const SettingsStore& store, PrintSource& source) {
    auto on = [&store](const IntSetting& s) {
        return store.GetProfileInt(s.section, s.entry, s.defaultValue) == 1;
    };
    if (on(settings::kFileVersion)) {
        source.columns.push_back(PrintColumn::Version);
    }
    if (on(settings::kFileTimestamp)) {
        source.columns.push_back(PrintColumn::Time);
    }
    if (on(settings::kFileSize)) {
        source.columns.push_back(PrintColumn::Size);
    }
    source.detailTimestamp =
        store.GetProfileInt(settings::kDetailTimestamp.section, settings::kDetailTimestamp.entry,
                            settings::kDetailTimestamp.defaultValue) != 0;
}

}  // namespace

int RunPrintPdf(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress,
                FILE* err) {
    FilterState filter = StartFolderPairRun(cmd, settings);

    if (!cmd.error.empty()) {
        return Trouble(err, cmd.error);
    }
    if (cmd.paths.size() < 2) {
        return Trouble(err, std::string("-PrintPDF needs two folders: ") + kSynopsis);
    }
    if (!cmd.report.outPath || cmd.report.outPath->empty()) {
        return Trouble(err, std::string("-PrintPDF needs the PDF file: ") + kSynopsis);
    }
    const std::string& left = cmd.paths[0];
    const std::string& right = cmd.paths[1];
    for (const std::string* path : {&left, &right}) {
        if (!IsFolder(*path)) {
            return Trouble(err, "not a folder: " + *path);
        }
    }

    Comparison comparison(nullptr, progress);
    comparison.options = LoadComparisonOptions(settings);
    comparison.filter = filter;
    comparison.readWholeTrees = true;
    if (!comparison.CompareFolders(left, right, kProgressOptionDocumentOpen)) {
        return Trouble(err, "the folders could not be compared: " + left + " and " + right);
    }
    PrintSource source;
    // Read from the tree page by page: nothing changes it meanwhile.
    source.input =
        TreeReportInput(comparison.rootItem, comparison.LeftPath(), comparison.RightPath());
    ReadColumns(settings, source);
    const int status = HasDifferenceRow(source.input) ? kReportExitDifferent : kReportExitSame;

    PrintSession session;
    session.source = &source;
    session.rows = static_cast<PrintRows>(cmd.printPdf.rows);
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &session.preparedAt);
    // Names that do not fit are cut, as after the answer No.
    session.asked = true;
    StderrPrompter noQuestion(err);
    QtTextMeasurer measure;
    const QPageLayout page = LocalePageLayout();
    auto layout = PrepareLayout(session, page, measure, noQuestion, {});
    const std::string& target = *cmd.report.outPath;
    std::string error;
    if (!WriteComparisonPdf(*layout, page, target, error)) {
        return Trouble(err, "No output created: " + error);
    }
    Log("Saved the PDF to [%s], %d pages", target.c_str(), layout->PageCount());
    return NameWhatWasNotCompared(err, comparison, status);
}

}  // namespace quillon
