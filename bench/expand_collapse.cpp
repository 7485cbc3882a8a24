// Expands and collapses one folder of 100,000 files 20 times and prints the resident memory after
// each collapse, which should stay flat:
//   expand_collapse [FOLDER_PARENT]
// The folder is made under FOLDER_PARENT (default $TMPDIR or /tmp) and reused.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/Comparison.h"

namespace {

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = argc > 1 ? argv[1] : (tmp ? tmp : "/tmp");
    const std::string top = parent + "/quillon_expand_100k";
    const std::string folder = top + "/left/big";
    const std::string marker = top + "/.complete";
    constexpr int kFiles = 100000;
    if (access(marker.c_str(), F_OK) != 0) {
        mkdir(top.c_str(), 0755);
        mkdir((top + "/left").c_str(), 0755);
        mkdir((top + "/right").c_str(), 0755);
        mkdir(folder.c_str(), 0755);
        for (int i = 0; i < kFiles; ++i) {
            const std::string path = folder + "/entry_" + std::to_string(i) + ".dat";
            const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0) {
                std::perror(path.c_str());
                return 1;
            }
            close(fd);
        }
        close(open(marker.c_str(), O_WRONLY | O_CREAT, 0644));
    }
    quillon::Comparison comparison;
    if (!comparison.CompareFolders(top + "/left", top + "/right", 0)) {
        return 1;
    }
    quillon::DiffItem* big = comparison.rootItem->LastChild();
    const long start = ResidentKiB();
    long first = 0;
    long last = 0;
    for (int round = 1; round <= 20; ++round) {
        comparison.ExpandFolder(big, big->row, false);
        const long expanded = ResidentKiB();
        comparison.CollapseFolder(big, big->row);
        last = ResidentKiB();
        if (round == 1) {
            first = last;
        }
        std::printf("round %2d expanded %ld KiB collapsed %ld KiB\n", round, expanded, last);
    }
    std::printf("before %ld KiB, after first collapse %ld KiB, after last %ld KiB\n", start, first,
                last);
    return 0;
}
