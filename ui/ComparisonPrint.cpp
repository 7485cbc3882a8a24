#include "ui/ComparisonPrint.h"

#include <langinfo.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <clocale>
#include <cstdint>
#include <cstdlib>

#include "platform/Ghostscript.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

namespace quillon {

namespace {

constexpr int kFontPoints = 8;
constexpr double kPointsPerInch = 72.0;
constexpr double kPdfMarginPoints = 28;  // about 10 mm
constexpr int kLetterWidthMm = 216;
constexpr double kThinLine = 0.4;
constexpr double kPaneLine = 1.0;

QColor ColorOf(uint32_t value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::tm LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

PrintSetup SetupFor(const PrintSession& session, const QPageLayout& page) {
    const QRectF area = page.paintRect(QPageLayout::Point);
    PrintSetup setup;
    setup.pageWidth = area.width();
    setup.pageHeight = area.height();
    setup.rows = session.rows;
    setup.columns = session.source->columns;
    setup.detailTimestamp = session.source->detailTimestamp;
    setup.preparedAt = session.preparedAt;
    return setup;
}

PrintSession NewSession(const PrintSource& source, PrintRows rows) {
    PrintSession session;
    session.source = &source;
    session.rows = rows;
    session.preparedAt = LocalNow();
    return session;
}

bool PageSetupDialog(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::string LastFolderName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    size_t slash = trimmed.rfind('/');
    std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    return name.empty() ? "root" : name;
}

}  // namespace

PrintSource ViewPrintSource(CQuillonView& view) {
    CQuillonDoc& doc = view.Doc();
    PrintSource source;
    source.input = CollectReportInput(doc.GetComparison().rootItem, doc.Path(0), doc.Path(1));
    for (ColumnKind kind : view.Settings().ColumnsPerSide()) {
        if (kind == ColumnKind::kVersion) {
            source.columns.push_back(PrintColumn::Version);
        } else if (kind == ColumnKind::kTime) {
            source.columns.push_back(PrintColumn::Time);
        } else if (kind == ColumnKind::kSize) {
            source.columns.push_back(PrintColumn::Size);
        }
    }
    source.detailTimestamp = view.Model().DetailTimestamp();
    return source;
}

QFont PrintFont() {
    QFont font("DejaVu Sans");
    // Pixels of the painter's units, which are points: a point size would be scaled twice.
    font.setPixelSize(kFontPoints);
    font.setHintingPreference(QFont::PreferNoHinting);
    // No ligatures: "ff" drawn as one glyph would be one character in the PDF's text.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

double QtTextMeasurer::Width(std::string_view utf8) const {
    return metrics_.horizontalAdvance(
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

std::unique_ptr<PrintLayout> PrepareLayout(PrintSession& session, const QPageLayout& page,
                                           const QtTextMeasurer& measure, Prompter& prompter,
                                           const std::function<bool(QPageLayout&)>& changePage) {
    auto layout =
        std::make_unique<PrintLayout>(session.source->input, SetupFor(session, page), measure);
    if (layout->FitsWidth() || session.asked) {
        return layout;
    }
    session.asked = true;
    PromptRequest request;
    request.text = kPrintWidthQuestion;
    request.style = mb::kYesNo | mb::kIconQuestion;
    if (prompter.Ask(request) != mbr::kYes) {
        return layout;
    }
    QPageLayout changed = page;
    if (changePage && changePage(changed)) {
        layout = std::make_unique<PrintLayout>(session.source->input, SetupFor(session, changed),
                                               measure);
    }
    return layout;
}

void DrawPrintPage(QPainter& painter, const PrintGeometry& g, const PrintPage& page) {
    painter.save();
    painter.setFont(PrintFont());
    const QRectF whole(0, 0, g.pageWidth, g.pageHeight);
    painter.fillRect(whole, ColorOf(kPrintColorBackground));
    auto drawLine = [&](const PrintLine& line) {
        painter.setPen(ColorOf(line.color));
        for (const PrintCell& cell : line.cells) {
            QRectF box(cell.x + kPrintTextPad, line.top, cell.width - 2 * kPrintTextPad,
                       g.rowHeight);
            int align = (cell.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            painter.drawText(box, align | Qt::TextSingleLine, Text(cell.text));
        }
    };
    drawLine(g.heading);
    for (const PrintLine& line : page.lines) {
        drawLine(line);
    }
    const double bottom = g.tableTop + static_cast<double>(page.lines.size()) * g.rowHeight;
    QPen grid(ColorOf(kPrintColorGrid), kThinLine);
    painter.setPen(grid);
    for (double y = g.tableTop + g.rowHeight; y < bottom; y += g.rowHeight) {
        painter.drawLine(QPointF(0, y), QPointF(g.pageWidth, y));
    }
    for (double x : g.columnEdges) {
        if (x > 0 && x < g.pageWidth && x != g.paneSplit) {
            painter.drawLine(QPointF(x, g.tableTop), QPointF(x, bottom));
        }
    }
    painter.setPen(QPen(ColorOf(kPrintColorDefault), kThinLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, 0, g.pageWidth, bottom));
    painter.drawLine(QPointF(0, g.tableTop), QPointF(g.pageWidth, g.tableTop));
    painter.setPen(QPen(ColorOf(kPrintColorAccent), kPaneLine));
    painter.drawLine(QPointF(g.paneSplit, 0), QPointF(g.paneSplit, bottom));

    const QRectF strip(0, g.footerTop, g.pageWidth, g.footerHeight);
    painter.setPen(QPen(ColorOf(kPrintColorDefault), kThinLine));
    painter.drawRect(strip);
    // Never clipped: a clipped page number would vanish from paper but stay in the PDF's text.
    const QRectF inside(2, g.footerTop, g.pageWidth - 4, g.footerHeight);
    const int line = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    painter.drawText(inside, Qt::AlignLeft | line, Text(page.footerLeft));
    painter.drawText(inside, Qt::AlignRight | line, Text(page.footerRight));
    painter.restore();
}

bool RenderPages(QPagedPaintDevice& device, const PrintLayout& layout, int from, int to) {
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    painter.scale(device.logicalDpiX() / kPointsPerInch, device.logicalDpiY() / kPointsPerInch);
    bool first = true;
    bool ok = true;
    layout.ForEachPage([&](const PrintPage& page) {
        if (page.number < from) {
            return true;
        }
        if (!first && !device.newPage()) {
            ok = false;
            return false;
        }
        first = false;
        DrawPrintPage(painter, layout.Geometry(), page);
        return to <= 0 || page.number < to;
    });
    return painter.end() && ok;
}

QPageLayout LocalePageLayout() {
    // glibc hands the paper's width in millimetres as the pointer's value.
    const auto width = static_cast<int>(reinterpret_cast<intptr_t>(nl_langinfo(_NL_PAPER_WIDTH)));
    QPageSize size(width == kLetterWidthMm ? QPageSize::Letter : QPageSize::A4);
    const QMarginsF margins(kPdfMarginPoints, kPdfMarginPoints, kPdfMarginPoints, kPdfMarginPoints);
    return QPageLayout(size, QPageLayout::Portrait, margins, QPageLayout::Point);
}

bool WriteComparisonPdf(const PrintLayout& layout, const QPageLayout& page,
                        const std::string& target, std::string& error) {
    const std::string gs = FindGhostscript();
    if (gs.empty()) {
        error = "Ghostscript (gs) could not be found";
        return false;
    }
    QTemporaryDir work(QDir::tempPath() + "/quillon-print-XXXXXX");
    if (!work.isValid()) {
        error = "no temporary folder: " + work.errorString().toStdString();
        return false;
    }
    const QString drawn = work.filePath("pages.pdf");
    {
        QPdfWriter writer(drawn);
        writer.setCreator("Quillon");
        writer.setPageLayout(page);
        if (!RenderPages(writer, layout)) {
            error = "cannot write " + drawn.toStdString();
            return false;
        }
    }
    std::string why;
    if (!GhostscriptToPdf(gs, drawn.toStdString(), target, &why)) {
        error = why.empty() ? "Ghostscript failed to write " + target : why;
        return false;
    }
    return true;
}

void PrintComparison(QWidget* parent, const PrintSource& source, Prompter& prompter) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        PromptRequest request;
        request.text = kNoPrinterMessage;
        request.style = mb::kOk | mb::kIconInformation;
        prompter.Ask(request);
        return;
    }
    // The printer the dialog starts on is the user's default, and stays so.
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    Log("Entering OnFilePrint()...");
    PrintSession session = NewSession(source, PrintRows::All);
    QtTextMeasurer measure;
    auto layout =
        PrepareLayout(session, printer.pageLayout(), measure, prompter, [&](QPageLayout& page) {
            if (!PageSetupDialog(parent, printer)) {
                return false;
            }
            page = printer.pageLayout();
            return true;
        });
    if (!RenderPages(printer, *layout, printer.fromPage(), printer.toPage())) {
        Log("OnFilePrint(): the printer could not be started.");
    }
    Log("Leaving OnFilePrint()...");
}

void PreviewComparison(QWidget* parent, const PrintSource& source, Prompter& prompter) {
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // Without a printer the preview shows the pages as the PDF would hold them.
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageLayout(LocalePageLayout());
    }
    PrintSession session = NewSession(source, PrintRows::All);
    QtTextMeasurer measure;
    // Asked before the dialog opens, so that no repaint of the preview asks again.
    PrepareLayout(session, printer.pageLayout(), measure, prompter, [&](QPageLayout& page) {
        if (!PageSetupDialog(parent, printer)) {
            return false;
        }
        page = printer.pageLayout();
        return true;
    });
    session.asked = true;
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle("Print Preview");
    ConnectPreview(preview, session, measure, prompter);
    preview.exec();
}

void ConnectPreview(QPrintPreviewDialog& preview, PrintSession& session,
                    const QtTextMeasurer& measure, Prompter& prompter) {
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&session, &measure, &prompter](QPrinter* device) {
                         auto layout =
                             PrepareLayout(session, device->pageLayout(), measure, prompter, {});
                         RenderPages(*device, *layout);
                     });
}

void SaveComparisonPdf(QWidget* parent, const PrintSource& source, PrintRows rows,
                       SettingsStore& store, Prompter& prompter,
                       const std::function<bool(const std::string&)>& view) {
    const std::string folder = ReadSetting(store, settings::kPdfOutputPath);
    const std::string proposed = LastFolderName(source.input.leftRoot) + " vs " +
                                 LastFolderName(source.input.rightRoot) + ".pdf";
    const QString start = QDir(Text(folder)).filePath(Text(proposed));
    const QString chosen =
        QFileDialog::getSaveFileName(parent, kPdfChooserTitle, start, "PDF Files (*.pdf)");
    if (chosen.isEmpty()) {
        return;
    }
    const std::string target = chosen.toStdString();
    WriteSetting(store, settings::kPdfOutputPath, QFileInfo(chosen).absolutePath().toStdString());

    PrintSession session = NewSession(source, rows);
    QtTextMeasurer measure;
    QPrinter pageOwner(QPrinter::HighResolution);
    pageOwner.setOutputFormat(QPrinter::PdfFormat);
    QPageLayout page = LocalePageLayout();
    pageOwner.setPageLayout(page);
    auto layout = PrepareLayout(session, page, measure, prompter, [&](QPageLayout& changed) {
        if (!PageSetupDialog(parent, pageOwner)) {
            return false;
        }
        changed = pageOwner.pageLayout();
        page = changed;
        return true;
    });
    std::string error;
    PromptRequest request;
    if (!WriteComparisonPdf(*layout, page, target, error)) {
        Log("Save Output as PDF: %s", error.c_str());
        request.text = std::string(kPdfFailedMessage) + "\n\n" + error;
        request.style = mb::kOk | mb::kIconExclamation;
        prompter.Ask(request);
        return;
    }
    Log("Save Output as PDF: %s created...", target.c_str());
    const std::string format = kPdfCreatedQuestion;
    const size_t at = format.find("%s");
    request.text = format.substr(0, at) + target + format.substr(at + 2);
    request.style = mb::kYesNo | mb::kIconQuestion;
    if (prompter.Ask(request) == mbr::kYes && view) {
        view(target);
    }
}

}  // namespace quillon
