// Refreshing a fully loaded comparison in which nothing changed, against reading the same levels
// afresh, on identical left and right trees of 25k, 50k and 100k files. Prints both times per
// size and their ratio; the refresh should stay within 1.2 times the fresh read, and both should
// grow linearly with the items. The load average is printed with each size: the machine may be
// shared.
//
//   refresh_bench [sizes...]      (default: 25000 50000 100000)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "core/Refresh.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFilesPerFolder = 100;
constexpr int kFoldersPerTop = 10;
constexpr int kRuns = 3;

class OpenedPair : public quillon::RefreshView {
  public:
    std::string OpenedPath(int side) const override { return paths[side]; }
    void ClearOpenedPath(int side) override { paths[side].clear(); }
    std::string paths[2];
};

void WriteTree(const std::string& root, int files) {
    const struct timeval times[2] = {{1700000000, 0}, {1700000000, 0}};
    for (int i = 0; i < files; ++i) {
        const int folder = i / kFilesPerFolder;
        const std::string top = root + "/top" + std::to_string(folder / kFoldersPerTop);
        const std::string dir = top + "/sub" + std::to_string(folder % kFoldersPerTop);
        if (i % kFilesPerFolder == 0) {
            std::filesystem::create_directories(dir);
        }
        const std::string path = dir + "/file" + std::to_string(i) + ".dat";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, "0123456789", 10) != 10) {
            std::perror(path.c_str());
            std::exit(1);
        }
        ::close(fd);
        ::utimes(path.c_str(), times);
    }
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int CountItems(const quillon::DiffItem* item) {
    int count = 0;
    for (const quillon::DiffItem* c = item->firstChild; c; c = c->next) {
        count += 1 + CountItems(c);
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {25000, 50000, 100000};
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon_refresh_bench_XXXXXX";
    if (!::mkdtemp(base.data())) {
        std::perror("mkdtemp");
        return 1;
    }

    std::printf("%8s %8s %12s %12s %8s %14s\n", "files", "items", "read (s)", "refresh (s)",
                "ratio", "refresh us/item");
    std::fflush(stdout);
    int status = 0;
    for (int files : sizes) {
        const std::string root = base + "/" + std::to_string(files);
        WriteTree(root + "/left", files);
        WriteTree(root + "/right", files);

        quillon::Comparison comparison;
        comparison.readWholeTrees = true;
        OpenedPair view;
        view.paths[0] = root + "/left";
        view.paths[1] = root + "/right";
        quillon::Refresh refresh(comparison, view);

        // The first read warms the page cache for both measurements.
        comparison.CompareFolders(view.paths[0], view.paths[1], 0);
        std::vector<double> reads;
        std::vector<double> refreshes;
        bool quiet = true;
        for (int run = 0; run < kRuns; ++run) {
            Clock::time_point start = Clock::now();
            comparison.CompareFolders(view.paths[0], view.paths[1], 0);
            reads.push_back(Seconds(Clock::now() - start));
            start = Clock::now();
            quiet = !refresh.Refresh2Dirs() && quiet;
            refreshes.push_back(Seconds(Clock::now() - start));
        }
        const int items = CountItems(comparison.rootItem);
        const double read = Median(reads);
        const double refreshed = Median(refreshes);
        double load[3] = {0, 0, 0};
        ::getloadavg(load, 3);
        std::printf("%8d %8d %12.3f %12.3f %8.2f %14.2f   load %.2f%s\n", files, items, read,
                    refreshed, refreshed / read, refreshed * 1e6 / items, load[0],
                    quiet ? "" : "  (refresh reported a change)");
        std::fflush(stdout);
        if (!quiet) {
            status = 1;
        }
        std::filesystem::remove_all(root);
    }
    std::filesystem::remove_all(base);
    return status;
}
