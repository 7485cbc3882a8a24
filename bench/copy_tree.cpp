// Times one folder copy the way the panes copy (synced files, renamed into place):
//   copy_tree SOURCE DESTINATION [journal] [fsync-only]
// With "journal", the destination is backed up first as a merge would; with "fsync-only", a batch
// is made durable by its files' fsyncs alone, without the syncfs before them. Prints "seconds S".
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "platform/RunContext.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: copy_tree SOURCE DESTINATION [journal] [fsync-only]\n");
        return 2;
    }
    using namespace quillon;
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
