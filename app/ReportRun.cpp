#include "app/ReportRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "app/HeadlessRun.h"
#include "app/StartUp.h"
#include "base/ValueText.h"
#include "core/Comparison.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "reports/ReportOptions.h"
#include "reports/TextReport.h"

namespace quillon {

namespace {

constexpr int kProgressOptionDocumentOpen = 1;

class TerminalProgress : public ProgressSink {
  public:
    TerminalProgress(FILE* stream, std::string caption, int minIntervalMs)
        : stream_(stream), caption_(std::move(caption)), minInterval_(minIntervalMs) {}
    ~TerminalProgress() override { Hide(); }

    void SetRange(uint64_t total, std::string_view text, bool /*showCounts*/) override {
        total_ = total;
        position_ = 0;
        SetText(text);
    }
    void SetText(std::string_view text) override {
        text_.assign(text);
        std::replace(text_.begin(), text_.end(), '\n', ' ');
        Draw(false);
    }
    void StepIt() override {
        ++position_;
        Draw(false);
    }
    void SetPos(uint64_t position) override {
        position_ = position;
        Draw(false);
    }
    bool Update(std::string_view text, uint64_t position) override {
        position_ = position;
        SetText(text);
        return false;
    }
    bool Cancelled() const override { return false; }
    void Hide() override {
        if (shownWidth_ > 0) {
            std::fprintf(stream_, "\r%*s\r", int(shownWidth_), "");
            std::fflush(stream_);
            shownWidth_ = 0;
        }
    }

  private:
    void Draw(bool force) {
        auto now = std::chrono::steady_clock::now();
        if (!force && shownWidth_ > 0 && now - lastDraw_ < minInterval_) {
            return;
        }
        lastDraw_ = now;
        std::string line = caption_ + ": " + text_;
        if (total_ != kNoCount && total_ > 0) {
            line +=
                " " + std::to_string(std::min(position_, total_)) + "/" + std::to_string(total_);
        } else if (position_ > 0) {
            line += " " + std::to_string(position_);
        }
        // One terminal line: a wrapped line could not be overwritten by "\r".
        constexpr size_t kMaxWidth = 78;
        if (line.size() > kMaxWidth) {
            line = line.substr(0, kMaxWidth - 3) + "...";
        }
        size_t width = std::max(line.size(), shownWidth_);
        std::fprintf(stream_, "\r%-*s", int(width), line.c_str());
        std::fflush(stream_);
        shownWidth_ = width;
    }

    FILE* stream_;
    std::string caption_;
    std::string text_;
    std::chrono::milliseconds minInterval_;
    std::chrono::steady_clock::time_point lastDraw_{};
    uint64_t total_ = kNoCount;
    uint64_t position_ = 0;
    size_t shownWidth_ = 0;
};

int Trouble(FILE* err, const std::string& reason) {
    return ReportTrouble(err, reason, "Report run");
}

// A stored index outside its range falls back to the first entry, as a stored encoding does.
int InRange(int value, int count) {
    return value >= 0 && value < count ? value : 0;
}

}  // namespace

ComparisonOptions LoadComparisonOptions(const SettingsStore& store) {
    auto read = [&store](const IntSetting& s) {
        return store.GetProfileInt(s.section, s.entry, s.defaultValue);
    };
    ComparisonOptions o;
    o.fileSize = read(settings::kFileSize);
    o.compareTimestamp = read(settings::kCompareTimestamp);
    o.crc32 = read(settings::kCrc32);
    o.crc32SkipIfBig = read(settings::kCrc32SkipIfBig);
    o.crc32SizeToSkip =
        ComparisonOptions::SizeLimitFromMBytes(uint32_t(read(settings::kCrc32SizeToSkipMBytes)));
    o.showVersions = read(settings::kFileVersion);
    o.productVersion = read(settings::kDisplayProductVer) != 0;
    return o;
}

// The report shows what could be read; each folder or file that could not be is named after it,
// and so is each folder pair with a link on a side, whose contents a whole-tree read leaves
// unread (a link may loop). Either way the run cannot vouch for the trees and counts as trouble.
int NameWhatWasNotCompared(FILE* err, const Comparison& comparison, int status) {
    for (int side = 0; side < 2; ++side) {
        for (const ReadFailure& failure : comparison.ReadFailures(side)) {
            std::fprintf(err, "quillon: cannot read %s: %s\n", failure.path.c_str(),
                         std::strerror(failure.error));
            status = kReportExitTrouble;
        }
    }
    std::vector<const DiffItem*> pending;
    if (comparison.FolderLinkSeen()) {
        pending.push_back(comparison.rootItem);
    }
    while (!pending.empty()) {
        const DiffItem* folder = pending.back();
        pending.pop_back();
        for (const DiffItem* child = folder->firstChild; child; child = child->next) {
            if (child->isFile || !child->Has(0) || !child->Has(1) || child->IsDotDot()) {
                continue;
            }
            if ((child->sideFlags[0] | child->sideFlags[1]) & DiffItem::kFlagLink) {
                std::fprintf(err, "quillon: not compared, a folder link: %s <-> %s\n",
                             child->FullPath(0).c_str(), child->FullPath(1).c_str());
                status = kReportExitTrouble;
            } else {
                pending.push_back(child);
            }
        }
    }
    return status;
}

std::unique_ptr<ProgressSink> TerminalProgressFactory::Open(std::string_view caption) {
    return std::make_unique<TerminalProgress>(stream_, std::string(caption), minIntervalMs_);
}

int RunReport(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress,
              FILE* err) {
    FilterState filter = StartFolderPairRun(cmd, settings);

    if (!cmd.error.empty()) {
        return Trouble(err, cmd.error);
    }
    if (cmd.paths.size() < 2) {
        return Trouble(err,
                       "-Report needs two folders: quillon -Report[:index[:encoding[:style]]] "
                       "[-Out:file] LEFT RIGHT");
    }
    const std::string& left = cmd.paths[0];
    const std::string& right = cmd.paths[1];
    for (const std::string* path : {&left, &right}) {
        if (!IsFolder(*path)) {
            return Trouble(err, "not a folder: " + *path);
        }
    }

    ReportOptions options;
    options.Load(settings);
    int index =
        cmd.report.contentIndex.value_or(InRange(options.outputDiffOption, kReportContentCount));
    int encoding = cmd.report.encoding.value_or(options.outputEncoding);
    int style = cmd.report.fileNameStyle.value_or(
        InRange(options.filenameOption, kReportFileNameStyleCount));

    auto owned = std::make_unique<Comparison>(nullptr, progress);
    Comparison& comparison = *owned;
    comparison.options = LoadComparisonOptions(settings);
    comparison.filter = filter;
    comparison.readWholeTrees = true;
    if (!comparison.CompareFolders(left, right, kProgressOptionDocumentOpen)) {
        return Trouble(err, "the folders could not be compared: " + left + " and " + right);
    }
    // The rows are read from the tree as they are written: nothing changes the tree meanwhile.
    const ReportInput input =
        TreeReportInput(comparison.rootItem, comparison.LeftPath(), comparison.RightPath());
    int status = HasDifferenceRow(input) ? kReportExitDifferent : kReportExitSame;

    if (!cmd.report.outPath.has_value()) {
        // Standard output gets exactly the bytes a report file would hold.
        int fd = dup(STDOUT_FILENO);
        FILE* out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
        if (out == nullptr) {
            if (fd >= 0) {
                close(fd);
            }
            return Trouble(err, "cannot write the report to standard output");
        }
        bool written = WriteReportToStream(input, options, out, index, encoding, style);
        written = std::fclose(out) == 0 && written;
        if (!written) {
            return Trouble(err, "cannot write the report to standard output");
        }
        status = NameWhatWasNotCompared(err, comparison, status);
        LeaveToExit(std::move(owned));
        return status;
    }
    const std::string& target = *cmd.report.outPath;
    std::string why;
    if (!WriteReportFile(input, options, target, index, encoding, style, why)) {
        return Trouble(err, "No output created: " + (why.empty() ? "cannot write " + target : why));
    }
    Log("Saved the output result to [%s]", target.c_str());
    status = NameWhatWasNotCompared(err, comparison, status);
    LeaveToExit(std::move(owned));
    return status;
}

}  // namespace quillon
