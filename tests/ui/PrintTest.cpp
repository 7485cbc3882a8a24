// The printed comparison: one page drawn offscreen and checked by what was drawn, the width
// question once per job, and the PDF of -PrintPDF read back with the poppler tools.
#include <gtest/gtest.h>

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/FakePrompter.h"
#include "support/RunProcess.h"
#include "support/StoreFixture.h"
#include "ui/ComparisonPrint.h"

namespace quillon {
namespace {

// Keeps every text, line and rectangle with the pen it was drawn with.
class RecordingEngine : public QPaintEngine {
  public:
    struct Text {
        std::string text;
        QColor color;
        bool clipped = false;
    };
    struct Line {
        QLineF line;
        QColor color;
    };
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & QPaintEngine::DirtyPen) {
            pen_ = state.pen();
        }
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override {
        texts.push_back({item.text().toStdString(), pen_.color(), painter()->hasClipping()});
    }
    using QPaintEngine::drawLines;
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            this->lines.push_back({lines[i], pen_.color()});
        }
    }
    using QPaintEngine::drawRects;
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            if (pen_.style() != Qt::NoPen) {
                frames.push_back(rects[i]);
            }
        }
    }
    Type type() const override { return QPaintEngine::User; }

    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<QRectF> frames;

  private:
    QPen pen_;
};

class RecordingDevice : public QPaintDevice {
  public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return 600;
            case PdmHeight:
                return 800;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 72;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatioScaled:
                return int(devicePixelRatioFScale());
            default:
                return 1;
        }
    }
};

ReportRow FileRow(const std::string& name, ReportStatus status, bool left, bool right) {
    ReportRow row;
    row.name = name;
    row.status = status;
    row.leftPath = left ? "/L" : "";
    row.rightPath = right ? "/R" : "";
    row.leftSize = left ? "10" : "";
    row.rightSize = right ? "20" : "";
    return row;
}

PrintSource ThreeRows() {
    PrintSource source;
    source.input.leftRoot = "/L";
    source.input.rightRoot = "/R";
    source.input.rows = {FileRow("same.txt", ReportStatus::Same, true, true),
                         FileRow("diff.txt", ReportStatus::Different, true, true),
                         FileRow("new.txt", ReportStatus::RightOnly, false, true)};
    source.columns = {PrintColumn::Size};
    return source;
}

// A page draws the roots, each row's cells in its status colour, the footer, a grey grid between
// rows and columns, the accent line between the panes and black frames round table and footer.
TEST(PrintRender, PageByStructure) {
    PrintSource source = ThreeRows();
    PrintSession session;
    session.source = &source;
    session.preparedAt.tm_year = 126;
    session.preparedAt.tm_mday = 2;
    QtTextMeasurer measure;
    test::FakePrompter prompter;
    // Narrow enough that the footer's left text is wider than half the page.
    QPageLayout page(QPageSize(QPageSize::A5), QPageLayout::Portrait, QMarginsF());
    auto layout = PrepareLayout(session, page, measure, prompter, {});
    ASSERT_TRUE(layout->FitsWidth());
    RecordingDevice device;
    QPainter painter(&device);
    layout->ForEachPage([&](const PrintPage& p) {
        DrawPrintPage(painter, layout->Geometry(), p);
        return true;
    });
    painter.end();
    const RecordingEngine& e = device.engine;

    const QColor black(0, 0, 0), red(255, 0, 0), blue(0, 0, 255);
    const std::vector<std::pair<std::string, QColor>> expected = {{"/L", black},
                                                                  {"/R", black},
                                                                  {"same.txt", black},
                                                                  {"10", black},
                                                                  {"same.txt", black},
                                                                  {"20", black},
                                                                  {"diff.txt", red},
                                                                  {"10", red},
                                                                  {"diff.txt", red},
                                                                  {"20", red},
                                                                  {"new.txt", blue},
                                                                  {"20", blue},
                                                                  {PrintFooterLeft(1), black},
                                                                  {"01/02/2026  00:00:00", black}};
    ASSERT_EQ(e.texts.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(e.texts[i].text, expected[i].first) << i;
        EXPECT_EQ(e.texts[i].color, expected[i].second) << i;
    }
    // The footer is never clipped: its page number must show on paper, not only in the text.
    EXPECT_FALSE(e.texts[expected.size() - 2].clipped);
    EXPECT_FALSE(e.texts[expected.size() - 1].clipped);
    const PrintGeometry& g = layout->Geometry();
    int across = 0, down = 0, accent = 0;
    for (const RecordingEngine::Line& l : e.lines) {
        if (l.color == QColor(198, 198, 198)) {
            (l.line.dy() == 0 ? across : down) += 1;
        } else if (l.color == QColor(0, 0x40, 0x80)) {
            accent += l.line.x1() == g.paneSplit ? 1 : 0;
        }
    }
    EXPECT_EQ(across, 2);  // between three rows
    EXPECT_EQ(down, 2);    // before the size column of each pane
    EXPECT_EQ(accent, 1);
    const double bottom = g.tableTop + 3 * g.rowHeight;
    EXPECT_TRUE(std::count(e.frames.begin(), e.frames.end(), QRectF(0, 0, g.pageWidth, bottom)));
    EXPECT_TRUE(std::count(e.frames.begin(), e.frames.end(),
                           QRectF(0, g.footerTop, g.pageWidth, g.footerHeight)));
}

// The width question comes once per job; Yes lets the page change and measures again, No (or a
// page setup given up) prints with cut names.
TEST(PrintRender, WidthQuestionOncePerJob) {
    PrintSource source = ThreeRows();
    source.input.rows[0].name = std::string(120, 'w');
    QtTextMeasurer measure;
    const QPageLayout narrow(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF());
    struct Case {
        int answer;
        bool setupAccepted;
        bool fits;
    } cases[] = {{mbr::kYes, true, true}, {mbr::kYes, false, false}, {mbr::kNo, true, false}};
    for (const Case& c : cases) {
        PrintSession session;
        session.source = &source;
        test::FakePrompter prompter;
        prompter.script = {c.answer};
        int setups = 0;
        auto widen = [&](QPageLayout& page) {
            ++setups;
            page.setPageSize(QPageSize(QPageSize::A0));
            page.setOrientation(QPageLayout::Landscape);
            return c.setupAccepted;
        };
        for (int job = 0; job < 2; ++job) {
            EXPECT_EQ(PrepareLayout(session, narrow, measure, prompter, widen)->FitsWidth(),
                      job == 0 && c.fits);
        }
        ASSERT_EQ(prompter.Texts(), std::vector<std::string>{kPrintWidthQuestion});
        EXPECT_EQ(prompter.shown[0].style, mb::kYesNo | mb::kIconQuestion);
        EXPECT_EQ(setups, c.answer == mbr::kYes ? 1 : 0);
    }
}

class PrintPdfRun : public test::StoreFixture {
  protected:
    void SetUp() override {
        ASSERT_EQ(access(test::QuillonProgram().c_str(), X_OK), 0) << test::QuillonProgram();
        const time_t t = test::LocalTime(2010, 1, 4, 12, 34);
        std::vector<test::TreeEntry> entries;
        // Enough rows for three pages: same, different, left-only and right-only files.
        for (int i = 0; i < 130; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%03d.txt", i);
            const int kind = i % 4;
            if (kind != 3) {
                entries.push_back({std::string("L/") + name, "x", t});
            }
            if (kind != 2) {
                entries.push_back({std::string("R/") + name, kind == 1 ? "xy" : "x", t});
            }
            names.push_back(name);
            kinds.push_back(kind);
        }
        entries.push_back({"L/Ωμέγα Жук.txt", "x", t});
        trees.MakeTree(entries);
    }

    test::ProcessResult Run(std::vector<std::string> args, std::vector<std::string> env = {}) {
        env.insert(env.end(), {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
        return test::RunProcess(test::QuillonProgram(), args, env);
    }

    // Runs of blanks as one: the text tool spaces words by their places on the page.
    static std::string OneBlank(const std::string& text) {
        std::string out;
        for (char ch : text) {
            if (ch != ' ' || out.empty() || out.back() != ' ') {
                out += ch;
            }
        }
        return out;
    }

    // Pages of the PDF's text, split at form feeds.
    static std::vector<std::string> PdfPages(const std::string& pdf) {
        test::ProcessResult r = test::RunProcess("/usr/bin/pdftotext", {"-layout", pdf, "-"});
        std::vector<std::string> pages;
        size_t start = 0;
        for (size_t ff; (ff = r.out.find('\f', start)) != std::string::npos; start = ff + 1) {
            pages.push_back(r.out.substr(start, ff - start));
        }
        return pages;
    }

    static int PdfPageCount(const std::string& pdf) {
        test::ProcessResult r = test::RunProcess("/usr/bin/pdfinfo", {pdf});
        size_t at = r.out.find("Pages:");
        return at == std::string::npos ? -1 : std::stoi(r.out.substr(at + 6));
    }

    // The page count of the same rows in the page model, on the paper the run uses.
    static int ModelPageCount(const std::vector<std::string>& printedNames) {
        PrintSource source;
        for (const std::string& name : printedNames) {
            source.input.rows.push_back(FileRow(name, ReportStatus::Same, true, true));
        }
        PrintSession session;
        session.source = &source;
        session.asked = true;
        QtTextMeasurer measure;
        test::FakePrompter prompter;
        return PrepareLayout(session, LocalePageLayout(), measure, prompter, {})->PageCount();
    }

    test::TestDir trees;
    std::string L = trees / "L";
    std::string R = trees / "R";
    std::vector<std::string> names;
    std::vector<int> kinds;
};

// Each choice of rows: the PDF's text holds exactly the printed names in list order, the footer
// on every page, as many pages as the page model counts; no setting is written.
TEST_F(PrintPdfRun, RowsInOrderFooterOnEveryPage) {
    auto settingsFiles = [this] {
        std::string all;
        for (const std::string& name : Dir().List("config/marrowby")) {
            all += name + ":" + Dir().ReadFile("config/marrowby/" + name) + "\n";
        }
        return all;
    };
    const std::string settingsBefore = settingsFiles();
    struct Case {
        const char* option;
        std::vector<int> printedKinds;  // 0 same, 1 different, 2 left only, 3 right only
    } cases[] = {{"-PrintPDF", {0, 1, 2, 3}}, {"-PrintPDF:1", {1}}, {"-PrintPDF:2", {1, 2, 3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const std::string pdf = trees / "out.pdf";
        test::ProcessResult r = Run({c.option, "-Out:" + pdf, L, R});
        ASSERT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err, "");
        std::vector<std::string> printed;
        for (size_t i = 0; i < names.size(); ++i) {
            if (std::count(c.printedKinds.begin(), c.printedKinds.end(), kinds[i])) {
                printed.push_back(names[i]);
            }
        }
        const std::vector<std::string> pages = PdfPages(pdf);
        std::string text;
        for (size_t p = 0; p < pages.size(); ++p) {
            EXPECT_NE(OneBlank(pages[p]).find(OneBlank(PrintFooterLeft(int(p) + 1))),
                      std::string::npos)
                << p;
            text += pages[p];
        }
        size_t at = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            size_t found = text.find(names[i]);
            bool expected = std::count(printed.begin(), printed.end(), names[i]) > 0;
            EXPECT_EQ(found != std::string::npos, expected) << names[i];
            if (expected) {
                EXPECT_GT(found, at) << names[i] << " out of order";
                at = found;
            }
        }
        // Left only, in Greek and Cyrillic letters: found as it was written.
        const bool leftOnly = std::count(c.printedKinds.begin(), c.printedKinds.end(), 2) > 0;
        EXPECT_EQ(text.find("Ωμέγα Жук.txt") != std::string::npos, leftOnly);
        if (leftOnly) {
            printed.push_back("Ωμέγα Жук.txt");
        }
        EXPECT_EQ(PdfPageCount(pdf), ModelPageCount(printed));
        EXPECT_EQ(static_cast<int>(pages.size()), PdfPageCount(pdf));
    }
    EXPECT_EQ(settingsFiles(), settingsBefore);
}

// Trouble exits 2 with one line; a Ghostscript that fails keeps the old PDF; equal trees exit 0.
TEST_F(PrintPdfRun, TroubleKeepsTheOldFile) {
    const std::string pdf = trees / "old.pdf";
    trees.WriteFile("old.pdf", "the previous PDF");
    trees.WriteFile("bin/gs", "#!/bin/sh\necho 'Error: /undefined in --nothing--'\nexit 1\n");
    chmod((trees / "bin/gs").c_str(), 0755);
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> env;
        const char* says;
    } cases[] = {
        {{"-PrintPDF", L, R}, {}, "needs the PDF file"},
        {{"-PrintPDF:3", "-Out:" + pdf, L, R}, {}, "bad rows in -PrintPDF"},
        {{"-PrintPDF", "-Out:" + pdf, L, trees / "nowhere"}, {}, "not a folder"},
        {{"-PrintPDF", "-Out:" + pdf, L, R}, {"PATH=" + trees / "bin"}, "No output created"},
    };
    for (const auto& c : cases) {
        test::ProcessResult r = Run(c.args, c.env);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(trees.ReadFile("old.pdf"), "the previous PDF");
    }
    test::ProcessResult r = Run({"-PrintPDF", "-Out:" + pdf, L + "/../L", L});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> left = {"Ωμέγα Жук.txt"};
    for (size_t i = 0; i < names.size(); ++i) {
        if (kinds[i] != 3) {
            left.push_back(names[i]);
        }
    }
    EXPECT_EQ(PdfPageCount(pdf), ModelPageCount(left));
}

}  // namespace
}  // namespace quillon
