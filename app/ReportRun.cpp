#include "app/ReportRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "app/StartUp.h"
#include "core/Comparison.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "reports/ReportOptions.h"
#include "reports/TextReport.h"
#include "reports/ValueText.h"

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

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int Trouble(FILE* err, const std::string& reason) {
    std::fprintf(err, "quillon: %s\n", reason.c_str());
    Log("Report run: %s", reason.c_str());
    return kReportExitTrouble;
}

// A stored index outside its range falls back to the first entry, as a stored encoding does.
int InRange(int value, int count) {
    return value >= 0 && value < count ? value : 0;
}

bool CopyToStdout(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char buffer[65536];
    bool ok = true;
    while (ok) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; done < n && ok;) {
            ssize_t w = write(STDOUT_FILENO, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR) {
                continue;
            }
            ok = w > 0;
            done += std::max<ssize_t>(w, 0);
        }
    }
    close(fd);
    return ok;
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
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

std::unique_ptr<ProgressSink> TerminalProgressFactory::Open(std::string_view caption) {
    return std::make_unique<TerminalProgress>(stream_, std::string(caption), minIntervalMs_);
}

int RunReport(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress,
              FILE* err) {
    OpenStartLog(settings);
    FilterState filter = StartupFilterState(settings);
    ApplyFilterOption(cmd, filter);
    Log("cmd args = %s", cmd.cmdArgs.c_str());

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

    Comparison comparison(nullptr, progress);
    comparison.options = LoadComparisonOptions(settings);
    comparison.filter = filter;
    comparison.readWholeTrees = true;
    if (!comparison.CompareFolders(left, right, kProgressOptionDocumentOpen)) {
        return Trouble(err, "the folders could not be compared: " + left + " and " + right);
    }
    ReportInput input =
        CollectReportInput(comparison.rootItem, comparison.LeftPath(), comparison.RightPath());
    int status = CountDifferenceRows(input) > 0 ? kReportExitDifferent : kReportExitSame;

    // Standard output gets exactly the bytes a report file would hold, so the file writer is
    // used and its result copied.
    bool toStdout = !cmd.report.outPath.has_value();
    std::string target;
    if (toStdout) {
        std::string pattern = TempFolder() + "/quillon-report-XXXXXX";
        int fd = mkstemp(pattern.data());
        if (fd < 0) {
            return Trouble(err, "cannot create a temporary file in " + TempFolder() + ": " +
                                    std::strerror(errno));
        }
        close(fd);
        target = pattern;
    } else {
        target = *cmd.report.outPath;
    }
    // A report always starts a new file: the normal layout appends (the temporary file is empty).
    if (!toStdout && PathExistsLoose(target) && unlink(target.c_str()) != 0) {
        return Trouble(err, "cannot replace " + target + ": " + std::strerror(errno));
    }
    bool written = IsSpreadsheetIndex(index)
                       ? WriteSpreadsheetReport(input, options, target, index, encoding, style)
                       : WriteTextReport(input, options, target, index, encoding, style);
    if (written && toStdout) {
        written = CopyToStdout(target);
        unlink(target.c_str());
        if (!written) {
            return Trouble(err, "cannot write the report to standard output");
        }
    } else if (!written) {
        if (toStdout) {
            unlink(target.c_str());
        }
        return Trouble(err, "No output created: cannot write " + target);
    } else {
        Log("Saved the output result to [%s]", target.c_str());
    }
    return status;
}

}  // namespace quillon
