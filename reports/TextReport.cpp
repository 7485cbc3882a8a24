#include "reports/TextReport.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <type_traits>

#include "base/PathUtil.h"
#include "core/DiffItem.h"
#include "core/Threads.h"
#include "platform/FileText.h"
#include "platform/OutputFile.h"

namespace quillon {

namespace {

constexpr const char* kSomethingWrong = "\t======= SOMETHING WRONG =======\n";

// The folder symbols use the native separator: "./name" for files, "name/." for folders in the
// normal layout and "[./name/]" in the spreadsheet.
const std::string kFilePrefix = std::string(".") + kPathSep;
const std::string kNormalFolderSuffix = std::string(1, kPathSep) + ".";
const std::string kSheetFolderSuffix = std::string(1, kPathSep);

bool IsFileStatus(ReportStatus s) {
    return s == ReportStatus::Same || s == ReportStatus::Different || s == ReportStatus::LeftOnly ||
           s == ReportStatus::RightOnly;
}

std::string_view StatusLabel(ReportStatus status) {
    switch (status) {
        case ReportStatus::Same:
            return "\t(Same)\n";
        case ReportStatus::Different:
            return "\t(Different)\n";
        case ReportStatus::LeftOnly:
        case ReportStatus::FolderLeftOnly:
            return "\t(Left-only)\n";
        case ReportStatus::RightOnly:
        case ReportStatus::FolderRightOnly:
            return "\t(Right-only)\n";
        case ReportStatus::FolderBoth:
            return "\t(Both)\n";
        case ReportStatus::Unknown:
            break;
    }
    return "\n";
}

// A folder row is trustworthy only when the sides it has match what its status claims.
bool FolderSidesMatch(const ReportRow& row) {
    bool left = !row.leftPath.empty();
    bool right = !row.rightPath.empty();
    switch (row.status) {
        case ReportStatus::FolderBoth:
            return left && right;
        case ReportStatus::FolderLeftOnly:
            return left && !right;
        case ReportStatus::FolderRightOnly:
            return !left && right;
        default:
            return false;
    }
}

const std::string& RightName(const ReportRow& row) {
    return row.rightName.empty() ? row.name : row.rightName;
}

// The report relies on the stored timestamp having exactly one space between date and time.
std::string DateOnly(const std::string& stamp) {
    return stamp.substr(0, stamp.find(' '));
}

// Appends the stamp as the normal layout shows it: the date alone, or date "::" time.
void AppendNormalTime(std::string& out, std::string_view stamp, bool hhmmss) {
    const size_t space = stamp.find(' ');
    if (space == std::string_view::npos) {
        out += stamp;
        return;
    }
    out += stamp.substr(0, space);
    if (hhmmss) {
        out += "::";
        out += stamp.substr(space + 1);
    }
}

std::string Tabs(int count) {
    return std::string(std::max(count, 0), '\t');
}

class Labels {
  public:
    explicit Labels(const ReportOptions& o)
        : o_(o),
          version_(o.VersionLabelText()),
          time_(o.TimeLabelText()),
          size_(o.SizeLabelText()),
          bytes_(o.BytesLabelText()) {}

    // One side's cells; `time` is already cut to the layout's form. Appended piece by piece: a
    // report runs through here once per row.
    void AppendCells(std::string& out, std::string_view version, std::string_view time,
                     std::string_view size) const {
        if (o_.versionColumn) {
            out.append(version_).append(version) += '\t';
        }
        if (o_.timeColumn) {
            out.append(time_).append(time) += '\t';
        }
        if (o_.sizeColumn) {
            out.append(size_).append(size).append(bytes_) += '\t';
        }
    }

    // The same with a full stamp, cut as the normal layout shows it.
    void AppendNormalCells(std::string& out, std::string_view version, std::string_view stamp,
                           std::string_view size) const {
        if (o_.versionColumn) {
            out.append(version_).append(version) += '\t';
        }
        if (o_.timeColumn) {
            out += time_;
            AppendNormalTime(out, stamp, o_.hhmmss);
            out += '\t';
        }
        if (o_.sizeColumn) {
            out.append(size_).append(size).append(bytes_) += '\t';
        }
    }

    void AppendDifferentCells(std::string& out, const ReportRow& row) const {
        if (o_.versionColumn) {
            out.append(version_).append(row.leftVersion).append("<->").append(row.rightVersion) +=
                '\t';
        }
        if (o_.timeColumn) {
            out += time_;
            AppendNormalTime(out, row.leftTime, o_.hhmmss);
            out.append("<->").append(time_);
            AppendNormalTime(out, row.rightTime, o_.hhmmss);
            out += '\t';
        }
        if (o_.sizeColumn) {
            out.append(size_)
                .append(row.leftSize)
                .append("<->")
                .append(row.rightSize)
                .append(bytes_) += '\t';
        }
    }

    std::string_view RowEnd(ReportStatus status) const {
        return o_.diffStatLabel ? StatusLabel(status) : "\n";
    }

  private:
    const ReportOptions& o_;
    std::string version_, time_, size_, bytes_;
};

std::string Header(const ReportInput& input) {
    return "1st DIR [" + input.leftRoot + "] vs 2nd DIR [" + input.rightRoot + "]\n\n";
}

bool NormalListsFile(int index, ReportStatus s) {
    switch (index) {
        case 0:
            return s == ReportStatus::Different || s == ReportStatus::LeftOnly ||
                   s == ReportStatus::RightOnly;
        case 2:
            return s == ReportStatus::Same || s == ReportStatus::Different ||
                   s == ReportStatus::LeftOnly;
        case 4:
            return s == ReportStatus::Same || s == ReportStatus::Different ||
                   s == ReportStatus::RightOnly;
        default:
            return true;
    }
}

void AppendNormalFolder(std::string& out, const ReportRow& row, const Labels& labels, int index,
                        int style) {
    auto appendHead = [&] {
        out.append(static_cast<size_t>(std::max(row.depth - 1, 0)), '\t').append(row.name);
        if (style == 0) {
            out += kNormalFolderSuffix;
        }
    };
    if (!FolderSidesMatch(row)) {
        appendHead();
        out += kSomethingWrong;
        return;
    }
    bool labelled = index == 0 || index == 6;
    switch (row.status) {
        case ReportStatus::FolderBoth:
            break;
        case ReportStatus::FolderLeftOnly:
            if (index == 4) {
                return;
            }
            break;
        case ReportStatus::FolderRightOnly:
            if (index == 2) {
                return;
            }
            break;
        default:
            return;
    }
    appendHead();
    out += labelled ? labels.RowEnd(row.status) : "\n";
}

void AppendNormalFile(std::string& out, const ReportRow& row, const Labels& labels, int index,
                      int style) {
    if (!NormalListsFile(index, row.status)) {
        return;
    }
    bool useRight = row.status == ReportStatus::RightOnly ||
                    (row.status == ReportStatus::Unknown && row.leftPath.empty());
    if (style == 2) {
        std::string left = JoinPath(row.leftPath, row.name);
        std::string right = JoinPath(row.rightPath, RightName(row));
        if (row.status == ReportStatus::Same || row.status == ReportStatus::Different) {
            out += left + "\n" + right;
        } else {
            out += useRight ? right : left;
        }
    } else {
        out.append(static_cast<size_t>(std::max(row.depth - 1, 0)), '\t');
        if (style == 0) {
            out += kFilePrefix;
        }
        out += useRight ? RightName(row) : row.name;
    }
    out += '\t';
    if (row.status == ReportStatus::Different) {
        labels.AppendDifferentCells(out, row);
    } else if (useRight) {
        labels.AppendNormalCells(out, row.rightVersion, row.rightTime, row.rightSize);
    } else {
        labels.AppendNormalCells(out, row.leftVersion, row.leftTime, row.leftSize);
    }
    bool plain = (row.status == ReportStatus::Same && index != 6) ||
                 (row.status == ReportStatus::LeftOnly && index == 2) ||
                 (row.status == ReportStatus::RightOnly && index == 4);
    out += plain ? "\n" : labels.RowEnd(row.status);
}

// The report text as it grows. With a writer attached, whole rows are handed on once a piece
// is large enough, so that a report of a million rows never sits whole in memory (and, for the
// encodings that convert, never twice).
class ReportText {
  public:
    using Writer = std::function<bool(std::string_view)>;
    explicit ReportText(Writer writer = {}) : writer_(std::move(writer)) {}

    std::string& Text() { return text_; }
    bool HasWriter() const { return static_cast<bool>(writer_); }
    bool Ok() const { return ok_; }
    // Hands on what is held, then `piece`, which the caller formatted apart.
    void Emit(std::string_view piece) {
        if (!text_.empty()) {
            Hand();
        }
        if (!piece.empty()) {
            ok_ = ok_ && writer_(piece);
        }
    }
    void RowDone() {
        if (writer_ && text_.size() >= kPiece) {
            Hand();
        }
    }
    bool Finish() {
        if (writer_ && !text_.empty()) {
            Hand();
        }
        return ok_;
    }

  private:
    static constexpr size_t kPiece = 1 << 20;
    void Hand() {
        ok_ = ok_ && writer_(text_);
        text_.clear();
    }
    Writer writer_;
    std::string text_;
    bool ok_ = true;
};

ReportStatus MapStatus(const DiffItem& item) {
    if (item.isFile) {
        switch (item.FileState()) {
            case StatusSame:
                return ReportStatus::Same;
            case StatusDifferent:
                return ReportStatus::Different;
            case StatusLeftOnly:
                return ReportStatus::LeftOnly;
            case StatusRightOnly:
                return ReportStatus::RightOnly;
            default:
                return ReportStatus::Unknown;
        }
    }
    switch (item.FolderState()) {
        case FolderBoth:
            return ReportStatus::FolderBoth;
        case FolderLeftOnly:
            return ReportStatus::FolderLeftOnly;
        case FolderRightOnly:
            return ReportStatus::FolderRightOnly;
        default:
            return ReportStatus::Unknown;
    }
}

// Visits the items below `root` in display order with their depth (1 for the top level). An
// explicit stack: a deep tree must not exhaust the call stack. A visitor that returns a bool
// stops the walk by returning true.
template <typename Visit>
void WalkItems(const DiffItem* root, Visit visit) {
    std::vector<std::pair<const DiffItem*, int>> pending;
    if (root != nullptr) {
        for (const DiffItem* c = root->LastChild(); c != nullptr; c = c->Prev()) {
            pending.emplace_back(c, 1);
        }
    }
    while (!pending.empty()) {
        auto [item, depth] = pending.back();
        pending.pop_back();
        if constexpr (std::is_same_v<decltype(visit(*item, depth)), bool>) {
            if (visit(*item, depth)) {
                return;
            }
        } else {
            visit(*item, depth);
        }
        for (const DiffItem* c = item->LastChild(); c != nullptr; c = c->Prev()) {
            pending.emplace_back(c, depth + 1);
        }
    }
}

// Fills `row` from `item`, reusing the row's strings. `previous` is the item the row was last
// filled from, if any: a sibling's folder paths are already in place.
void FillRow(const DiffItem& item, int depth, ReportRow& row, const DiffItem* previous) {
    row.isFolder = item.isFile == 0;
    row.status = MapStatus(item);
    row.depth = depth;
    row.name = item.Has(kSideLeft) ? item.Name(kSideLeft) : item.name;
    row.rightName.clear();
    if (item.Has(kSideRight) && item.Name(kSideRight) != row.name) {
        row.rightName = item.Name(kSideRight);
    }
    for (int side : {kSideLeft, kSideRight}) {
        if (previous == nullptr || !item.DirRef(side).SameAs(previous->DirRef(side))) {
            item.DirInto(side, side == kSideLeft ? row.leftPath : row.rightPath);
        }
    }
    for (int side : {kSideLeft, kSideRight}) {
        std::string& version = side == kSideLeft ? row.leftVersion : row.rightVersion;
        std::string& time = side == kSideLeft ? row.leftTime : row.rightTime;
        std::string& size = side == kSideLeft ? row.leftSize : row.rightSize;
        if (row.isFolder || !item.Has(side)) {
            version.clear();
            time.clear();
            size.clear();
            continue;
        }
        // The stored text, the not-read word included: the report copies what the panes show.
        version = item.VersionText(side);
        item.TimeTextInto(side, time);
        size = item.SizeText(side);
    }
}

int MaxDepth(const ReportInput& input) {
    int maxDepth = 0;
    if (input.tree != nullptr) {
        WalkItems(input.tree,
                  [&](const DiffItem&, int depth) { maxDepth = std::max(maxDepth, depth); });
    } else {
        for (const ReportRow& row : input.rows) {
            maxDepth = std::max(maxDepth, row.depth);
        }
    }
    return maxDepth;
}

}  // namespace

void ReportInput::ForEachRow(const ReportRowVisitor& visit) const {
    if (tree == nullptr) {
        for (const ReportRow& row : rows) {
            visit(row);
        }
        return;
    }
    ReportRow row;
    const DiffItem* previous = nullptr;
    WalkItems(tree, [&](const DiffItem& item, int depth) {
        FillRow(item, depth, row, previous);
        previous = &item;
        visit(row);
    });
}

ReportInput TreeReportInput(const DiffItem* root, const std::string& leftRoot,
                            const std::string& rightRoot) {
    ReportInput input;
    input.leftRoot = leftRoot;
    input.rightRoot = rightRoot;
    input.tree = root;
    return input;
}

ReportInput CollectReportInput(const DiffItem* root, const std::string& leftRoot,
                               const std::string& rightRoot) {
    ReportInput input;
    input.leftRoot = leftRoot;
    input.rightRoot = rightRoot;
    TreeReportInput(root, leftRoot, rightRoot).ForEachRow([&](const ReportRow& row) {
        input.rows.push_back(row);
    });
    return input;
}

bool HasDifferenceRow(const ReportInput& input) {
    auto differs = [](bool isFolder, std::string_view name, ReportStatus status) {
        return !(isFolder && name == "..") && status != ReportStatus::Same &&
               status != ReportStatus::FolderBoth;
    };
    bool found = false;
    if (input.tree != nullptr) {
        // The status alone decides, so no row texts are built.
        WalkItems(input.tree, [&](const DiffItem& item, int) {
            found = differs(item.isFile == 0, item.name, MapStatus(item));
            return found;
        });
        return found;
    }
    return std::any_of(input.rows.begin(), input.rows.end(), [&](const ReportRow& row) {
        return differs(row.isFolder, row.name, row.status);
    });
}

namespace {

// Rows are dealt out to the formatting threads in runs of this many, in turn.
constexpr size_t kRowsPerRun = 8192;
// Runs formatted ahead of the next one to be handed on: bounds the text held at once.
constexpr size_t kRunsAhead = 4;
// Each thread walks the whole tree; past this, walking costs more than formatting saves.
constexpr unsigned kMaxFormatThreads = 4;

using RowFormat = std::function<void(const ReportRow&, std::string&)>;

// The formatted runs of a report, handed on strictly in order by whichever thread completes the
// next one.
class RunQueue {
  public:
    explicit RunQueue(ReportText& text) : text_(text) {}

    // Waits until run `index` is few enough runs ahead; false once the writing has failed, when
    // no more runs are wanted.
    bool WaitTurn(size_t index) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !text_.Ok() || index < next_ + kRunsAhead; });
        return text_.Ok();
    }
    // An empty buffer, with the capacity of a run already handed on when there is one.
    std::string TakeBuffer() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (spare_.empty()) {
            return {};
        }
        std::string buffer = std::move(spare_.back());
        spare_.pop_back();
        return buffer;
    }
    void Put(size_t index, std::string&& run) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_.emplace(index, std::move(run));
            for (auto it = done_.find(next_); it != done_.end(); it = done_.find(next_)) {
                text_.Emit(it->second);
                it->second.clear();
                spare_.push_back(std::move(it->second));
                done_.erase(it);
                ++next_;
            }
        }
        changed_.notify_all();
    }

  private:
    ReportText& text_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<size_t, std::string> done_;
    std::vector<std::string> spare_;
    size_t next_ = 0;
};

// Appends every row of `input` through `format`, handing the text on in pieces. When a writer
// takes the pieces, a tree's rows are formatted on several threads: each walks the whole tree but
// fills and formats only its own runs, and the runs go out in the order of the rows.
void FormatRows(const ReportInput& input, ReportText& text, const RowFormat& format) {
    const unsigned wanted = std::min(ThreadCount(0), kMaxFormatThreads);
    if (input.tree == nullptr || !text.HasWriter() || wanted < 2) {
        input.ForEachRow([&](const ReportRow& row) {
            format(row, text.Text());
            text.RowDone();
        });
        return;
    }
    RunQueue queue(text);
    std::mutex startMutex;
    std::condition_variable started;
    unsigned threads = 0;  // set once the helpers have been started
    auto work = [&](unsigned self) {
        {
            std::unique_lock<std::mutex> lock(startMutex);
            started.wait(lock, [&] { return threads != 0; });
        }
        ReportRow row;
        const DiffItem* previous = nullptr;
        std::string run;
        size_t index = 0;
        bool mine = false;
        bool writing = true;
        WalkItems(input.tree, [&](const DiffItem& item, int depth) {
            if (index % kRowsPerRun == 0) {
                const size_t runIndex = index / kRowsPerRun;
                if (mine) {
                    queue.Put(runIndex - 1, std::move(run));
                }
                mine = writing && runIndex % threads == self;
                if (mine) {
                    writing = queue.WaitTurn(runIndex);
                    mine = writing;
                    run = queue.TakeBuffer();
                }
            }
            if (mine) {
                FillRow(item, depth, row, previous);
                previous = &item;
                format(row, run);
            }
            ++index;
        });
        if (mine) {
            queue.Put((index - 1) / kRowsPerRun, std::move(run));
        }
    };
    std::vector<std::thread> helpers;
    std::atomic<unsigned> nextSelf{1};
    const unsigned count =
        1 + StartThreads(helpers, wanted - 1, [&] { work(nextSelf.fetch_add(1)); });
    {
        std::lock_guard<std::mutex> lock(startMutex);
        threads = count;
    }
    started.notify_all();
    work(0);
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

void BuildNormal(const ReportInput& input, const ReportOptions& options, int contentIndex,
                 int fileNameStyle, ReportText& text) {
    std::string& out = text.Text();
    switch (contentIndex) {
        case 0:
            out += Header(input) + "Only different files will be displayed.\n\n";
            break;
        case 2:
            out += "DIR [" + input.leftRoot + "]\n\n";
            break;
        case 4:
            out += "DIR [" + input.rightRoot + "]\n\n";
            break;
        default:
            out += Header(input);
            break;
    }
    const Labels labels(options);
    FormatRows(input, text, [&](const ReportRow& row, std::string& to) {
        if (row.isFolder) {
            if (row.name != ".." && fileNameStyle != 2) {
                AppendNormalFolder(to, row, labels, contentIndex, fileNameStyle);
            }
        } else {
            AppendNormalFile(to, row, labels, contentIndex, fileNameStyle);
        }
    });
}

void BuildSpreadsheet(const ReportInput& input, const ReportOptions& options, int contentIndex,
                      int fileNameStyle, ReportText& text) {
    text.Text() += Header(input);
    const int maxDepth = MaxDepth(input);
    const int columns = options.ColumnCount();
    const bool leftBlocks = contentIndex != 5;
    const bool rightBlocks = contentIndex != 3;
    const bool oneSided = !leftBlocks || !rightBlocks;
    const Labels labels(options);

    auto fileBlock = [&](const ReportRow& row, bool right) {
        std::string block = Tabs(row.depth - 1);
        const std::string& name = right ? RightName(row) : row.name;
        block += fileNameStyle == 2 ? JoinPath(right ? row.rightPath : row.leftPath, name) : name;
        block += "\t" + Tabs(maxDepth - row.depth);
        const std::string& stamp = right ? row.rightTime : row.leftTime;
        labels.AppendCells(block, right ? row.rightVersion : row.leftVersion,
                           options.hhmmss ? stamp : DateOnly(stamp),
                           right ? row.rightSize : row.leftSize);
        return block;
    };
    auto emptyBlock = [&](const ReportRow& row) {
        return Tabs(row.depth - 1) + "\t" + Tabs(maxDepth - row.depth) + Tabs(columns);
    };
    auto folderBlock = [&](const ReportRow& row, bool right) {
        const std::string& name = right ? RightName(row) : row.name;
        return Tabs(row.depth - 1) + "[" + (fileNameStyle == 0 ? kFilePrefix : "") + name +
               (fileNameStyle == 0 ? kSheetFolderSuffix : "") + "]";
    };
    auto rowEnd = [&](ReportStatus status) {
        return std::string(oneSided ? std::string_view("\n") : labels.RowEnd(status));
    };

    FormatRows(input, text, [&](const ReportRow& row, std::string& out) {
        if (row.isFolder) {
            if (row.name == ".." || fileNameStyle == 2) {
                return;
            }
            if (!FolderSidesMatch(row)) {
                out += Tabs(row.depth - 1) + row.name +
                       (fileNameStyle == 0 ? kSheetFolderSuffix : "") + kSomethingWrong;
                return;
            }
            bool hasLeft = row.status != ReportStatus::FolderRightOnly;
            bool hasRight = row.status != ReportStatus::FolderLeftOnly;
            if ((!hasLeft && !rightBlocks) || (!hasRight && !leftBlocks)) {
                return;
            }
            if (oneSided) {
                out += folderBlock(row, !leftBlocks) + "\n";
            } else if (hasLeft && hasRight) {
                out += folderBlock(row, false) + "\t" + Tabs(maxDepth + columns - row.depth) +
                       folderBlock(row, true) + rowEnd(row.status);
            } else if (hasLeft) {
                out += folderBlock(row, false) + rowEnd(row.status);
            } else {
                out += Tabs(row.depth - 1) + "\t" + Tabs(maxDepth + columns - row.depth) +
                       folderBlock(row, true) + rowEnd(row.status);
            }
            return;
        }
        ReportStatus s = row.status;
        if ((s == ReportStatus::Same && contentIndex == 1) ||
            (s == ReportStatus::LeftOnly && contentIndex == 5) ||
            (s == ReportStatus::RightOnly && contentIndex == 3) ||
            (!IsFileStatus(s) && contentIndex != 7)) {
            return;
        }
        bool hasLeft =
            s != ReportStatus::RightOnly && !(s == ReportStatus::Unknown && row.leftPath.empty());
        bool hasRight =
            s != ReportStatus::LeftOnly && !(s == ReportStatus::Unknown && row.rightPath.empty());
        if (leftBlocks) {
            out += hasLeft ? fileBlock(row, false) : emptyBlock(row);
        }
        if (rightBlocks) {
            out += hasRight ? fileBlock(row, true) : emptyBlock(row);
        }
        out += rowEnd(s);
    });
}

}  // namespace

std::string BuildTextReport(const ReportInput& input, const ReportOptions& options,
                            int contentIndex, int fileNameStyle) {
    ReportText text;
    BuildNormal(input, options, contentIndex, fileNameStyle, text);
    return std::move(text.Text());
}

std::string BuildSpreadsheetReport(const ReportInput& input, const ReportOptions& options,
                                   int contentIndex, int fileNameStyle) {
    ReportText text;
    BuildSpreadsheet(input, options, contentIndex, fileNameStyle, text);
    return std::move(text.Text());
}

namespace {

bool WriteLayout(const ReportInput& input, const ReportOptions& options, FILE* stream,
                 int contentIndex, int encoding, int fileNameStyle, bool sheet) {
    const TextEncoding enc = ToTextEncoding(encoding);
    if (stream == nullptr || (sheet && !WriteTextMark(stream, enc))) {
        return false;
    }
    EncodedTextWriter writer(stream, enc);
    ReportText text([&writer](std::string_view piece) { return writer.Write(piece) > 0; });
    if (sheet) {
        BuildSpreadsheet(input, options, contentIndex, fileNameStyle, text);
    } else {
        BuildNormal(input, options, contentIndex, fileNameStyle, text);
    }
    return text.Finish() && std::fflush(stream) == 0;
}

// The normal layout appends; the spreadsheet starts a new file.
bool WriteLayoutFile(const ReportInput& input, const ReportOptions& options,
                     const std::string& outputPath, int contentIndex, int encoding,
                     int fileNameStyle, bool sheet) {
    // The mark goes with the stream writer, so the file is opened without one.
    FILE* stream =
        OpenEncodedTextFile(outputPath, sheet ? "w" : "a+", ToTextEncoding(encoding), false);
    if (stream == nullptr) {
        return false;
    }
    bool ok = WriteLayout(input, options, stream, contentIndex, encoding, fileNameStyle, sheet);
    ok = std::fclose(stream) == 0 && ok;
    return ok;
}

}  // namespace

bool WriteReportToStream(const ReportInput& input, const ReportOptions& options, FILE* stream,
                         int contentIndex, int encoding, int fileNameStyle) {
    return WriteLayout(input, options, stream, contentIndex, encoding, fileNameStyle,
                       IsSpreadsheetIndex(contentIndex));
}

bool WriteTextReport(const ReportInput& input, const ReportOptions& options,
                     const std::string& outputPath, int contentIndex, int encoding,
                     int fileNameStyle) {
    return WriteLayoutFile(input, options, outputPath, contentIndex, encoding, fileNameStyle,
                           false);
}

bool WriteSpreadsheetReport(const ReportInput& input, const ReportOptions& options,
                            const std::string& outputPath, int contentIndex, int encoding,
                            int fileNameStyle) {
    return WriteLayoutFile(input, options, outputPath, contentIndex, encoding, fileNameStyle, true);
}

bool WriteReportFile(const ReportInput& input, const ReportOptions& options,
                     const std::string& target, int contentIndex, int encoding, int fileNameStyle,
                     std::string& why) {
    OutputFile output;
    return output.Open(target, why) &&
           WriteReportToStream(input, options, output.Stream(), contentIndex, encoding,
                               fileNameStyle) &&
           output.Commit(why);
}

std::string BuildReportSample(const ReportOptions& options, int fileNameStyle) {
    const std::string root = "/";
    const std::string folder = "MyFolder";
    const std::string file = "MyFile.ext";
    std::string version = options.versionColumn ? options.VersionLabelText() + "1.2.3" : "";
    std::string time = options.timeColumn ? options.TimeLabelText() + "01/01/1900" +
                                                (options.hhmmss ? "12:34" : "")
                                          : "";
    std::string size =
        options.sizeColumn ? options.SizeLabelText() + "123,456" + options.BytesLabelText() : "";
    std::string values = version + "\t" + time + "\t" + size + "\n ...";
    switch (fileNameStyle) {
        case 0:
            return " " + folder + kNormalFolderSuffix + "\n\t" + kFilePrefix + file + "\t" + values;
        case 1:
            return " " + folder + "\n\t" + file + "\t" + values;
        default:
            return " " + JoinPath(JoinPath(root, folder), file) + "\t\t" + values;
    }
}

}  // namespace quillon
