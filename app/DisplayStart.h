// The toolkit is started only where something is shown, and only when there is somewhere to show
// it: a start without a display says so in one line instead of aborting inside the toolkit.
#pragma once

#include <QApplication>
#include <memory>

#include "platform/Prompter.h"

namespace quillon {

class SettingsStore;

inline constexpr int kExitNoDisplay = 2;

inline constexpr const char* kNoDisplayMessage =
    "the window needs a display (DISPLAY or WAYLAND_DISPLAY); quillon -Report LEFT RIGHT "
    "compares without one";

// A platform named for the toolkit (QT_QPA_PLATFORM), an X display or a Wayland display.
bool DisplayAvailable();

// The application object; a toolkit that cannot open the display ends the process with one line
// on standard error and kExitNoDisplay instead of its abort.
std::unique_ptr<QApplication> StartApplication(int& argc, char** argv);

// Message boxes of a start that shows no window otherwise: the toolkit is started at the first
// box.
class DisplayPrompter : public Prompter {
  public:
    DisplayPrompter(int& argc, char** argv, SettingsStore* store)
        : argc_(argc), argv_(argv), store_(store) {}
    int Ask(const PromptRequest& request) override;

  private:
    int& argc_;
    char** argv_;
    SettingsStore* store_;
    std::unique_ptr<QApplication> app_;
};

}  // namespace quillon
