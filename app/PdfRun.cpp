#include "app/PdfRun.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "app/CQuillonApp.h"
#include "app/StartUp.h"
#include "base/PathUtil.h"
#include "platform/Ghostscript.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "reports/PdfRendition.h"
#include "ui/CPdfBindDlg.h"

namespace quillon {

namespace {

// A message box's text as one line.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return text;
}

bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const std::string parent(DirName(folder));
    return parent != folder && MakeFolders(parent) &&
           (::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST);
}

}  // namespace

int RunPdf(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress, FILE* err) {
    OpenStartLog(settings);
    Log("cmd args = %s", cmd.cmdArgs.c_str());
    auto fail = [err](const std::string& text) {
        std::fprintf(err, "quillon: %s\n", OneLine(text).c_str());
        Log("%s", text.c_str());
        return kPdfExitTrouble;
    };
    if (!cmd.error.empty()) {
        return fail(cmd.error);
    }
    const std::string out = cmd.pdfOut.value_or("");
    struct stat st {};
    if (out.empty() || (::stat(out.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        return fail(
            "Please check \"Output PDF filename\".\nIt is either empty or an existing "
            "folder.\nEnter the filename properly and try again.");
    }
    const bool listMode = !cmd.pdfInput.has_value();
    std::string sources;
    std::vector<std::string> sourceList;
    if (listMode) {
        if (cmd.paths.empty()) {
            return fail("-PDF -Out: needs files or folders to render, or -Input:<file.txt>");
        }
        for (const std::string& path : cmd.paths) {
            sources += (sources.empty() ? "" : "|") + path;
            sourceList.push_back(path);
        }
    } else {
        sources = *cmd.pdfInput;
        sourceList.push_back(sources);
        if (::stat(sources.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
            return fail(
                "Please check \"Input Text file\".\nIt is either empty or an existing "
                "folder, or doesn't even exist.");
        }
        const std::string report = ps_CheckInputSyntax(sources);
        if (!report.empty()) {
            return fail(report +
                        "Please correct those syntax errors in input text file before "
                        "proceeding PDF rendition.");
        }
    }
    const std::string folder(DirName(out));
    if (!MakeFolders(folder)) {
        return fail("The output folder \"" + folder +
                    "\" didn't exist.\nAttempt to creating it failed.");
    }

    PdfRenditionEnv env;
    env.gs = FindGhostscript();
    env.converter = FindPdfConverter();
    env.settingsFolder = settings.Registry().Folder();
    env.launcher = &DefaultLauncher();
    env.progressFactory = progress;
    env.show = [err](const std::string& text) {
        std::fprintf(err, "quillon: %s\n", OneLine(text).c_str());
    };
    if (env.converter.empty()) {
        return fail(std::string("the converter ") + std::string(kPdfConverterName) +
                    " was found neither beside quillon nor on PATH");
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string tempFolder = tmp != nullptr && *tmp == '/' ? tmp : "/tmp";
    const uint64_t required = RequiredPdfSpace(sourceList);
    const int64_t free = FreeSpaceOf(tempFolder);
    if (free >= 0 && static_cast<uint64_t>(free) < required) {
        std::fprintf(err,
                     "quillon: Not enough space: %s has %lld free bytes, and the required "
                     "free space is %llu.\n",
                     tempFolder.c_str(), static_cast<long long>(free),
                     static_cast<unsigned long long>(required));
    }

    PdfRenditionOptions options;
    options.generateToc = ReadSetting(settings, settings::kGenerateTOC);
    options.includeExtension =
        settings.GetProfileInt(settings::kPdfRendition, "Include File Extension", 1) != 0;
    options.keep = settings.GetProfileInt(settings::kPdfRendition, "KeepPS", 0) != 0;
    options.includeParent = ReadSetting(settings, settings::kIncludeParentAsTopLevel) != 0;
    SwitchToSideLog("PDF", kLogExtension);
    PdfRenditionOutcome outcome;
    const int code = RenderPdf(sources, out, listMode, options, env, &outcome);
    RestoreMainLog();
    for (const std::string& skipped : outcome.skipped) {
        std::fprintf(err, "quillon: skipped (could not be converted): %s\n", skipped.c_str());
    }
    if (code != 1) {
        std::string text =
            "Rendering PDF failed with the error code[" + std::to_string(code) + "].";
        if (IsLogEnabled()) {
            text += " The detail log is stored in " + GetLogFolder() + ".";
        }
        return fail(text);
    }
    return outcome.skipped.empty() ? kPdfExitOk : kPdfExitSkipped;
}

int RunPdfDialog(const std::vector<std::string>& paths, SettingsStore& settings,
                 Prompter& prompter) {
    OpenStartLog(settings);
    if (!CheckPostScriptPrinter(prompter)) {
        return kPdfExitTrouble;
    }
    cPDFBindDlg dialog(nullptr, settings, prompter, paths);
    dialog.exec();
    return dialog.result() == QDialog::Accepted ? kPdfExitOk : kPdfExitSkipped;
}

}  // namespace quillon
