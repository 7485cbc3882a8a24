#include "reports/PdfRendition.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "platform/Ghostscript.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/OutputFile.h"
#include "platform/ProgressSink.h"
#include "platform/Prompter.h"
#include "platform/RegistryStore.h"
#include "platform/RunContext.h"
#include "platform/ToolLocator.h"

namespace quillon {

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsExecutable(const std::string& path) {
    return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

std::string Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// The text up to the first '#', trimmed.
std::string TitleText(std::string_view rest) {
    return Trim(rest.substr(0, rest.find('#')));
}

std::string OwnProgramFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    return length > 0 ? std::string(DirName(std::string_view(path, size_t(length))))
                      : std::string();
}

void SetProgress(ProgressSink* progress, const std::string& text) {
    if (progress != nullptr) {
        progress->SetText(text);
    }
}

std::string NameWithoutExtension(std::string_view path) {
    std::string name(BaseName(path));
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The per-source PostScript name: the run stamp, a counter of the process and the source's
// extension (letters and digits only), in the rendition's private folder.
std::string MakeTempPsName(const std::string& folder, const std::string& source) {
    static long counter = 0;
    std::string stamp = GetLogStamp();
    if (stamp.empty()) {
        const time_t now = LogClockNow();
        tm local{};
        ::localtime_r(&now, &local);
        char text[32];
        std::strftime(text, sizeof text, "%m%d_%H%M%S", &local);
        stamp = text;
    }
    std::string name = stamp + StringPrintf("_%.8ld", ++counter);
    const std::string base(BaseName(source));
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot + 1 < base.size()) {
        std::string extension;
        for (const char c : base.substr(dot + 1)) {
            if (std::isalnum(static_cast<unsigned char>(c))) {
                extension += c;
            }
        }
        if (!extension.empty()) {
            name += "_" + extension;
        }
    }
    return JoinPath(folder, name + ".ps");
}

bool IsPs2WriteOutput(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return head.find("(ps2write)") != std::string::npos;
}

// A PostScript copy kept for the user ("<stem>.ps", else "<stem> (2).ps"...) takes a name no
// file has yet: it never replaces one, as "<target>.ps" or "<source>.ps" may well be a document.
bool CopyToUnusedName(const std::string& from, const std::string& stem, std::string& name) {
    int fd = -1;
    for (int n = 1; fd < 0 && n <= 99; ++n) {
        name = n == 1 ? stem + ".ps" : StringPrintf("%s (%d).ps", stem, n);
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    FILE* out = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (out == nullptr) {
        return false;
    }
    std::ifstream in(from, std::ios::binary);
    char buffer[1 << 16];
    bool written = in.is_open();
    while (written && (in.read(buffer, sizeof buffer) || in.gcount() > 0)) {
        const size_t got = static_cast<size_t>(in.gcount());
        written = std::fwrite(buffer, 1, got, out) == got;
    }
    written = std::fclose(out) == 0 && written;
    if (!written) {
        ::unlink(name.c_str());
    }
    return written;
}

// The entries of a folder a rendition takes, in the order it takes them: the undo and transfer
// backups left out, files (or links to files) and folders (never through a link).
struct FolderEntry {
    std::string name;
    bool isFolder = false;
};

std::vector<FolderEntry> ListSourceFolder(const std::string& path) {
    std::vector<FolderEntry> entries;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || name.find("$diffundo") != std::string::npos ||
                name.find("$farlink") != std::string::npos) {
                continue;
            }
            const std::string full = JoinPath(path, name);
            struct stat st {};
            if (::lstat(full.c_str(), &st) != 0) {
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                entries.push_back({name, true});
            } else if (S_ISREG(st.st_mode) || (S_ISLNK(st.st_mode) && IsRegularFile(full))) {
                entries.push_back({name, false});
            }
        }
        ::closedir(dir);
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const std::string fa = FoldAscii(a.name), fb = FoldAscii(b.name);
        return fa != fb ? fa < fb : a.name < b.name;
    });
    return entries;
}

// The documents a folder source will offer for conversion, for the progress bar.
uint64_t CountFolderDocuments(const std::string& path) {
    uint64_t count = 0;
    std::vector<std::string> pending{path};
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        for (const FolderEntry& entry : ListSourceFolder(folder)) {
            if (!entry.isFolder) {
                ++count;
            } else if (entry.name[0] != '.') {
                pending.push_back(JoinPath(folder, entry.name));
            }
        }
    }
    return count;
}

uint64_t CountInputDocuments(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string relPath = std::string(DirName(path)) + "/";
    std::string line;
    uint64_t count = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const InputLine parsed = ParseInputLine(line, relPath);
        if (parsed.code == kInputRelPath) {
            relPath = parsed.path;
        }
        count += parsed.code == kInputFile ? 1 : 0;
    }
    return count;
}

// The folder that holds every entry: the longest run of leading path components they share
// below their own names.
std::string CommonParent(const std::vector<std::string>& entries) {
    std::string common(DirName(entries.front()));
    for (const std::string& entry : entries) {
        while (common != "/" && !common.empty() &&
               !(entry.size() > common.size() && entry.compare(0, common.size(), common) == 0 &&
                 entry[common.size()] == '/')) {
            common = std::string(DirName(common));
        }
    }
    return common;
}

// One rendition's working state and the steps that share it.
class Rendition {
  public:
    Rendition(const PdfRenditionOptions& options, PdfRenditionEnv& env,
              PdfRenditionOutcome& outcome)
        : options_(options), env_(env), outcome_(outcome) {}

    PsWork work;

    std::string psu_Native2PS(const std::string& source);
    int ProcessSourceFile(const std::string& path, bool keep);
    int ProcessSourceFolder(const std::string& path, bool asNode, int count, bool keep);
    int ProcessInputText(const std::string& path);
    int xup_PS2PDF(const std::string& ps, const std::string& pdf);
    // Shows the document about to be converted and moves the bar; true once the user cancelled.
    bool Step(const std::string& text);
    // Whether the user cancelled, asked of the window without moving on.
    bool Poll(const std::string& text, uint64_t percent);

    uint64_t total = 0;  // the documents offered for conversion, for the bar

  private:
    bool WaitForConverter(const std::string& commandLine, const LaunchResult& started,
                          int& exitCode);
    void Show(const std::string& text) {
        if (env_.show) {
            env_.show(text);
        }
    }
    int ConvertAndProcess(const std::string& path, const std::string& title, bool keep);

    const PdfRenditionOptions& options_;
    PdfRenditionEnv& env_;
    PdfRenditionOutcome& outcome_;
    uint64_t done_ = 0;
    bool cancelled_ = false;
};

bool Rendition::Step(const std::string& text) {
    const uint64_t percent = total == 0 ? 0 : std::min<uint64_t>(done_ * 100 / total, 100);
    ++done_;
    return Poll(text, percent);
}

bool Rendition::Poll(const std::string& text, uint64_t percent) {
    if (env_.progress != nullptr && env_.progress->Update(text, percent)) {
        cancelled_ = true;
    }
    return cancelled_;
}

bool Rendition::WaitForConverter(const std::string& commandLine, const LaunchResult& started,
                                 int& exitCode) {
    exitCode = started.exitCode;
    if (started.exited) {
        return true;
    }
    const pid_t pid = started.pid;
    bool first = true;
    for (;;) {
        const std::string text =
            commandLine + "\n\n" +
            (first ? "5 minitues passed to generate a postscript file."
                   : "Another 5 minitues passed to generate a postscript file.") +
            "\nDo you want to wait another 5 more minutes?\n\nIf you click \"No\", this file will "
            "be "
            "skipped for PDF rendition.";
        first = false;
        PromptRequest request;
        request.text = text;
        request.style = mb::kYesNo | mb::kIconQuestion;
        if (env_.prompter == nullptr || env_.prompter->Ask(request) != mbr::kYes) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            Log("psu_Native2PS::Error: Panorel.exe possibly running infinitely.");
            return false;
        }
        const auto deadline = Clock::now() + std::chrono::milliseconds(env_.converterWaitMs);
        while (Clock::now() < deadline) {
            int status = 0;
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            }
            if (done < 0 && errno == ECHILD) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

std::string Rendition::psu_Native2PS(const std::string& source) {
    if (!IsRegularFile(source)) {
        return {};
    }
    const auto start = Clock::now();
    const std::string final = MakeTempPsName(work.TempFolder(), source);
    const std::string output = work.GenerateToc() ? final + ".in.ps" : final;
    const std::string commandLine = "\"" + env_.converter + "\" -PS " + QuoteArgument(source) +
                                    " -OUT:" + QuoteArgument(output);
    Launcher& launcher = env_.launcher != nullptr ? *env_.launcher : DefaultLauncher();
    LaunchRequest request;
    request.commandLine = commandLine;
    request.waitMs = env_.converterWaitMs;
    const LaunchResult started = env_.converter.empty() ? LaunchResult{} : launcher.Launch(request);
    if (!started.started) {
        LogError(started.errorCode ? started.errorCode : ENOENT,
                 "psu_Native2PS::Error: Spawning Panorel.exe with [%s] command failed.",
                 commandLine.c_str());
        return {};
    }
    int exitCode = 0;
    const bool finished = WaitForConverter(commandLine, started, exitCode);
    outcome_.convertSeconds += Since(start);
    if (!finished) {
        return {};
    }
    if (exitCode != 0) {
        Log("psu_Native2PS::Error: [%s] ended with exit code %d.", commandLine.c_str(), exitCode);
        ::unlink(output.c_str());
        return {};
    }
    if (!IsRegularFile(output)) {
        Log("psu_Native2PS::Error: Output [%s] doesn't exist.", output.c_str());
        return {};
    }
    if (!work.GenerateToc() || output == final) {
        return final;
    }
    // The converter already writes ps2write output; anything else is normalised to it so that
    // every document has the structure the assembly edits.
    if (IsPs2WriteOutput(output)) {
        ::rename(output.c_str(), final.c_str());
        return final;
    }
    const std::vector<std::string> args = {"-q",
                                           "-sDEVICE=ps2write",
                                           "-dBATCH",
                                           "-dNOPAUSE",
                                           "-dSAFER",
                                           GhostscriptOutputArg(final),
                                           GhostscriptInputArg(output)};
    std::string line = env_.gs;
    for (const std::string& arg : args) {
        line += " " + arg;
    }
    Log("psu_Native2PS:: Calling CreateProcess() with %s...", line.c_str());
    const auto gsStart = Clock::now();
    const GhostscriptRun run = RunGhostscriptFor(env_.gs, args);
    outcome_.ghostscriptSeconds += Since(gsStart);
    ::unlink(output.c_str());
    if (!run.started) {
        LogError(run.startError, "psu_Native2PS::Error: Spawning %s failed.", line.c_str());
        return {};
    }
    if (!run.Succeeded()) {
        Log("psu_Native2PS::Error: Failed to create %s. [Error code=%d]", final.c_str(),
            run.timedOut ? -1 : run.exitCode);
        ::unlink(final.c_str());
        return {};
    }
    return final;
}

int Rendition::ConvertAndProcess(const std::string& path, const std::string& title, bool keep) {
    const std::string ps = psu_Native2PS(path);
    if (ps.empty()) {
        Log("Using the file %s, the postscript couldn't be generated. Skipping...", path.c_str());
        outcome_.skipped.push_back(path);
        return -52;
    }
    if (!IsRegularFile(ps)) {
        Log("Using the file %s, the postscript filename %s was returned, but doesn't exist. "
            "Skipping...",
            path.c_str(), ps.c_str());
        outcome_.skipped.push_back(path);
        return -52;
    }
    std::string kept;
    if (keep && !CopyToUnusedName(ps, path, kept)) {
        Log("The PostScript of %s could not be kept beside it.", path.c_str());
    }
    if (work.ps_ProcessPostscript(DT_DOCUMENT, 0, title, ps, keep) != 1) {
        return -102;
    }
    ++outcome_.documents;
    return 1;
}

int Rendition::ProcessSourceFile(const std::string& path, bool keep) {
    const std::string title(BaseName(path));
    if (Step(StringPrintf("Processing \n%s...", title))) {
        return kPdfCancelled;
    }
    return ConvertAndProcess(path, title, keep);
}

int Rendition::ProcessSourceFolder(const std::string& path, bool asNode, int count, bool keep) {
    if (path.empty() || !IsFolder(path)) {
        return 1;
    }
    if (asNode &&
        work.ps_ProcessPostscript(DT_FOLDER, count, std::string(BaseName(path)), "", keep) != 1) {
        return -102;
    }
    int result = 1;
    for (const auto& [name, isFolder] : ListSourceFolder(path)) {
        const std::string full = JoinPath(path, name);
        if (!isFolder) {
            const int one = ProcessSourceFile(full, false);
            if (one == -102 || one == kPdfCancelled) {
                result = one;
                break;
            }
        } else if (name[0] != '.') {
            SetProgress(env_.progress, StringPrintf("Processing \n%s...", name));
            result = ProcessSourceFolder(full, true, 0, keep);
            if (result != 1) {
                break;
            }
        }
    }
    if (asNode) {
        work.ps_EndFolder();
    }
    return result;
}

int Rendition::ProcessInputText(const std::string& path) {
    Log("ProcessInputText:: Entering...");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Log("Failed to open the input text-file %s.", path.c_str());
        Log("ProcessInputText:: Leaving with return code[%d]...", -1);
        return -1;
    }
    std::string relPath = std::string(DirName(path)) + "/";
    std::string line;
    int lineNumber = 0;
    int code = 1;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const InputLine parsed = ParseInputLine(line, relPath);
        if (parsed.code < 0 && parsed.code != kInputFileMissing) {
            Log("%s", InputLineError(lineNumber, line, parsed).c_str());
            code = parsed.code;
            break;
        }
        if (parsed.code == kInputRelPath) {
            relPath = parsed.path;
        } else if (parsed.code == kInputEndNode) {
            work.ps_EndFolder();
        } else if (parsed.code == kInputFileMissing) {
            Log("File %s specified in the input file doesn't exist. Skipping...",
                parsed.path.c_str());
            outcome_.skipped.push_back(parsed.path);
        } else if (parsed.code == kInputFile) {
            if (Step("Processing \n" + NameWithoutExtension(parsed.path) + "...")) {
                code = kPdfCancelled;
                break;
            }
            Log("ProcessInputText:: Processing %s...", parsed.path.c_str());
            const int result = ConvertAndProcess(parsed.path, parsed.title, options_.keep);
            if (result == -102) {
                code = result;
                break;
            }
        } else if (parsed.code == kInputNode) {
            SetProgress(env_.progress, "Processing \n" + parsed.title + "...");
            if (work.ps_ProcessPostscript(DT_FOLDER, 0, parsed.title, "", options_.keep) != 1) {
                code = -102;
                break;
            }
        }
    }
    if (code == 1 && outcome_.documents == 0) {
        code = -52;
    }
    Log("ProcessInputText:: Leaving with return code[%d]...", code);
    return code;
}

std::string QuotedForGs(const std::string& path, bool output) {
    std::string text = AbsolutePath("/", path);
    if (output) {
        std::string doubled;
        for (const char c : text) {
            doubled += c;
            if (c == '%') {
                doubled += '%';
            }
        }
        text = doubled;
    }
    return QuoteArgument(text);
}

int Rendition::xup_PS2PDF(const std::string& ps, const std::string& pdf) {
    Log("xup_PS2PDF:: Entering...");
    std::string gsrcPath;
    const std::string gsrc = ReadGsrc(env_.gs, env_.settingsFolder, &gsrcPath);
    const std::string note =
        "\n\nNOTE:\nGhostScript reads the option from \"_gsrc\" text file located in : \"" +
        std::string(env_.gs.empty() ? "" : DirName(env_.gs)) +
        "\" folder.\n\nIf that file doesn't exist the following default value will be used:\n" +
        DefaultGsOptions() +
        "\n\nYou can create or change it using a text editor, and Quillon will only read the first "
        "line and the rest will be ignored.";
    if (env_.gs.empty()) {
        Show(
            "xup_PS2PDF::Error: gs couldn't be located.\n\nPlease note that you need to install "
            "GhostScript first, \nfor example with the package manager (the \"ghostscript\" "
            "package).\n\nAborting \"Rendering PDF\" operation...");
        return -1;
    }
    if (ps.empty()) {
        Log("xup_PS2PDF::Error: the postscript filename is empty.");
        Show("Error: the postscript filename is empty.");
        return -2;
    }
    if (!IsRegularFile(ps)) {
        Log("xup_PS2PDF::Error: the postscript file %s doesn't exist.", ps.c_str());
        Show(StringPrintf("Error: the postscript file %s doesn't exist.", ps));
        return -2;
    }
    if (pdf.empty()) {
        Log("xup_PS2PDF::Error: the PDF filename is empty.");
        Show("Error: the PDF filename is empty.");
        return -3;
    }
    const std::string intermediate = ps + ".PDF";
    std::string options = gsrc.empty() ? DefaultGsOptions() : gsrc;
    if (options.find("%PDFFILENAME%") == std::string::npos ||
        options.find("%PSFILENAME%") == std::string::npos) {
        Show(StringPrintf(
                 "%s was modified by the user,\nand the critical information is "
                 "missing.\n\nOptions in _GSRC are ignored, and the default options will be "
                 "used instead.",
                 gsrcPath) +
             note);
        options = DefaultGsOptions();
    }
    options.replace(options.find("%PDFFILENAME%"), 13, QuotedForGs(intermediate, true));
    options.replace(options.find("%PSFILENAME%"), 12, QuotedForGs(ps, false));
    ::unlink(intermediate.c_str());
    std::vector<std::string> args = SplitCommandLine("gs " + options);
    args.erase(args.begin());
    const std::string line = QuoteProgramIfBlank(env_.gs) + " " + options;
    Log("xup_PS2PDF:: Calling CreateProcess() with %s...", line.c_str());
    const auto start = Clock::now();
    const GhostscriptRun run = RunGhostscriptFor(env_.gs, args);
    outcome_.ghostscriptSeconds += Since(start);
    if (!run.started) {
        const std::string reason = std::strerror(run.startError);
        LogError(run.startError, "xup_PS2PDF::Error: Spawning %s failed.", line.c_str());
        Show(StringPrintf("Error: Spawning %s failed.\nReason:%s", line, reason));
        return -4;
    }
    if (run.timedOut) {
        Show(Log("xup_PS2PDF::Error: Failed to create %s. [Error code=%d]", pdf.c_str(), -1));
        ::unlink(intermediate.c_str());
        return -7;
    }
    Log("xup_PS2PDF:: CreateProcess() finished.");
    if (!run.Succeeded() || !IsRegularFile(intermediate)) {
        Log("%s", run.output.c_str());
        ::unlink(intermediate.c_str());
        std::string stem = pdf;
        const size_t dot = stem.rfind('.');
        const size_t slash = stem.rfind('/');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
            stem.resize(dot);
        }
        std::string kept;
        if (CopyToUnusedName(ps, stem, kept)) {
            outcome_.keptPs = kept;
        }
        Show(Log("xup_PS2PDF::Error: the following command failed to generate the "
                 "PDF:\n%s\n\nFailed "
                 "to create %s.\n\nThe temporary PS file is copied to \"%s\"",
                 line.c_str(), pdf.c_str(), kept.c_str()) +
             note);
        return -5;
    }
    OutputFile target;
    std::string error;
    bool placed = target.Open(pdf, error);
    if (placed) {
        std::ifstream in(intermediate, std::ios::binary);
        char buffer[1 << 16];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            placed = placed && std::fwrite(buffer, 1, static_cast<size_t>(in.gcount()),
                                           target.Stream()) == static_cast<size_t>(in.gcount());
        }
        placed = placed && target.Commit(error);
    }
    if (!placed) {
        Show(Log("xup_PS2PDF::Error: CopyFileEx2() from %s to %s failed.", intermediate.c_str(),
                 pdf.c_str()) +
             " " + error + "\nTherefore, copy " + intermediate +
             " manually to the desired location after seeing the error message.");
        return -6;
    }
    ::unlink(intermediate.c_str());
    Log("xup_PS2PDF:: %s created...", pdf.c_str());
    return 1;
}

}  // namespace

InputLine ParseInputLine(std::string_view line, std::string_view relPath) {
    InputLine result;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
        return result;
    }
    const std::string_view body = line.substr(first);
    const size_t tokenEnd = std::min(body.find_first_of(" \t\""), body.size());
    std::string keyword = FoldAscii(body.substr(0, tokenEnd));
    if (!keyword.empty() && keyword.back() == ':') {
        keyword.pop_back();
    }
    const std::string_view rest = body.substr(tokenEnd);
    auto quoted = [rest](std::string& inside, std::string_view& after) {
        const size_t open = rest.find('"');
        const size_t close = open == std::string_view::npos ? open : rest.find('"', open + 1);
        if (close == std::string_view::npos || close == open + 1) {
            return false;
        }
        inside = std::string(rest.substr(open + 1, close - open - 1));
        after = rest.substr(close + 1);
        return true;
    };
    if (keyword == "node") {
        result.code = kInputNode;
        result.title = TitleText(rest);
        if (result.title.empty()) {
            result.title = "NODE";
        }
    } else if (keyword == "endnode") {
        result.code = kInputEndNode;
    } else if (keyword == "file") {
        std::string inside;
        std::string_view after;
        if (!quoted(inside, after)) {
            result.code = kInputFileEmpty;
            return result;
        }
        if (inside.front() != '/') {
            if (inside.rfind("./", 0) == 0) {
                inside.erase(0, 2);
            }
            inside = std::string(relPath) + inside;
        }
        result.path = inside;
        result.title = TitleText(after);
        if (result.title.empty()) {
            result.title = std::string(BaseName(inside));
        }
        result.code = IsRegularFile(inside) ? kInputFile : kInputFileMissing;
    } else if (keyword == "relpath") {
        std::string inside;
        std::string_view after;
        if (!quoted(inside, after)) {
            result.code = kInputRelPathEmpty;
            return result;
        }
        if (inside.back() != '/') {
            inside += '/';
        }
        result.path = inside;
        result.code = IsFolder(inside) ? kInputRelPath : kInputRelPathMissing;
    } else {
        result.code = kInputUnknown;
    }
    return result;
}

std::string InputLineError(int lineNumber, std::string_view line, const InputLine& parsed) {
    const std::string text(line);
    switch (parsed.code) {
        case kInputRelPathMissing:
            return StringPrintf("Line #%d: %s\n\tRELPATH %s doesn't exist.\n", lineNumber, text,
                                parsed.path);
        case kInputFileMissing:
            return StringPrintf("Line #%d: %s\n\tFile %s doesn't exist.\n", lineNumber, text,
                                parsed.path);
        case kInputFileEmpty:
            return StringPrintf("Line #%d: %s\n\tFILE is empty.\n", lineNumber, text);
        case kInputRelPathEmpty:
            return StringPrintf("Line #%d: %s\n\tRELPATH is empty.\n", lineNumber, text);
        case kInputUnknown:
            return StringPrintf("Line #%d: %s\n\tUnknown syntax.\n", lineNumber, text);
        default:
            return {};
    }
}

std::string ps_CheckInputSyntax(const std::string& path) {
    Log("ps_CheckInputSyntax:: Entering...");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Log("ps_CheckInputSyntax:: Leaving with return code[%d]...", -1);
        return StringPrintf("Failed to open the input text-file %s.", path);
    }
    std::string relPath = std::string(DirName(path)) + "/";
    std::string line;
    int lineNumber = 0;
    std::string report;
    int code = 1;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const InputLine parsed = ParseInputLine(line, relPath);
        if (parsed.code < 0) {
            report = InputLineError(lineNumber, line, parsed);
            code = parsed.code;
            break;
        }
        if (parsed.code == kInputRelPath) {
            relPath = parsed.path;
        }
    }
    Log("ps_CheckInputSyntax:: Leaving with return code[%d]...", code);
    return report;
}

std::string DefaultGsOptions() {
    return "-dCompatibilityLevel=1.4 -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dCOLORSCREEN "
           "-dDOINTERPOLATE -sOutputFile=%PDFFILENAME% %PSFILENAME% ";
}

std::string ReadGsrc(const std::string& gs, const std::string& settingsFolder, std::string* where) {
    for (const std::string& folder :
         {gs.empty() ? std::string() : std::string(DirName(gs)), settingsFolder}) {
        if (folder.empty()) {
            continue;
        }
        const std::string path = JoinPath(folder, "_gsrc");
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            continue;
        }
        std::string line;
        std::getline(in, line);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (where != nullptr) {
            *where = path;
        }
        return line;
    }
    return {};
}

std::string FindPdfConverter(const RegistryStore& store, std::string_view programFolder,
                             std::string_view searchPath) {
    const auto registered =
        store.GetValue(RegHive::LocalMachine, std::string(kAppPathsKey) + "\\" + kViewerExe, "");
    if (registered && registered->type == RegType::String && IsExecutable(registered->text)) {
        return registered->text;
    }
    if (!programFolder.empty()) {
        const std::string beside = JoinPath(programFolder, kPdfConverterName);
        if (IsExecutable(beside)) {
            return beside;
        }
    }
    return FindOnSearchPath(kPdfConverterName, searchPath);
}

std::string FindPdfConverter() {
    const char* path = std::getenv("PATH");
    return FindPdfConverter(RunContext::Current().Registry(), OwnProgramFolder(),
                            path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
}

bool HasPostScriptPrinter() {
    return !FindPdfConverter().empty() && !FindGhostscript().empty();
}

bool CheckPostScriptPrinter(Prompter& prompter) {
    if (HasPostScriptPrinter()) {
        return true;
    }
    PromptRequest request;
    request.text =
        "Any PDF related operation requires the postscript printer on your sysetm.\nWhen you "
        "click \"OK\", how to install Postscript printer will be displayed.";
    request.style = mb::kOk | mb::kIconExclamation;
    prompter.Ask(request);
    request.text = std::string("Install Ghostscript (the \"ghostscript\" package) and keep ") +
                   std::string(kPdfConverterName) + " beside quillon or on PATH.";
    request.style = mb::kOk | mb::kIconInformation;
    prompter.Ask(request);
    return false;
}

std::string ValidatePdfBinder(const std::string& output, bool listMode,
                              const std::string& inputFile,
                              const std::vector<std::string>& sources) {
    std::string errors;
    if (output.empty() || IsFolder(output)) {
        errors +=
            "Please check \"Output PDF filename\".\nIt is either empty or an existing "
            "folder.\nEnter the filename properly and try again.\n\n";
    }
    if (!listMode && (inputFile.empty() || !IsRegularFile(inputFile))) {
        errors +=
            "Please check \"Input Text file\".\nIt is either empty or an existing folder, or "
            "doesn't even exist.\nPlease select the existing file using \"Browse\" button and "
            "try again.\n\n";
    }
    if (listMode && sources.empty()) {
        errors +=
            "The folder name is either empty or an existing file.\nPlease select the existing "
            "folder using \"Browse Folder\" button and try again.\n\n";
    }
    if (!output.empty() && !IsFolder(output)) {
        const std::string folder(DirName(output));
        if (!IsFolder(folder) && ::mkdir(folder.c_str(), 0777) != 0) {
            errors += StringPrintf(
                "The output folder \"%s\" didn't exist.\nAttempt to creating it "
                "failed.\nPlease create it manually and try again.\n\n",
                folder);
        }
    }
    if (!errors.empty()) {
        errors +=
            "Due to the above error(s), PDF rendition can't be performed.\nPlease correct any "
            "error and try again.";
    }
    return errors;
}

uint64_t RequiredPdfSpace(const std::vector<std::string>& sources) {
    uint64_t total = 0;
    std::vector<std::string> pending = sources;
    while (!pending.empty()) {
        const std::string path = std::move(pending.back());
        pending.pop_back();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            continue;
        }
        if (S_ISREG(st.st_mode)) {
            total += static_cast<uint64_t>(st.st_size);
        } else if (S_ISDIR(st.st_mode)) {
            if (DIR* dir = ::opendir(path.c_str())) {
                while (dirent* entry = ::readdir(dir)) {
                    const std::string name = entry->d_name;
                    if (name != "." && name != "..") {
                        pending.push_back(JoinPath(path, name));
                    }
                }
                ::closedir(dir);
            }
        }
    }
    return total * 8;
}

int64_t FreeSpaceOf(const std::string& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) {
        return -1;
    }
    return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
}

int RenderPdf(const std::string& sources, const std::string& pdfPath, bool listMode,
              const PdfRenditionOptions& options, PdfRenditionEnv& env,
              PdfRenditionOutcome* outcome) {
    PdfRenditionOutcome local;
    PdfRenditionOutcome& result = outcome != nullptr ? *outcome : local;
    result = {};
    Rendition rendition(options, env, result);
    PsWork& work = rendition.work;
    if (work.ps_InitEnv(options.generateToc).empty()) {
        return -1;
    }
    ProgressSink* const givenProgress = env.progress;
    std::unique_ptr<ProgressSink> window;
    if (givenProgress == nullptr && env.progressFactory != nullptr) {
        window = env.progressFactory->Open(kPdfBinderCaption);
        env.progress = window.get();
    }
    int code = 1;
    if (!listMode) {
        rendition.total = CountInputDocuments(sources);
        code = rendition.ProcessInputText(sources);
    } else {
        std::vector<std::string> entries;
        size_t start = 0;
        while (start <= sources.size()) {
            const size_t bar = std::min(sources.find('|', start), sources.size());
            if (bar > start) {
                entries.push_back(sources.substr(start, bar - start));
            }
            start = bar + 1;
        }
        for (const std::string& entry : entries) {
            rendition.total += IsFolder(entry) ? CountFolderDocuments(entry) : 1;
        }
        // With the parent on top every entry is a bookmark beneath it, a lone folder as well.
        const bool parentOnTop = options.includeParent && !entries.empty();
        if (parentOnTop) {
            const std::string parent = CommonParent(entries);
            const std::string_view name = BaseName(parent);
            if (work.ps_ProcessPostscript(DT_FOLDER, 0, name.empty() ? parent : std::string(name),
                                          "", options.keep) != 1) {
                code = -102;
            }
        }
        for (size_t i = 0; code == 1 && i < entries.size(); ++i) {
            const std::string& entry = entries[i];
            const int one = IsFolder(entry)
                                ? rendition.ProcessSourceFolder(
                                      entry, entries.size() > 1 || parentOnTop, 0, false)
                                : rendition.ProcessSourceFile(entry, options.keep);
            if (one == -102 || one == kPdfCancelled) {
                code = one;
            }
        }
        if (parentOnTop) {
            work.ps_EndFolder();
        }
        if (code == 1 && result.documents == 0) {
            code = -52;
        }
    }
    if (code == 1) {
        code = work.ps_FinalizePostscriptBM(options.includeExtension, options.folderTitleBefore,
                                            options.folderTitleAfter, options.keep, env.gs,
                                            env.progress);
    }
    // The last chance to stop before Ghostscript writes the PDF.
    if (code == 1 && rendition.Poll("Finalizing...", 100)) {
        code = kPdfCancelled;
    }
    if (code == 1) {
        const std::string pdf = pdfPath.empty() ? work.Prefix() + ".pdf" : pdfPath;
        SetProgress(env.progress, "");
        code = work.Initialized() ? rendition.xup_PS2PDF(work.OutFile(), pdf) : -99;
    }
    result.assembly = work.Times();
    Log("RenderPdf:: %d documents, %zu skipped; assembly %.3f s, conversions %.3f s, "
        "Ghostscript %.3f s",
        result.documents, result.skipped.size(),
        result.assembly.editSeconds + result.assembly.concatSeconds, result.convertSeconds,
        result.ghostscriptSeconds);
    // A cancelled run leaves nothing of itself behind, not even what KeepPS would keep.
    if (code == kPdfCancelled) {
        Log("RenderPdf:: cancelled by the user.");
    }
    work.ps_DeinitEnv(code == kPdfCancelled ? false : options.keep);
    env.progress = givenProgress;
    return code;
}

}  // namespace quillon
