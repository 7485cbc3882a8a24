// Times one whole-tree comparison with the default settings and reports the memory it kept:
//   whole_tree_compare LEFT RIGHT
// Prints "items N seconds S peak_bytes_per_item B kept_bytes_per_item K" (K: resident at the end).
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "core/Comparison.h"

namespace {

// Resident set size now, from /proc (bytes).
long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

long PeakResidentBytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

uint64_t CountItems(const quillon::DiffItem* item) {
    uint64_t n = 0;
    for (const quillon::DiffItem* c = item->firstChild; c; c = c->next) {
        n += 1 + CountItems(c);
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: whole_tree_compare LEFT RIGHT\n");
        return 2;
    }
    const long before = ResidentBytes();
    auto owned = std::make_unique<quillon::Comparison>();
    quillon::Comparison& comparison = *owned;
    comparison.readWholeTrees = true;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = comparison.CompareFolders(argv[1], argv[2], 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "comparison failed\n");
        return 1;
    }
    const uint64_t items = CountItems(comparison.rootItem);
    const long peak = PeakResidentBytes() - before;
    const long kept = ResidentBytes() - before;
    const double n = items ? static_cast<double>(items) : 1.0;
    // Freeing the tree is timed apart: a report run pays it before it ends.
    const auto freeing = std::chrono::steady_clock::now();
    owned.reset();
    const double freeSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - freeing).count();
    std::printf(
        "items %llu seconds %.3f peak_bytes_per_item %.1f kept_bytes_per_item %.1f "
        "free_seconds %.3f\n",
        static_cast<unsigned long long>(items), seconds, static_cast<double>(peak) / n,
        static_cast<double>(kept) / n, freeSeconds);
    return 0;
}
