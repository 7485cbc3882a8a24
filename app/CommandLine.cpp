#include "app/CommandLine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <utility>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "core/DisplayFilter.h"
#include "fileops/Backups.h"
#include "fileops/UndoJournal.h"
#include "platform/FileText.h"

namespace quillon {

namespace {

bool StartsWithSwitchChar(std::string_view arg) {
    return !arg.empty() && (arg[0] == '-' || arg[0] == '/');
}

// "-Name" or "/Name", case-insensitive, the whole argument.
bool IsSwitch(std::string_view arg, std::string_view name) {
    return StartsWithSwitchChar(arg) && EqualsNoCase(arg.substr(1), name);
}

// "-Name" or "-Name:..." (case-insensitive); returns what follows the name.
std::optional<std::string_view> SwitchWithValue(std::string_view arg, std::string_view name) {
    if (!StartsWithSwitchChar(arg) || arg.size() < name.size() + 1 ||
        !EqualsNoCase(arg.substr(1, name.size()), name)) {
        return std::nullopt;
    }
    std::string_view rest = arg.substr(1 + name.size());
    if (!rest.empty() && rest[0] != ':') {
        return std::nullopt;
    }
    return rest;
}

std::vector<std::string_view> SplitAtColons(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string_view::npos) {
            return parts;
        }
        start = colon + 1;
    }
}

// Like the C runtime's atoi: optional sign, then digits; anything else ends the number.
uint32_t LeadingNumber(std::string_view token) {
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])); ++i) {
        value = value * 10 + uint32_t(token[i] - '0');
    }
    return negative ? uint32_t(0) - value : value;
}

void ParseFilterOption(std::string_view arg, CommandLine& cmd) {
    cmd.filterGiven = true;
    std::vector<std::string_view> tokens;
    for (std::string_view t : SplitAtColons(arg)) {
        if (!t.empty()) {
            tokens.push_back(t);
        }
    }
    if (tokens.size() > 1) {
        cmd.filterFlags = LeadingNumber(tokens[1]);
    }
    if (tokens.size() > 2) {
        cmd.filterExtensions = NormaliseFilterExtensions(tokens[2]);
    }
}

// "" or ":<0|1|2>".
bool ParsePrintPdfValue(std::string_view rest, PrintPdfSwitch& printPdf, std::string& error) {
    printPdf.present = true;
    if (rest.empty()) {
        return true;
    }
    std::string_view value = rest.substr(1);
    if (value.size() != 1 || value[0] < '0' || value[0] > '2') {
        error = "bad rows in -PrintPDF: \"" + std::string(value) +
                "\" (0 all, 1 only different, 2 all but same)";
        return false;
    }
    printPdf.rows = value[0] - '0';
    return true;
}

// ":<index>:<encoding>:<style>", each optional; an empty place keeps the stored setting.
bool ParseReportValues(std::string_view rest, ReportSwitch& report, std::string& error) {
    report.present = true;
    if (rest.empty()) {
        return true;
    }
    std::vector<std::string_view> parts = SplitAtColons(rest.substr(1));
    struct Place {
        std::optional<int>* target;
        int limit;
        const char* what;
    };
    const Place places[] = {{&report.contentIndex, 8, "content index (0-7)"},
                            {&report.encoding, 4, "encoding (0-3)"},
                            {&report.fileNameStyle, 3, "file-name style (0-2)"}};
    if (parts.size() > 3) {
        error = "too many values after -Report (index:encoding:style)";
        return false;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string_view part = parts[i];
        if (part.empty()) {
            continue;
        }
        bool digits = part.size() <= 2 && std::all_of(part.begin(), part.end(), [](char c) {
                          return std::isdigit(static_cast<unsigned char>(c));
                      });
        int value = digits ? std::stoi(std::string(part)) : -1;
        if (value < 0 || value >= places[i].limit) {
            error =
                "bad " + std::string(places[i].what) + " in -Report: \"" + std::string(part) + "\"";
            return false;
        }
        *places[i].target = value;
    }
    return true;
}

// ":List", ":Restore[:<runtag>]" or ":Purge[:<runtag>]"; a run tag is the ten digits of a run or
// the tag of the copies' temporaries.
bool ParseBackupsValues(std::string_view rest, BackupsSwitch& backups, std::string& error) {
    backups.present = true;
    const std::vector<std::string_view> parts = SplitAtColons(rest.empty() ? rest : rest.substr(1));
    const struct {
        const char* name;
        BackupsMode mode;
    } modes[] = {{"List", BackupsMode::List},
                 {"Restore", BackupsMode::Restore},
                 {"Purge", BackupsMode::Purge}};
    const auto* mode = std::find_if(std::begin(modes), std::end(modes),
                                    [&](const auto& m) { return EqualsNoCase(parts[0], m.name); });
    if (mode == std::end(modes) || parts.size() > 2 ||
        (parts.size() == 2 && mode->mode == BackupsMode::List)) {
        error =
            "bad -Backups switch: -Backups:List, -Backups:Restore[:<runtag>] or "
            "-Backups:Purge[:<runtag>]";
        return false;
    }
    backups.mode = mode->mode;
    if (parts.size() == 2) {
        const std::string_view tag = parts[1];
        const bool digits =
            tag.size() == kRunTagDigits && std::all_of(tag.begin(), tag.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            });
        if (!digits && tag != kTempRunTag) {
            error = "bad run tag in -Backups: \"" + std::string(tag) +
                    "\" (ten digits, or ~part for the temporaries of copies)";
            return false;
        }
        backups.runTag = tag;
    }
    return true;
}

// ":<page>" after -Simulate or -Apply, or nothing.
bool ParseRenamePage(std::string_view rest, RenameSwitch& rename, std::string& error) {
    if (rest.empty()) {
        return true;
    }
    if (rest.size() == 2 && rest[1] >= '1' && rest[1] <= '6') {
        rename.page = rest[1] - '0';
        return true;
    }
    error = "bad page in -Simulate or -Apply: \"" + std::string(rest.substr(1)) + "\" (1-6)";
    return false;
}

// ":<side>", the side being 0, 1 or 2.
bool ParseCopyDiffValue(std::string_view rest, CopyDiffSwitch& copyDiff, std::string& error) {
    copyDiff.present = true;
    if (rest.size() != 2 || rest[1] < '0' || rest[1] > '2') {
        error =
            "bad -CopyDiff switch: -CopyDiff:0 (left), -CopyDiff:1 (right) or -CopyDiff:2 (both)";
        return false;
    }
    copyDiff.side = rest[1] - '0';
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cmd;
    if (args.size() == 1) {
        if (IsSwitch(args[0], "Reg")) {
            cmd.regRun = true;
        } else if (IsSwitch(args[0], "Unreg")) {
            cmd.unregRun = true;
        }
        if (cmd.regRun || cmd.unregRun) {
            return cmd;
        }
    }
    // "-Out:" names the output file only in a report, printed-PDF or PDF run, and the folder in an
    // export run; anywhere else it stays a path.
    // Whether some argument is the switch `name`, with `withValue` also as "<name>:...".
    auto anySwitch = [&args](std::string_view name, bool withValue) {
        return std::any_of(args.begin(), args.end(), [&](const std::string& a) {
            const std::string arg = StripOneTrailingSeparator(a);
            return withValue ? SwitchWithValue(arg, name).has_value() : IsSwitch(arg, name);
        });
    };
    const bool reportRun = anySwitch("Report", true) || anySwitch("PrintPDF", true);
    const bool copyDiffRun = !reportRun && anySwitch("CopyDiff", true);
    // "-Simulate" and "-Apply" are switches only in a stand-alone rename run.
    const bool renameRun = anySwitch("SARename", false);
    const bool pdfRun = anySwitch("PDF", false);
    // The first problem found is the one reported.
    auto parse = [&cmd](auto parser, std::string_view rest, auto& target) {
        std::string error;
        if (!parser(rest, target, error) && cmd.error.empty()) {
            cmd.error = error;
        }
    };
    // The name after "-<switch>:"; an empty one is a problem.
    auto nameValue = [&cmd](std::string_view value, const char* error) {
        if (value.size() < 2 && cmd.error.empty()) {
            cmd.error = error;
        }
        return std::string(value.substr(std::min<size_t>(1, value.size())));
    };
    for (const std::string& raw : args) {
        cmd.cmdArgs += raw + " ";
        std::string arg = StripOneTrailingSeparator(raw);
        // Spelled exactly, as every command-line user types them; "/h" is a path.
        if (raw == "--help" || raw == "-h") {
            cmd.helpRun = true;
        } else if (raw == "--version") {
            cmd.versionRun = true;
        } else if (IsSwitch(arg, "Config")) {
            cmd.configRun = true;
        } else if (IsSwitch(arg, "PDF")) {
            cmd.pdfRun = true;
        } else if (IsSwitch(arg, "SARename")) {
            cmd.renameRun = true;
        } else if (arg.rfind("-FILTER", 0) == 0 || arg.rfind("/FILTER", 0) == 0) {
            ParseFilterOption(arg, cmd);
        } else if (auto rest = SwitchWithValue(arg, "Report")) {
            parse(ParseReportValues, *rest, cmd.report);
        } else if (auto rest = SwitchWithValue(arg, "PrintPDF")) {
            parse(ParsePrintPdfValue, *rest, cmd.printPdf);
        } else if (auto rest = SwitchWithValue(arg, "CopyDiff")) {
            parse(ParseCopyDiffValue, *rest, cmd.copyDiff);
        } else if (auto rest = SwitchWithValue(arg, "Backups")) {
            parse(ParseBackupsValues, *rest, cmd.backups);
        } else if (auto rest = renameRun ? SwitchWithValue(arg, "Simulate") : std::nullopt) {
            cmd.rename.simulate = true;
            parse(ParseRenamePage, *rest, cmd.rename);
        } else if (auto rest = renameRun ? SwitchWithValue(arg, "Apply") : std::nullopt) {
            cmd.rename.apply = true;
            parse(ParseRenamePage, *rest, cmd.rename);
        } else if (auto out = pdfRun && !reportRun ? SwitchWithValue(raw, "Out") : std::nullopt) {
            cmd.pdfOut = nameValue(*out, "-Out needs a file name: -Out:<file.pdf>");
        } else if (auto input = pdfRun ? SwitchWithValue(raw, "Input") : std::nullopt) {
            cmd.pdfInput = nameValue(*input, "-Input needs a file name: -Input:<file.txt>");
        } else if (auto out =
                       reportRun || copyDiffRun ? SwitchWithValue(raw, "Out") : std::nullopt) {
            (reportRun ? cmd.report.outPath : cmd.copyDiff.outPath) =
                nameValue(*out, reportRun ? "-Out needs a file name: -Out:<path>"
                                          : "-Out needs a folder: -Out:<folder>");
        } else {
            cmd.paths.push_back(arg);
            cmd.joinedPaths += arg + ";";
        }
    }
    return cmd;
}

std::string CurrentFolder() {
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.c_str();
}

void MakePathsAbsolute(CommandLine& cmd, std::string_view currentFolder) {
    if (currentFolder.empty() || currentFolder.front() != kPathSep) {
        return;
    }
    cmd.joinedPaths.clear();
    for (std::string& path : cmd.paths) {
        path = AbsolutePath(currentFolder, path);
        cmd.joinedPaths += path + ";";
    }
    if (cmd.report.outPath && !cmd.report.outPath->empty()) {
        cmd.report.outPath = AbsolutePath(currentFolder, *cmd.report.outPath);
    }
    for (std::optional<std::string>* pdfPath : {&cmd.pdfOut, &cmd.pdfInput}) {
        if (*pdfPath && !(*pdfPath)->empty()) {
            *pdfPath = AbsolutePath(currentFolder, **pdfPath);
        }
    }
    if (cmd.copyDiff.outPath && !cmd.copyDiff.outPath->empty()) {
        cmd.copyDiff.outPath = AbsolutePath(currentFolder, *cmd.copyDiff.outPath);
    }
}

void ApplyFilterOption(const CommandLine& cmd, FilterState& filter) {
    if (!cmd.filterGiven) {
        return;
    }
    filter.filterActive = true;
    if (cmd.filterFlags) {
        filter.filterFlags = *cmd.filterFlags;
    }
    if (cmd.filterExtensions) {
        filter.filterExtensions = *cmd.filterExtensions;
    }
}

PathInfo ProbePath(const std::string& path) {
    PathInfo info;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        info.kind = PathKind::Folder;
    } else if (PathExistsLoose(path)) {
        info.kind = PathKind::File;
        info.binary = DetectTextEncoding(path).encoding == kEncodingBinary;
    }
    return info;
}

StartDecision DecideStart(const CommandLine& cmd, const PathProbe& probe) {
    StartDecision decision;
    if (cmd.helpRun || cmd.versionRun) {
        decision.outcome = cmd.helpRun ? StartOutcome::Help : StartOutcome::Version;
        return decision;
    }
    if (cmd.regRun || cmd.unregRun) {
        decision.outcome = cmd.regRun ? StartOutcome::Register : StartOutcome::Unregister;
        return decision;
    }
    if (cmd.configRun) {
        decision.outcome = StartOutcome::Config;
        return decision;
    }
    if (cmd.pdfRun) {
        decision.outcome = StartOutcome::Pdf;
        if (!cmd.paths.empty()) {
            decision.paths.push_back(cmd.paths[0]);
        }
        return decision;
    }
    if (cmd.renameRun) {
        decision.outcome = StartOutcome::Rename;
        decision.paths = cmd.paths;
        return decision;
    }
    if (cmd.backups.present) {
        decision.outcome = StartOutcome::Backups;
        decision.paths = cmd.paths;
        return decision;
    }
    // The windowless runs on a pair of folders.
    for (const auto& [present, outcome] :
         {std::pair{cmd.printPdf.present, StartOutcome::PrintPdf},
          std::pair{cmd.report.present, StartOutcome::Report},
          std::pair{cmd.copyDiff.present, StartOutcome::CopyDiff}}) {
        if (present) {
            decision.outcome = outcome;
            decision.paths.assign(cmd.paths.begin(),
                                  cmd.paths.begin() + std::min<size_t>(2, cmd.paths.size()));
            return decision;
        }
    }
    decision.outcome = StartOutcome::Window;
    if (cmd.paths.empty()) {
        return decision;
    }
    PathInfo first = probe(cmd.paths[0]);
    decision.paths.push_back(cmd.paths[0]);
    if (cmd.paths.size() > 1) {
        PathInfo second = probe(cmd.paths[1]);
        bool sameKind = second.kind == first.kind &&
                        (first.kind != PathKind::File || first.binary == second.binary);
        if (sameKind) {
            decision.paths.push_back(cmd.paths[1]);
        }
    }
    if (first.kind == PathKind::File) {
        decision.outcome = StartOutcome::OpenFiles;
        decision.binary = first.binary;
    } else if (first.kind == PathKind::Missing) {
        decision.paths.clear();
    }
    return decision;
}

}  // namespace quillon
