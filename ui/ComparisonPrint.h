// Printing the comparison: one renderer for the printer, the preview and the PDF, drawing the
// pages that the print layout computes.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reports/PrintLayout.h"
#include "reports/TextReport.h"

class QPainter;
class QPrintPreviewDialog;
class QPagedPaintDevice;
class QWidget;

namespace quillon {

class CQuillonView;
class Prompter;
class SettingsStore;

inline constexpr char kMenuPrint[] = "&Print...";
inline constexpr char kMenuPrintPreview[] = "Print Pre&view...";
inline constexpr char kMenuSavePdf[] = "Save Output as PD&F file";
inline constexpr char kMenuSavePdfDifferences[] = "Only &Differences";
inline constexpr char kMenuSavePdfAll[] = "&All";
inline constexpr char kNoPrinterMessage[] =
    "No printer is installed.\n\nPrint Preview and Save Output as PDF file still work.";
inline constexpr char kPdfChooserTitle[] = "Enter the Output PDF filename";
inline constexpr char kPdfCreatedQuestion[] =
    "PDF file %s has been successfully created...\nDo you want to view it?";
inline constexpr char kPdfFailedMessage[] = "Error occurred during PDF creation...";

// DejaVu Sans, sized in the page's units (points): the painter is scaled to points.
QFont PrintFont();

class QtTextMeasurer : public TextMeasurer {
  public:
    QtTextMeasurer() : metrics_(PrintFont()) {}
    double Width(std::string_view utf8) const override;
    double LineHeight() const override { return metrics_.height(); }

  private:
    QFontMetricsF metrics_;
};

// What is printed: the rows (in list order) and the columns of the panes.
struct PrintSource {
    ReportInput input;
    std::vector<PrintColumn> columns;
    bool detailTimestamp = false;
};

// The rows the view shows, with its columns. The rows are a copy: an automatic refresh may
// change the tree while a dialog is open.
PrintSource ViewPrintSource(CQuillonView& view);

// One print job, preview dialog or PDF: the width question is asked at most once in it.
struct PrintSession {
    const PrintSource* source = nullptr;
    PrintRows rows = PrintRows::All;
    std::tm preparedAt{};  // local time when the job was prepared
    bool asked = false;
};

// The layout for a page; when both panes do not fit and the question was not asked yet, asks it;
// on Yes `changePage` may change the page (false: left as it was), then measures again.
// Whatever still does not fit is cut.
std::unique_ptr<PrintLayout> PrepareLayout(PrintSession& session, const QPageLayout& page,
                                           const QtTextMeasurer& measure, Prompter& prompter,
                                           const std::function<bool(QPageLayout&)>& changePage);

// Draws one page; the painter's units are points with the origin at the printable area.
void DrawPrintPage(QPainter& painter, const PrintGeometry& geometry, const PrintPage& page);
// Every page (or pages `from` to `to`, from 1; 0 for no bound) on `device`.
bool RenderPages(QPagedPaintDevice& device, const PrintLayout& layout, int from = 0, int to = 0);

// The paper of the locale: Letter where it is the locale's paper, else A4; portrait.
QPageLayout LocalePageLayout();

// The pages as a PDF at `target`: drawn into a temporary file, then made by Ghostscript, which
// replaces `target` only when it succeeds. False with the reason in `error`.
bool WriteComparisonPdf(const PrintLayout& layout, const QPageLayout& page,
                        const std::string& target, std::string& error);

// The File menu's commands.
void PrintComparison(QWidget* parent, const PrintSource& source, Prompter& prompter);
void PreviewComparison(QWidget* parent, const PrintSource& source, Prompter& prompter);
// The preview draws the session's pages on every repaint, measured for its current page.
void ConnectPreview(QPrintPreviewDialog& preview, PrintSession& session,
                    const QtTextMeasurer& measure, Prompter& prompter);
// Asks for the file (in the stored PDF folder, which is stored back), writes it and offers to
// show it with `view`.
void SaveComparisonPdf(QWidget* parent, const PrintSource& source, PrintRows rows,
                       SettingsStore& store, Prompter& prompter,
                       const std::function<bool(const std::string&)>& view);

}  // namespace quillon
