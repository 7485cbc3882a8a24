// The text report of a comparison: a readable normal-text layout and a tab-separated spreadsheet
// layout, written from the rows of the comparison in display order.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "reports/ReportOptions.h"

namespace quillon {

struct DiffItem;

enum class ReportStatus {
    Same,
    Different,
    LeftOnly,
    RightOnly,
    FolderBoth,
    FolderLeftOnly,
    FolderRightOnly,
    Unknown,
};

// What the report reads from one comparison row. A side that is absent has an empty folder path.
struct ReportRow {
    bool isFolder = false;
    ReportStatus status = ReportStatus::Unknown;
    int depth = 1;  // 1 for the top level
    std::string name;
    std::string rightName;  // the right side's spelling when it differs in case; else empty
    std::string leftPath;
    std::string rightPath;
    std::string leftVersion, rightVersion;
    std::string leftTime, rightTime;
    std::string leftSize, rightSize;
};

// Rows in display order, handed one at a time: the row given to the visitor lives only for
// the call.
using ReportRowVisitor = std::function<void(const ReportRow&)>;

struct ReportInput {
    std::string leftRoot;
    std::string rightRoot;
    std::vector<ReportRow> rows;
    // When set, the rows are read from this tree as the report is written, and `rows` is unused:
    // a report of a million entries then never holds them all as texts. The tree must not change
    // while the input is in use.
    const DiffItem* tree = nullptr;

    void ForEachRow(const ReportRowVisitor& visit) const;
};

// The rows below `root` in display order (depth-first, sibling order), with the texts stored in
// the items. Only loaded subtrees are visited. The copy outlives changes to the tree.
ReportInput CollectReportInput(const DiffItem* root, const std::string& leftRoot,
                               const std::string& rightRoot);
// The same rows, read from the tree only when they are written.
ReportInput TreeReportInput(const DiffItem* root, const std::string& leftRoot,
                            const std::string& rightRoot);
// Whether any row is not "same" or "folder in both"; stops at the first.
bool HasDifferenceRow(const ReportInput& input);

// The whole report text (UTF-8, LF line ends) of the layout that `contentIndex` selects.
std::string BuildTextReport(const ReportInput& input, const ReportOptions& options,
                            int contentIndex, int fileNameStyle);
std::string BuildSpreadsheetReport(const ReportInput& input, const ReportOptions& options,
                                   int contentIndex, int fileNameStyle);

// Write the report in pieces as it is built. The normal layout appends without a byte-order
// mark; the spreadsheet layout starts a new file with the mark of its encoding. False when the
// file cannot be opened or written.
bool WriteTextReport(const ReportInput& input, const ReportOptions& options,
                     const std::string& outputPath, int contentIndex, int encoding,
                     int fileNameStyle);
bool WriteSpreadsheetReport(const ReportInput& input, const ReportOptions& options,
                            const std::string& outputPath, int contentIndex, int encoding,
                            int fileNameStyle);
// The same to an open stream, which gets exactly the bytes the file would hold (the
// spreadsheet's mark included). The stream stays open.
bool WriteReportToStream(const ReportInput& input, const ReportOptions& options, FILE* stream,
                         int contentIndex, int encoding, int fileNameStyle);

// The report as a new file at `target` (see OutputFile: an old report stays until the new one is
// complete; nothing but a regular file is replaced). False with the reason in `why`, which may
// stay empty when only the writing failed.
bool WriteReportFile(const ReportInput& input, const ReportOptions& options,
                     const std::string& target, int contentIndex, int encoding, int fileNameStyle,
                     std::string& why);

// The sample line of the options dialog, from fixed values.
std::string BuildReportSample(const ReportOptions& options, int fileNameStyle);

}  // namespace quillon
