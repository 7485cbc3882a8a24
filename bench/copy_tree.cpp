// Times one folder copy the way the panes copy (synced files, renamed into place):
//   copy_tree SOURCE DESTINATION [journal] [fsync-only]
//   copy_tree file SOURCE DESTINATION       one file
//   copy_tree move SOURCE FOLDER            SOURCE moved into FOLDER as the panes move
// With "journal", the destination is backed up first as a merge would; with "fsync-only", a batch
// is made durable by its files' fsyncs alone, without the syncfs before them. Prints "seconds S".
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "fileops/CopyFilesDirsTo.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "platform/Prompter.h"
#include "platform/RunContext.h"

namespace {

// A move into a free name asks nothing; anything else is answered No, so nothing is replaced.
struct Refuse final : quillon::Prompter, quillon::ReplaceAsker {
    int Ask(const quillon::PromptRequest&) override { return quillon::mbr::kNo; }
    int AskReplace(const quillon::ReplaceQuestion&) override { return quillon::mbr::kNo; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: copy_tree SOURCE DESTINATION [journal] [fsync-only]\n");
        return 2;
    }
    using namespace quillon;
    const std::string_view mode = argv[1];
    if (mode == "file" || mode == "move") {
        FileOpsContext ctx(RealFileSystem());
        Refuse refuse;
        const auto start = std::chrono::steady_clock::now();
        bool done = false;
        if (mode == "file") {
            done = CopyFileCreatingParent(ctx, argv[2], argv[3]) == 0;
        } else {
            const CopyToResult moved =
                CopyFilesDirsTo(ctx, refuse, refuse, 1, argv[3], {argv[2]}, false);
            done = moved.done == 1 && moved.failed == 0;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("seconds %.3f result %d\n", seconds, done ? 1 : 0);
        return done ? 0 : 1;
    }
    const std::string source = argv[1];
    const std::string destination = argv[2];
    bool withJournal = false;
    UndoJournal journal(MakeRunTag("", std::time(nullptr)));
    FileOpsContext ctx(RealFileSystem());
    for (int i = 3; i < argc; ++i) {
        withJournal = withJournal || std::string_view(argv[i]) == "journal";
        ctx.batch.syncFileSystem =
            ctx.batch.syncFileSystem && std::string_view(argv[i]) != "fsync-only";
    }
    ctx.journal = withJournal ? &journal : nullptr;
    const auto start = std::chrono::steady_clock::now();
    int result = kTreeCopiedAll;
    if (ctx.journal != nullptr) {
        auto group = journal.NewGroupRecord();
        auto item = journal.NewItemRecord(kItemDir, kUndoCopy, 1, "", destination, "", source);
        result = PrepareUndoItem(ctx, *item) == 0 ? kTreeCopiedAll : kTreeCopiedNone;
    }
    if (result == kTreeCopiedAll) {
        result = CopyFolderTree(ctx, source, destination, true);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("seconds %.3f result %d\n", seconds, result);
    return result == kTreeCopiedAll ? 0 : 1;
}
