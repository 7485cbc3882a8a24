// The bulk rename's two costs:
//   rename_bench simulate [NAMES]       the simulated result of each page over NAMES names
//                                       (default 10,000), median of 9 runs, in milliseconds
//   rename_bench make FOLDER FILES      FILES empty files f00000... in FOLDER
//   rename_bench apply FOLDER [journal] page 1 (prefix "P_") applied to every file of FOLDER;
//                                       prints "seconds S" for the rules and the pass alone
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fileops/UndoJournal.h"
#include "platform/FileSystem.h"
#include "platform/Prompter.h"
#include "rename/RenameList.h"
#include "rename/RenamePass.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Yes final : quillon::Prompter {
    int Ask(const quillon::PromptRequest&) override { return quillon::mbr::kYes; }
};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

quillon::RenameOptions PageOptions() {
    quillon::RenameOptions o;
    o.page1.mode = 2;  // the CRC number: the costliest rule of the page
    o.page1.digitsIndex = 4;
    o.page2.numberField = "00001";
    o.page3.lastDelimiter = "_";
    o.page3.lastCount = 2;
    o.page3.lastText = "X";
    o.page4.mode = 1;
    o.page4.lastOld = "report";
    o.page4.lastNew = "R";
    o.page5.pattern = "-*_";
    o.page5.newPattern[0] = "[*]";
    return o;
}

int Simulate(size_t names) {
    std::vector<quillon::RenameEntry> entries;
    for (size_t i = 0; i < names; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Report_2024-%05zu_final copy.txt", i);
        entries.push_back({"/home/user/some/folder", name, true});
    }
    const quillon::RenameOptions options = PageOptions();
    std::printf("%8s %10s\n", "page", "ms");
    for (int page = 1; page <= 6; ++page) {
        std::vector<double> runs;
        size_t bytes = 0;
        for (int run = 0; run < 9; ++run) {
            const Clock::time_point start = Clock::now();
            bytes += quillon::SimulatedResult(page, options, entries).size();
            runs.push_back(Seconds(start) * 1000);
        }
        std::sort(runs.begin(), runs.end());
        std::printf("%8d %10.2f\n", page, runs[runs.size() / 2]);
        if (bytes == 0) {
            return 1;
        }
    }
    return 0;
}

int Make(const std::string& folder, long files) {
    if (mkdir(folder.c_str(), 0755) != 0) {
        std::perror(folder.c_str());
        return 1;
    }
    for (long i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/f%05ld", i);
        FILE* file = std::fopen((folder + name).c_str(), "w");
        if (file == nullptr || std::fclose(file) != 0) {
            std::perror(folder.c_str());
            return 1;
        }
    }
    return 0;
}

int Apply(const std::string& folder, bool journalled) {
    quillon::FileSystem& fs = quillon::RealFileSystem();
    const std::vector<quillon::RenameEntry> entries = quillon::StandAloneList(fs, {folder});
    quillon::RenameOptions options;
    options.page1.prefix = "P_";
    quillon::UndoJournal journal("0101000000");
    Yes prompter;
    const Clock::time_point start = Clock::now();
    const std::vector<quillon::RuleResult> rules = quillon::NewNames(1, options, entries);
    const quillon::RenamePassResult result = quillon::RunRenamePass(
        fs, prompter, entries, rules, {journalled ? &journal : nullptr, 0, {}});
    const double seconds = Seconds(start);
    if (result.renamed != static_cast<int>(entries.size())) {
        std::fprintf(stderr, "renamed %d of %zu\n", result.renamed, entries.size());
        return 1;
    }
    std::printf("seconds %.6f\n", seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "simulate") {
        return Simulate(args.size() > 1 ? std::stoul(args[1]) : 10000);
    }
    if (args.size() == 3 && args[0] == "make") {
        return Make(args[1], std::stol(args[2]));
    }
    if (args.size() >= 2 && args[0] == "apply") {
        return Apply(args[1], args.size() > 2 && args[2] == "journal");
    }
    std::fprintf(stderr,
                 "usage: rename_bench simulate [NAMES] | make FOLDER FILES | apply FOLDER "
                 "[journal]\n");
    return 2;
}
