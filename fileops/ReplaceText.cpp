#include "fileops/ReplaceText.h"

#include "base/ValueText.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

std::string SizeLine(uint64_t size, uint64_t other) {
    return "Size: " + FormatSizeTextFromBytes(static_cast<int64_t>(size)) +
           (size > other ? " (larger)" : "");
}

std::string TimeLine(time_t time, time_t other) {
    return "Modified: " + FormatTimestampFromTime(time) +
           (time - other > kNewerSlackSeconds ? " (newer)" : "");
}

}  // namespace

ReplaceText MakeReplaceText(const ReplaceQuestion& q) {
    ReplaceText text;
    const ReplaceButton yes{kReplaceYes, mbr::kYes};
    const ReplaceButton yesToAll{kReplaceYesToAll, mbr::kYesToAll};
    const ReplaceButton no{kReplaceNo, mbr::kNo};
    const ReplaceButton cancel{kReplaceCancel, mbr::kCancel};
    if (q.folder) {
        text.title = kFolderReplaceTitle;
        text.buttons = {yes, yesToAll, no, cancel};
        text.closeResult = mbr::kCancel;
        text.lines = {"This folder already contains a folder called '" + q.name + "'.",
                      kReplaceFolderText};
        return text;
    }
    text.title = kFileReplaceTitle;
    if (q.several) {
        text.buttons = {yes, yesToAll, no, cancel};
        text.closeResult = mbr::kCancel;
    } else {
        text.buttons = {yes, no};
        text.closeResult = mbr::kNo;
    }
    text.lines = {"This folder already contains a file called '" + q.name + "'.",
                  "Do you want to replace the existing file",
                  SizeLine(q.existingSize, q.sourceSize),
                  TimeLine(q.existingTime, q.sourceTime),
                  "with this one?",
                  SizeLine(q.sourceSize, q.existingSize),
                  TimeLine(q.sourceTime, q.existingTime)};
    return text;
}

}  // namespace quillon
