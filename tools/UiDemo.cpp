// quillon_ui_demo messagebox [--flags HEX] [--text TEXT] [--countdown N] [--grab FILE]
// quillon_ui_demo progress [--total N] [--position N] [--text TEXT] [--grab FILE]
// Shows one widget on its own. With --grab the widget is rendered into FILE (PNG) once it has
// been laid out, and the program ends.
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Prompter.h"
#include "ui/CMessageBoxDialog.h"
#include "ui/CProgressWnd.h"

namespace {

using namespace quillon;

// Layout and painting settle within a few event-loop rounds; the delay covers slow X servers.
constexpr int kGrabDelayMs = 300;

struct Options {
    std::string widget;
    std::string grabFile;
    std::string text;
    uint32_t style =
        mb::kYesNoCancel | mb::kYesToAll | mb::kNoToAll | mb::kIconQuestion | mb::kDontAskAgain;
    int countdown = 0;
    bool disableDuringCountdown = false;
    uint64_t total = 4;
    uint64_t position = 1;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: quillon_ui_demo messagebox [--flags HEX] [--text TEXT] [--countdown N] "
                 "[--disable] [--grab FILE]\n"
                 "       quillon_ui_demo progress [--total N] [--position N] [--text TEXT] "
                 "[--grab FILE]\n");
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    if (argc < 2) {
        return false;
    }
    options.widget = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--disable") {
            options.disableDuringCountdown = true;
        } else if (!hasValue) {
            return false;
        } else if (arg == "--grab") {
            options.grabFile = argv[++i];
        } else if (arg == "--text") {
            options.text = argv[++i];
        } else if (arg == "--flags") {
            options.style = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 16));
        } else if (arg == "--countdown") {
            options.countdown = std::atoi(argv[++i]);
        } else if (arg == "--total") {
            options.total = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--position") {
            options.position = std::strtoull(argv[++i], nullptr, 10);
        } else {
            return false;
        }
    }
    return options.widget == "messagebox" || options.widget == "progress";
}

void GrabLater(QWidget* widget, const std::string& file) {
    QTimer::singleShot(kGrabDelayMs, widget, [widget, file] {
        bool saved = widget->grab().save(QString::fromStdString(file), "PNG");
        if (!saved) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
        }
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return Usage();
    }

    if (options.widget == "messagebox") {
        PromptRequest request;
        request.text = options.text.empty()
                           ? "The folder \"Reports\" contains files hidden by the display filter.\n"
                             "Copy the whole folder anyway?"
                           : options.text;
        request.style = options.style;
        request.key = "DemoBox";
        request.countdownSeconds = options.countdown;
        request.disableButtonsDuringCountdown = options.disableDuringCountdown;
        CMessageBoxDialog dialog(nullptr, request, nullptr);
        if (options.grabFile.empty()) {
            int result = dialog.DoModal();
            std::printf("%d\n", result);
            return 0;
        }
        dialog.OpenBox();
        GrabLater(&dialog, options.grabFile);
        return app.exec();
    }

    CProgressWnd window(nullptr);
    window.Create(nullptr, "Comparing");
    window.SetRange(options.total, "Reading folders...", true);
    window.Update(options.text.empty() ? "Reading /home/user/projects/left/src" : options.text,
                  options.position);
    if (options.grabFile.empty()) {
        QObject::connect(window.CancelButton(), &QPushButton::clicked, &app, &QApplication::quit);
        return app.exec();
    }
    GrabLater(&window, options.grabFile);
    return app.exec();
}
