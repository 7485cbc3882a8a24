// The printed comparison as plain data: which rows go on which page, where each text stands, in
// which colour, and the footer. Paper, preview and PDF draw exactly these pages; the renderer only
// supplies the widths of texts in its font.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/TextReport.h"

namespace quillon {

// Colours with red in the lowest byte. Rows are coloured by their status, independent of the
// colours the panes use on screen.
inline constexpr uint32_t kPrintColorDefault = 0;
inline constexpr uint32_t kPrintColorDifferent = 255;
inline constexpr uint32_t kPrintColorLeftOnly = 39680;
inline constexpr uint32_t kPrintColorRightOnly = 16711680;
inline constexpr uint32_t kPrintColorGrid = 13027014;
inline constexpr uint32_t kPrintColorAccent = 0x804000;  // the line between the two panes
inline constexpr uint32_t kPrintColorBackground = 0xFFFFFF;

inline constexpr char kProductWebAddress[] = "https://quillon.marrowby.example";
inline constexpr char kPrintWidthQuestion[] =
    "The selected page width is not wide enough to print both views.\nYou may want to adjust "
    "the page orientation or select the lager size of paper in Print dialog.\nDo you want to "
    "modify Print properties?\n\nIf you select \"No\", part of the folder/file names will be "
    "truncated.";
inline constexpr char kPrintEllipsis[] = "...";

// Which rows are printed; the numbers are those of the -PrintPDF switch.
enum class PrintRows { All = 0, OnlyDifferent = 1, AllButSame = 2 };

enum class PrintColumn { Version, Time, Size };

// Widths and the line height in the units of the page (points), in the renderer's one font.
class TextMeasurer {
  public:
    virtual ~TextMeasurer() = default;
    virtual double Width(std::string_view utf8) const = 0;
    virtual double LineHeight() const = 0;
};

struct PrintSetup {
    double pageWidth = 0;  // the printable area
    double pageHeight = 0;
    PrintRows rows = PrintRows::All;
    std::vector<PrintColumn> columns;  // after the name, in each pane
    bool detailTimestamp = false;      // the time of day after the date
    std::tm preparedAt{};              // local time, for the footer
};

struct PrintCell {
    double x = 0;  // left edge of the cell; the text stands `kPrintTextPad` inside
    double width = 0;
    std::string text;  // already cut to fit
    bool alignRight = false;
};

struct PrintLine {
    double top = 0;
    uint32_t color = kPrintColorDefault;
    std::vector<PrintCell> cells;
};

struct PrintPage {
    int number = 1;  // from 1
    std::vector<PrintLine> lines;
    std::string footerLeft;
    std::string footerRight;
};

// What every page shares: the grid and the places of the heading and the footer strip.
struct PrintGeometry {
    double pageWidth = 0;
    double pageHeight = 0;
    double rowHeight = 0;
    double tableTop = 0;              // below the heading line (the two root folders)
    std::vector<double> columnEdges;  // x of every vertical grid line, 0 and the page width too
    double paneSplit = 0;
    double footerTop = 0;
    double footerHeight = 0;
    PrintLine heading;
};

inline constexpr double kPrintTextPad = 2;

// The footer texts of page `number`.
std::string PrintFooterLeft(int number);
std::string PrintFooterRight(const std::tm& preparedAt);
// The longest start of `text` (whole characters) that fits `width` with the ellipsis after it,
// or `text` itself when it fits.
std::string FitText(const std::string& text, double width, const TextMeasurer& measure);

class PrintLayout {
  public:
    // Reads the printed rows of `input` once to measure them and count the pages. `input` and
    // `measure` must outlive the layout; the rows must not change meanwhile.
    PrintLayout(const ReportInput& input, const PrintSetup& setup, const TextMeasurer& measure);

    // Both panes side by side need this width to show every name whole.
    double NeededWidth() const { return neededWidth_; }
    bool FitsWidth() const { return neededWidth_ <= geometry_.pageWidth; }
    int RowCount() const { return rowCount_; }
    int RowsPerPage() const { return rowsPerPage_; }
    int PageCount() const;
    const PrintGeometry& Geometry() const { return geometry_; }

    // The pages in order, built one at a time: a page lives only for its call. A visitor that
    // returns false ends the walk.
    void ForEachPage(const std::function<bool(const PrintPage&)>& visit) const;

    static bool Printed(const ReportRow& row, PrintRows rows);

  private:
    void RowCells(const ReportRow& row, PrintLine& line) const;

    const ReportInput& input_;
    PrintSetup setup_;
    const TextMeasurer& measure_;
    PrintGeometry geometry_;
    double neededWidth_ = 0;
    double indentStep_ = 0;
    double nameWidth_ = 0;
    std::vector<double> valueWidths_;
    bool valuesCut_ = false;
    int rowCount_ = 0;
    int rowsPerPage_ = 1;
};

}  // namespace quillon
