// Writes a deterministic pair of folder trees for the whole-tree benchmarks:
//   make_trees OUT [FILES]
// OUT/left and OUT/right hold FILES files each (default 200,000) in folders nested 3 to 6
// levels deep, with realistic names and sizes. The right tree differs in a few percent of the
// files: other sizes, other first bytes, other times, files only on one side. Sizes are made
// with ftruncate, so the trees cost little disk. A finished pair is marked and reused.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// SplitMix64: the same sequence on every platform and library.
struct Rng {
    uint64_t state;
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t Below(uint64_t n) { return Next() % n; }
};

const char* const kWords[] = {
    "report", "main",   "Invoice", "photo",  "IMG",     "notes",  "Budget", "setup",  "config",
    "readme", "draft",  "Final",   "backup", "summary", "index",  "utils",  "Module", "test",
    "data",   "export", "scan",    "letter", "Meeting", "plan",   "design", "logo",   "archive",
    "album",  "track",  "song",    "video",  "clip",    "script", "build",  "core",   "view"};
const char* const kFolderWords[] = {
    "src",     "docs",   "Projects", "2021",   "2022",    "2023",  "Photos",  "music",
    "clients", "Backup", "assets",   "images", "include", "tests", "Archive", "reports",
    "old",     "tmp",    "Shared",   "video",  "lib",     "bin",   "Drafts",  "invoices"};
const char* const kExtensions[] = {"txt", "docx", "pdf", "jpg", "png", "cpp", "h",    "xlsx",
                                   "mp3", "zip",  "log", "csv", "md",  "js",  "html", "json"};

template <size_t N>
const char* Pick(Rng& rng, const char* const (&list)[N]) {
    return list[rng.Below(N)];
}

// Most files are small; a few are large, as in a real home folder.
uint64_t FileSize(Rng& rng) {
    const uint64_t bucket = rng.Below(100);
    if (bucket < 40) {
        return rng.Below(4096);
    }
    if (bucket < 80) {
        return 4096 + rng.Below(60000);
    }
    if (bucket < 97) {
        return 65536 + rng.Below(900000);
    }
    return 1048576 + rng.Below(50u << 20);
}

bool MakeDirs(const std::string& path) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "mkdir %s: %s\n", partial.c_str(), std::strerror(errno));
            return false;
        }
    }
    return true;
}

bool WriteFile(const std::string& path, uint64_t size, const char* head, time_t mtime) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "open %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = true;
    const size_t headLength = std::strlen(head);
    if (size > 0) {
        ok = write(fd, head, headLength < size ? headLength : size) >= 0 &&
             ftruncate(fd, static_cast<off_t>(size)) == 0;
    }
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ok = ok && futimens(fd, times) == 0;
    close(fd);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_trees OUT [FILES]\n");
        return 2;
    }
    const std::string out = argv[1];
    const uint64_t files = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200000;
    const std::string marker = out + "/.complete-" + std::to_string(files);
    if (access(marker.c_str(), F_OK) == 0) {
        std::printf("trees present in %s\n", out.c_str());
        return 0;
    }
    Rng rng{20240501};
    // About 16 files per folder; folders 3 to 6 levels below the top.
    std::vector<std::string> folders;
    const uint64_t folderCount = files / 16 + 1;
    for (uint64_t i = 0; i < folderCount; ++i) {
        const int depth = 3 + static_cast<int>(rng.Below(4));
        std::string path;
        for (int d = 0; d < depth; ++d) {
            // Few choices near the top, so that folders share their upper levels.
            const uint64_t spread = d == 0 ? 6 : (d < 3 ? 5 : 40);
            path += '/';
            path += Pick(rng, kFolderWords);
            path += '_';
            path += std::to_string(rng.Below(spread));
        }
        folders.push_back(path);
    }
    const time_t base = 1700000000;
    uint64_t written = 0;
    for (uint64_t i = 0; i < files; ++i) {
        const std::string& folder = folders[rng.Below(folders.size())];
        std::string name = Pick(rng, kWords);
        name += rng.Below(2) ? "_" : " ";
        name += std::to_string(rng.Below(5000));
        name += '_';
        name += std::to_string(i);
        name += '.';
        name += Pick(rng, kExtensions);
        const uint64_t size = FileSize(rng);
        const time_t mtime = base - static_cast<time_t>(rng.Below(3u * 365 * 86400));
        const uint64_t change = rng.Below(1000);
        for (int side = 0; side < 2; ++side) {
            const std::string dir = out + (side == 0 ? "/left" : "/right") + folder;
            uint64_t sideSize = size;
            time_t sideTime = mtime;
            const char* head = "PK\x03\x04";
            if (side == 1) {
                if (change < 10) {
                    continue;  // only on the left
                }
                if (change < 20) {
                    sideSize = size + 1 + rng.Below(100);
                } else if (change < 30) {
                    head = "XYZW";
                } else if (change < 40) {
                    sideTime = mtime + 3600;
                }
            } else if (change >= 990) {
                continue;  // only on the right
            }
            if (!MakeDirs(dir) || !WriteFile(dir + "/" + name, sideSize, head, sideTime)) {
                return 1;
            }
            ++written;
        }
    }
    const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        close(fd);
    }
    std::printf("wrote %llu files into %s/left and %s/right\n",
                static_cast<unsigned long long>(written), out.c_str(), out.c_str());
    return 0;
}
