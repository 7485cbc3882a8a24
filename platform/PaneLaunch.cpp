#include "platform/PaneLaunch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>

#include "base/AsciiCase.h"
#include "base/Crc32.h"
#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "base/ValueText.h"
#include "platform/FavoriteApps.h"
#include "platform/FileText.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/SiblingLaunch.h"
#include "platform/ToolLocator.h"

namespace quillon {

namespace {

constexpr char kTileSwitch[] = "/TILE_VERT";
constexpr char kHexExe[] = "Nybblet.exe";
constexpr char kSearchExe[] = "Seekwell.exe";

std::string SearchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}

std::string FirstOnPath(std::initializer_list<const char*> names) {
    const std::string path = SearchPath();
    for (const char* name : names) {
        std::string found = FindOnSearchPath(name, path);
        if (!found.empty()) {
            return found;
        }
    }
    return {};
}

bool Named(const std::string& path, std::string_view name) {
    return BaseName(path) == name;
}

// The hex tools that stand in on Linux are terminal programs.
bool NeedsTerminal(const std::string& hexTool) {
    return Named(hexTool, "vbindiff") || Named(hexTool, "dhex");
}

// A file argument that no program can take for an option: full paths begin with "/", and a
// relative one beginning with "-" is given as "./-...".
std::string FileArg(const std::string& path) {
    return !path.empty() && path[0] == '-' ? "./" + path : path;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && FoldAscii(text.substr(text.size() - tail.size())) == tail;
}

}  // namespace

PaneToolPaths LocatePaneTools() {
    PaneToolPaths tools;
    tools.editor = LocateTool(kEditorExe);
    tools.viewer = LocateTool(kViewerExe);
    tools.hexTool = LocateTool(kHexExe);
    tools.search = LocateTool(kSearchExe);
    tools.terminal = FirstOnPath({"x-terminal-emulator"});
    tools.opener = FirstOnPath({"xdg-open", "gio"});
    tools.archiver = FirstOnPath({"file-roller", "ark"});
    return tools;
}

std::string ToolMissingReason(const PaneToolPaths& tools, PaneTool tool) {
    switch (tool) {
        case PaneTool::kTextEditor:
            return tools.editor.empty()
                       ? "No text diff editor found: install meld, kdiff3, kompare or diffuse"
                       : "";
        case PaneTool::kViewer:
            return tools.viewer.empty() ? "No viewer found: install xdg-utils (xdg-open)" : "";
        case PaneTool::kHexCompare:
            if (tools.hexTool.empty()) {
                return "No hex compare tool found: install vbindiff or dhex";
            }
            return NeedsTerminal(tools.hexTool) && tools.terminal.empty()
                       ? "No terminal found for " + std::string(BaseName(tools.hexTool)) +
                             " (x-terminal-emulator)"
                       : "";
        case PaneTool::kSearch:
            return tools.search.empty() ? "No search tool found: install catfish or fsearch" : "";
        case PaneTool::kExplorer:
        case PaneTool::kNativeApp:
            return tools.opener.empty() ? "No opener found: install xdg-utils (xdg-open) or gio"
                                        : "";
        case PaneTool::kArchive:
            return tools.archiver.empty() ? "No archive tool found: install file-roller or ark"
                                          : "";
    }
    return {};
}

std::string CommandText(const std::vector<std::string>& argv) {
    std::string text;
    for (size_t i = 0; i < argv.size(); ++i) {
        text += i == 0 ? QuoteProgramIfBlank(argv[i]) : " " + QuoteArgument(argv[i]);
    }
    return text;
}

std::optional<ToolCommand> EditorCommand(const PaneToolPaths& tools,
                                         const std::vector<std::string>& files,
                                         std::string_view options) {
    if (tools.editor.empty() || files.empty()) {
        return std::nullopt;
    }
    ToolCommand command{{tools.editor}, {}};
    for (size_t i = 0; i < files.size() && i < 2; ++i) {
        command.argv.push_back(FileArg(files[i]));
    }
    if (!options.empty()) {
        // Split as the arguments after a program are, without a program in front.
        std::vector<std::string> extra = SplitCommandLine("x " + std::string(options));
        command.argv.insert(command.argv.end(), extra.begin() + 1, extra.end());
    }
    return command;
}

std::vector<ToolCommand> ViewerCommands(const PaneToolPaths& tools,
                                        const std::vector<std::string>& files) {
    std::vector<ToolCommand> commands;
    if (tools.viewer.empty() || files.empty()) {
        return commands;
    }
    const size_t count = std::min<size_t>(files.size(), 2);
    if (Named(tools.viewer, "xdg-open")) {
        for (size_t i = 0; i < count; ++i) {
            commands.push_back({{tools.viewer, FileArg(files[i])}, {}});
        }
        return commands;
    }
    ToolCommand command{{tools.viewer}, {}};
    for (size_t i = 0; i < count; ++i) {
        command.argv.push_back(FileArg(files[i]));
    }
    if (count == 2) {
        command.argv.push_back(kTileSwitch);
    }
    commands.push_back(std::move(command));
    return commands;
}

std::optional<ToolCommand> HexCompareCommand(const PaneToolPaths& tools, const std::string& left,
                                             const std::string& right) {
    if (!ToolMissingReason(tools, PaneTool::kHexCompare).empty()) {
        return std::nullopt;
    }
    ToolCommand command;
    if (NeedsTerminal(tools.hexTool)) {
        // What follows -e is the command and its arguments, one argument each.
        command.argv = {tools.terminal, "-e"};
    }
    command.argv.insert(command.argv.end(), {tools.hexTool, FileArg(left), FileArg(right)});
    return command;
}

std::optional<ToolCommand> SearchCommand(const PaneToolPaths& tools, const std::string& folder) {
    if (tools.search.empty()) {
        return std::nullopt;
    }
    if (Named(tools.search, "fsearch")) {
        return ToolCommand{{tools.search}, {}};
    }
    return ToolCommand{{tools.search, FileArg(folder)}, {}};
}

namespace {

std::optional<ToolCommand> OpenerCommand(const PaneToolPaths& tools, const std::string& path,
                                         std::string workingFolder) {
    if (tools.opener.empty()) {
        return std::nullopt;
    }
    ToolCommand command{{tools.opener}, std::move(workingFolder)};
    if (Named(tools.opener, "gio")) {
        command.argv.push_back("open");
    }
    command.argv.push_back(FileArg(path));
    return command;
}

}  // namespace

std::optional<ToolCommand> ExplorerCommand(const PaneToolPaths& tools, const std::string& folder) {
    return OpenerCommand(tools, folder, {});
}

std::optional<ToolCommand> NativeAppCommand(const PaneToolPaths& tools, const std::string& file) {
    return OpenerCommand(tools, file, std::string(DirName(file)));
}

bool IsZipFile(std::string_view name) {
    return EndsWithNoCase(name, ".zip");
}

std::optional<ToolCommand> ExtractArchiveCommand(const PaneToolPaths& tools,
                                                 const std::string& archive,
                                                 const std::string& targetFolder) {
    if (tools.archiver.empty()) {
        return std::nullopt;
    }
    if (Named(tools.archiver, "ark")) {
        return ToolCommand{
            {tools.archiver, "--batch", "--destination", FileArg(targetFolder), FileArg(archive)},
            {}};
    }
    return ToolCommand{{tools.archiver, "--extract-to=" + targetFolder, FileArg(archive)}, {}};
}

std::optional<ToolCommand> AddToArchiveCommand(const PaneToolPaths& tools,
                                               const std::vector<std::string>& files) {
    if (tools.archiver.empty() || files.empty()) {
        return std::nullopt;
    }
    ToolCommand command{{tools.archiver}, {}};
    if (Named(tools.archiver, "ark")) {
        command.argv.insert(command.argv.end(), {"--add", "--changetodir"});
    } else {
        command.argv.push_back("--add");
    }
    for (const std::string& file : files) {
        command.argv.push_back(FileArg(file));
    }
    return command;
}

LaunchKind ClassifyLaunchTarget(const std::string& path) {
    if (EndsWithNoCase(path, ".desktop")) {
        return LaunchKind::kDesktopEntry;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) {
        return LaunchKind::kDocument;
    }
    // O_NONBLOCK: a FIFO put in its place since the stat must not hang the window.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return LaunchKind::kDocument;
    }
    char head[4] = {};
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    const bool elf =
        got == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F';
    const bool script = got >= 2 && head[0] == '#' && head[1] == '!';
    return elf || script ? LaunchKind::kProgram : LaunchKind::kDocument;
}

bool IsProgram(const std::string& path) {
    return ClassifyLaunchTarget(path) == LaunchKind::kProgram;
}

PaneLaunch::PaneLaunch(PaneToolPaths tools, Launcher& launcher, Prompter* prompter)
    : tools_(std::move(tools)), launcher_(launcher), prompter_(prompter) {}

namespace {}  // namespace

bool PaneLaunch::Start(const ToolCommand& command, bool wait) {
    LaunchRequest request;
    request.argv = command.argv;
    request.commandLine = CommandText(command.argv);
    request.workingFolder = command.workingFolder;
    request.waitMs = wait ? kWaitForever : 0;
    Log("Launching %s", request.commandLine.c_str());
    const LaunchResult result = launcher_.Launch(request);
    if (!result.started) {
        LogError(result.errorCode, "Cannot start %s", request.commandLine.c_str());
    }
    return result.started;
}

bool PaneLaunch::ViewThisFile(const std::string& file, std::string_view options, bool wait) {
    Log("ViewThisFile::File %s", file.c_str());
    Log("ViewThisFile::Flag %.*s", static_cast<int>(options.size()), options.data());
    Log("ViewThisFile::Scrivlet %s", tools_.editor.c_str());
    if (tools_.editor.empty()) {
        Log("ViewThisFile::Ignoring...");
        ShowLaunchError(prompter_, kEditorNameEmpty);
        return false;
    }
    if (file.empty() || !PathExistsLoose(file) || !PathExistsLoose(tools_.editor)) {
        Log("ViewThisFile::Ignoring...");
        return false;
    }
    return Start(*EditorCommand(tools_, {file}, options), wait);
}

bool PaneLaunch::OpenItem(const std::string& path) {
    const LaunchKind kind = ClassifyLaunchTarget(path);
    if (kind == LaunchKind::kDocument) {
        return OpenWithNativeApp(path);
    }
    if (kind == LaunchKind::kDesktopEntry) {
        return ViewThisFile(path, {}, false);
    }
    PromptRequest question;
    question.text = StringPrintf(kLaunchProgramQuestion, path);
    question.style = mb::kYesNo | mb::kIconQuestion | mb::kDontAskAgain;
    question.key = kLaunchProgramKey;
    if (prompter_ == nullptr || prompter_->Ask(question) != mbr::kYes) {
        return false;
    }
    Log("Opening [%s]", path.c_str());
    if (!Start({{path}, std::string(DirName(path))})) {
        ShowLaunchError(prompter_, StringPrintf(kOpenFailure, path));
        return false;
    }
    return true;
}

namespace {

// The CRC-32 of a whole regular file, never waiting on a FIFO.
bool FileCrc32(const std::string& path, uint32_t& crc) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    uint32_t reg = kCrc32Initial;
    char buffer[1 << 16];
    for (ssize_t got = 1; ok && got != 0;) {
        got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            reg = Crc32Update(reg, buffer, static_cast<size_t>(got));
        } else if (got < 0 && errno != EINTR) {
            ok = false;
        } else if (got < 0) {
            got = 1;
        }
    }
    close(fd);
    crc = ~reg;
    return ok;
}

const char* OpenErrorText(int result) {
    switch (result) {
        case -7:
            return "File Access denied error";
        case -8:
            return "File doesn't exist";
        case -9:
            return "File open exception error";
        default:
            return "Unknown File open error";
    }
}

}  // namespace

const char* EncodingName(int encoding) {
    switch (encoding) {
        case kEncUtf16Le:
            return "Unicode";
        case kEncUtf16Be:
            return "Unicode Big Endian";
        case kEncUtf8:
            return "UTF8";
        case kEncAnsi:
            return "ASCII";
        default:
            return "Unknown";
    }
}

bool PaneLaunch::CompareTwoFiles(const std::string& left, const std::string& right,
                                 int viewNonTextWith) {
    const EncodingDetection kinds[2] = {DetectTextEncoding(left), DetectTextEncoding(right)};
    const bool failed[2] = {kinds[0].result < 0, kinds[1].result < 0};
    if (failed[0] || failed[1]) {
        const int code = failed[0] ? kinds[0].result : kinds[1].result;
        ShowLaunchError(
            prompter_,
            failed[0] && failed[1]
                ? StringPrintf(kOpenFilesFailure, left, right, OpenErrorText(code))
                : StringPrintf(kOpenFileFailure, failed[0] ? left : right, OpenErrorText(code)));
        return false;
    }
    const bool binary[2] = {kinds[0].encoding == kEncodingBinary,
                            kinds[1].encoding == kEncodingBinary};
    bool asText = !binary[0] && !binary[1];
    if (asText && kinds[0].encoding != kinds[1].encoding && prompter_ != nullptr) {
        PromptRequest notice;
        notice.text = StringPrintf(kDifferentEncodings, left, EncodingName(kinds[0].encoding),
                                   right, EncodingName(kinds[1].encoding));
        notice.style = mb::kOk | mb::kIconInformation;
        prompter_->Ask(notice);
    }
    if (binary[0] != binary[1]) {
        PromptRequest question;
        question.text =
            StringPrintf(kOneBinaryQuestion, binary[0] ? left : right, binary[0] ? right : left);
        question.style = mb::kYesNo | mb::kIconQuestion;
        asText = prompter_ != nullptr && prompter_->Ask(question) == mbr::kYes;
    }
    if (asText) {
        Log("Comparing [%s] & [%s]", left.c_str(), right.c_str());
        const std::optional<ToolCommand> command = EditorCommand(tools_, {left, right});
        if (!command) {
            ShowLaunchError(prompter_, kEditorNameEmpty);
            return false;
        }
        if (!Start(*command)) {
            Log("Reason for failure of comparing %s and %s", left.c_str(), right.c_str());
            return false;
        }
        return true;
    }
    if (viewNonTextWith == 0) {
        return LaunchViewer({left, right});
    }
    if (viewNonTextWith == 1) {
        return LaunchHexTool(left, right);
    }
    uint32_t crc[2] = {0, 0};
    std::string text = kNonTextRefused;
    if (!FileCrc32(left, crc[0]) || !FileCrc32(right, crc[1])) {
        text += kChecksumFailed;
    } else if (crc[0] == crc[1]) {
        text += StringPrintf(kChecksumSame, crc[0]);
    } else {
        text += StringPrintf(kChecksumDifferent, crc[0], crc[1]);
    }
    ShowLaunchError(prompter_, text);
    return false;
}

bool PaneLaunch::OpenWithNativeApp(const std::string& path) {
    if (ClassifyLaunchTarget(path) == LaunchKind::kDesktopEntry) {
        return ViewThisFile(path, {}, false);
    }
    Log("Opening [%s]", path.c_str());
    const std::optional<ToolCommand> command = NativeAppCommand(tools_, path);
    if (!command || !Start(*command)) {
        Log("ShellExecuteEx() failed with [%s]...", path.c_str());
        ShowLaunchError(prompter_, StringPrintf(kOpenFailure, path));
        return false;
    }
    return true;
}

bool PaneLaunch::LaunchViewer(const std::vector<std::string>& files) {
    const std::vector<ToolCommand> commands = ViewerCommands(tools_, files);
    bool started = !commands.empty();
    for (const ToolCommand& command : commands) {
        started = Start(command) && started;
    }
    if (!started) {
        ShowLaunchError(prompter_, kViewerLaunchFailure);
    }
    return started;
}

bool PaneLaunch::LaunchHexTool(const std::string& left, const std::string& right) {
    const std::optional<ToolCommand> command = HexCompareCommand(tools_, left, right);
    if (!command || !Start(*command)) {
        ShowLaunchError(prompter_, kHexLaunchFailure);
        return false;
    }
    return true;
}

bool PaneLaunch::LaunchSearch(const std::string& folder) {
    const std::optional<ToolCommand> command = SearchCommand(tools_, folder);
    if (!command) {
        ShowLaunchError(prompter_, ToolMissingReason(tools_, PaneTool::kSearch));
        return false;
    }
    const std::string text = CommandText(command->argv);
    const bool started = Start(*command);
    Log(started ? kCommandSucceeded : kCommandFailed, text.c_str());
    if (!started) {
        ShowLaunchError(prompter_, StringPrintf(kCommandFailed, text));
    }
    return started;
}

bool PaneLaunch::OpenExplorer(const std::string& folder) {
    const std::optional<ToolCommand> command = ExplorerCommand(tools_, folder);
    if (!command || !Start(*command)) {
        const std::string text = StringPrintf(kExplorerLaunchFailure, folder);
        LogError(command ? 0 : ENOENT, "%s", text.c_str());
        ShowLaunchError(prompter_, text);
        return false;
    }
    return true;
}

bool PaneLaunch::LaunchFavourite(const std::string& entry, const std::string& file) {
    const ToolCommand command{FavoriteArgv(entry, FileArg(file)), {}};
    const std::string text = CommandText(command.argv);
    const bool started = !command.argv.empty() && Start(command);
    Log(started ? kCommandSucceeded : kCommandFailed, text.c_str());
    if (!started) {
        ShowLaunchError(prompter_, StringPrintf(kCommandFailed, text));
    }
    return started;
}

bool PaneLaunch::LaunchSendTo(const SendToEntry& entry, const std::vector<std::string>& files) {
    std::vector<std::string> args;
    for (const std::string& file : files) {
        args.push_back(FileArg(file));
    }
    bool started = false;
    for (const std::vector<std::string>& argv : ExpandSendTo(entry, args)) {
        const std::string text = CommandText(argv);
        const bool one = Start({argv, {}});
        Log(one ? kCommandSucceeded : kCommandFailed, text.c_str());
        if (!one) {
            ShowLaunchError(prompter_, StringPrintf(kCommandFailed, text));
        }
        started = one || started;
    }
    return started;
}

bool PaneLaunch::ExtractArchive(const std::string& archive, const std::string& targetFolder) {
    const std::optional<ToolCommand> command = ExtractArchiveCommand(tools_, archive, targetFolder);
    if (!command || !Start(*command)) {
        ShowLaunchError(prompter_, kArchiveExtractFailure);
        return false;
    }
    return true;
}

bool PaneLaunch::AddToArchive(const std::vector<std::string>& files) {
    const std::optional<ToolCommand> command = AddToArchiveCommand(tools_, files);
    if (!command || !Start(*command)) {
        ShowLaunchError(prompter_, kArchiveOpenFailure);
        return false;
    }
    return true;
}

}  // namespace quillon
