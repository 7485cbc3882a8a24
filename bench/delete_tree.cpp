// Times one folder delete the way the panes delete it:
//   delete_tree make FOLDER FILES     writes FILES files of 1 KiB into 100 folders below FOLDER
//   delete_tree FOLDER [journal]      deletes FOLDER (with the journal: moves it to its backup)
// Prints "seconds S" for the delete alone (reading the folder's parent to find its row excluded).
// With the journal it then undoes the delete, deletes again and purges the journal, which removes
// the backup for good, and prints "undo U purge P" after.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/PathUtil.h"
#include "core/Comparison.h"
#include "fileops/FileCopy.h"
#include "fileops/SinglePaneOps.h"
#include "fileops/UndoJournal.h"
#include "fileops/UndoRun.h"
#include "platform/Prompter.h"

namespace {

// The folder question is answered Yes; nothing else is asked of a delete that succeeds.
struct Yes final : quillon::Prompter {
    int Ask(const quillon::PromptRequest&) override { return quillon::mbr::kYes; }
};

int Make(const std::string& folder, long files) {
    const std::string block(1024, 'x');
    if (mkdir(folder.c_str(), 0755) != 0) {
        std::perror(folder.c_str());
        return 1;
    }
    for (long i = 0; i < files; ++i) {
        const std::string sub = folder + "/d" + std::to_string(i % 100);
        if (i < 100 && mkdir(sub.c_str(), 0755) != 0) {
            std::perror(sub.c_str());
            return 1;
        }
        const std::string path = sub + "/f" + std::to_string(i);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || write(fd, block.data(), block.size()) != ssize_t(block.size())) {
            std::perror(path.c_str());
            return 1;
        }
        close(fd);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quillon;
    if (argc == 4 && std::string_view(argv[1]) == "make") {
        return Make(argv[2], std::stol(argv[3]));
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: delete_tree FOLDER [journal] | delete_tree make FOLDER N\n");
        return 2;
    }
    const std::string folder = StripOneTrailingSeparator(argv[1]);
    const bool withJournal = argc > 2 && std::string_view(argv[2]) == "journal";
    Comparison cmp;
    const std::string opened[2] = {std::string(DirName(folder)), ""};
    DiffItem* row = nullptr;
    if (cmp.CompareFolders(opened[0], "", 0)) {
        row = FindChild(cmp.rootItem, 0, BaseName(folder));
    }
    if (row == nullptr) {
        std::fprintf(stderr, "no folder %s\n", folder.c_str());
        return 1;
    }
    UndoJournal journal(MakeRunTag("", std::time(nullptr)));
    FileOpsContext ctx(RealFileSystem(), withJournal ? &journal : nullptr);
    Yes yes;
    const auto start = std::chrono::steady_clock::now();
    const DeleteResult result =
        DeleteSelectedItems(ctx, {cmp, opened, yes, nullptr, nullptr}, 0, {row});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!withJournal || result.deleted != 1) {
        std::printf("seconds %.6f result %d\n", seconds, result.deleted);
        return result.deleted == 1 ? 0 : 1;
    }
    const auto since = [](std::chrono::steady_clock::time_point at) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - at).count();
    };
    UndoScope scope{ctx, journal, yes};
    auto at = std::chrono::steady_clock::now();
    const bool undone = UndoGroup(scope, *CopyGroup(*journal.undoList.front(), true));
    const double undo = since(at);
    journal.undoList.clear();
    if (!undone ||
        DeleteSelectedItems(ctx, {cmp, opened, yes, nullptr, nullptr}, 0, {row}).deleted != 1) {
        std::fprintf(stderr, "undo or the second delete failed\n");
        return 1;
    }
    at = std::chrono::steady_clock::now();
    ClearUndoJournal(ctx, journal);
    const double purge = since(at);
    std::printf("seconds %.6f undo %.6f purge %.6f\n", seconds, undo, purge);
    return 0;
}
