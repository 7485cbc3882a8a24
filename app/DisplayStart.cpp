#include "app/DisplayStart.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/CMessageBoxDialog.h"

namespace quillon {

namespace {

bool EnvSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

// Messages of the toolkit's start are held back: when it fails, its fatal message and the
// warnings before it (the display that could not be opened) become one line.
std::vector<HeldMessage>& Held() {
    static std::vector<HeldMessage> held;
    return held;
}

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        Held().push_back({type, QByteArray(context.category), text});
        return;
    }
    std::string reason;
    for (const HeldMessage& m : Held()) {
        if (m.type != QtDebugMsg && reason.empty()) {
            reason = m.text.section(QLatin1Char('\n'), 0, 0).toStdString();
        }
    }
    std::string message = kNoDisplayMessage;
    if (!reason.empty()) {
        message += " (" + reason + ")";
    }
    std::fprintf(stderr, "quillon: %s\n", message.c_str());
    std::fflush(stderr);
    // The toolkit would abort after this handler and leave a core dump for a missing display.
    std::_Exit(kExitNoDisplay);
}

}  // namespace

bool DisplayAvailable() {
    return EnvSet("QT_QPA_PLATFORM") || EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

std::unique_ptr<QApplication> StartApplication(int& argc, char** argv) {
    QtMessageHandler previous = qInstallMessageHandler(HoldStartMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const HeldMessage& m : Held()) {
        qt_message_output(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category.constData()),
                          m.text);
    }
    Held().clear();
    return app;
}

int DisplayPrompter::Ask(const PromptRequest& request) {
    if (!app_) {
        app_ = StartApplication(argc_, argv_);
    }
    return MessageBoxPrompter(nullptr, store_).Ask(request);
}

}  // namespace quillon
