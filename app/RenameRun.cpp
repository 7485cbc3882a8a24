#include "app/RenameRun.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "app/HeadlessRun.h"
#include "platform/FileSystem.h"
#include "platform/FileText.h"
#include "platform/Prompter.h"
#include "rename/RenameList.h"
#include "rename/RenamePass.h"
#include "rename/TimestampPass.h"

namespace quillon {

namespace {

int Trouble(FILE* err, const std::string& reason) {
    return ReportTrouble(err, reason);
}

// Every message on one line of standard error, every question answered the way that changes
// least; `refused` remembers that a message (not a question) was shown.
class UnattendedPrompter : public Prompter {
  public:
    explicit UnattendedPrompter(FILE* err) : err_(err) {}
    int Ask(const PromptRequest& request) override {
        std::string text = request.text;
        for (char& c : text) {
            if (c == '\n' || c == '\r' || c == '\t') {
                c = ' ';
            }
        }
        std::fprintf(err_, "quillon: %s\n", text.c_str());
        return LeastChangeAnswer(request.text, request.style);
    }

  private:
    FILE* err_;
};

bool WriteAll(FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
}

}  // namespace

bool IsUnattendedRename(const CommandLine& cmd) {
    return cmd.renameRun && (cmd.rename.simulate || cmd.rename.apply);
}

int RunRename(const CommandLine& cmd, const SettingsStore& settings, FILE* out, FILE* err) {
    if (!cmd.error.empty()) {
        return Trouble(err, cmd.error);
    }
    if (cmd.rename.simulate && cmd.rename.apply) {
        return Trouble(err, "-Simulate and -Apply cannot be given together");
    }
    if (cmd.paths.empty()) {
        return Trouble(err, "-SARename needs paths: quillon -SARename -Simulate[:<page>] PATH...");
    }
    for (const std::string& path : cmd.paths) {
        if (!PathExistsLoose(path)) {
            return Trouble(err, "no such file: " + path);
        }
    }
    RenameOptions options;
    options.Load(settings);
    const int page = cmd.rename.page != 0 ? cmd.rename.page : options.lastPage + 1;
    FileSystem& fs = RealFileSystem();
    int listError = 0;
    const std::vector<RenameEntry> entries = StandAloneList(fs, cmd.paths, &listError);
    if (listError != 0) {
        return Trouble(err, "cannot list " + cmd.paths[0] + ": " + std::strerror(listError));
    }

    if (cmd.rename.simulate) {
        size_t errors = 0;
        const std::string text = SimulatedResult(page, options, entries, &errors);
        if (!WriteAll(out, text)) {
            return Trouble(err, "cannot write to standard output");
        }
        return errors == 0 ? kRenameExitOk : kRenameExitSome;
    }

    UnattendedPrompter prompter(err);
    std::string failures;
    if (page == 6) {
        if (CheckBeforeApply(page, options, entries, true, prompter) != ApplyCheck::kProceed) {
            return kRenameExitTrouble;
        }
        failures = TimestampFailuresMessage(SetTimestamps(fs, entries, options.page6));
    } else {
        const ApplyResult result =
            ApplyRenamePage(page, options, entries, true, fs, prompter, nullptr, {});
        if (result.check == ApplyCheck::kRefused) {
            return kRenameExitTrouble;
        }
        if (result.check == ApplyCheck::kDeclined) {
            return kRenameExitSome;
        }
        failures = RenameFailuresMessage(result.pass);
    }
    if (!WriteAll(out, failures)) {
        return Trouble(err, "cannot write to standard output");
    }
    return failures.empty() ? kRenameExitOk : kRenameExitSome;
}

}  // namespace quillon
