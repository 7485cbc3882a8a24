#include "doc/CQuillonDoc.h"
#include "fileops/FileCopy.h"

namespace quillon {

CopyToResult CQuillonDoc::DropFiles(int side, const std::string& folder,
                                    const std::vector<std::string>& sources, bool copy,
                                    Prompter& prompter, ReplaceAsker& asker) {
    FileOpsContext ctx(comparison_.Fs(), journal_.enabled ? &journal_ : nullptr);
    return CopyFilesDirsTo(ctx, prompter, asker, side, folder, sources, copy);
}

}  // namespace quillon
