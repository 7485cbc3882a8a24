// quillon_print_preview_demo LEFT RIGHT --grab FILE
// Opens the print preview of the comparison of two folders (read whole, default settings, the
// locale's paper) and renders the preview window into FILE (PNG) once it has been laid out.
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <string>

#include "core/Comparison.h"
#include "platform/Prompter.h"
#include "ui/ComparisonPrint.h"

namespace {

constexpr int kGrabDelayMs = 700;

// The preview is shown without questions: names that do not fit are cut.
class NoPrompter : public quillon::Prompter {
  public:
    int Ask(const quillon::PromptRequest&) override { return quillon::mbr::kNo; }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5 || std::string(argv[3]) != "--grab") {
        std::fprintf(stderr, "usage: quillon_print_preview_demo LEFT RIGHT --grab FILE\n");
        return 2;
    }
    quillon::Comparison comparison(nullptr, nullptr);
    comparison.readWholeTrees = true;
    if (!comparison.CompareFolders(argv[1], argv[2], 1)) {
        std::fprintf(stderr, "cannot compare %s and %s\n", argv[1], argv[2]);
        return 2;
    }
    quillon::PrintSource source;
    source.input = quillon::CollectReportInput(comparison.rootItem, comparison.LeftPath(),
                                               comparison.RightPath());
    source.columns = {quillon::PrintColumn::Time, quillon::PrintColumn::Size};
    quillon::PrintSession session;
    session.source = &source;
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &session.preparedAt);
    quillon::QtTextMeasurer measure;
    NoPrompter prompter;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(quillon::LocalePageLayout());
    QPrintPreviewDialog preview(&printer);
    preview.resize(900, 1000);
    quillon::ConnectPreview(preview, session, measure, prompter);
    preview.show();
    const std::string grabFile = argv[4];
    QTimer::singleShot(kGrabDelayMs, &preview, [&preview, grabFile] {
        bool saved = preview.grab().save(QString::fromStdString(grabFile), "PNG");
        if (!saved) {
            std::fprintf(stderr, "cannot write %s\n", grabFile.c_str());
        }
        QCoreApplication::exit(saved ? 0 : 1);
    });
    return app.exec();
}
