#include "reports/PsAssembly.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "base/TextConvert.h"
#include "platform/Ghostscript.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"

namespace quillon {

namespace {

constexpr size_t kProcedureBlockLength = 1908;

// Inside the passthrough the page is measured as the fixed texts expect: 10200 by 13200 units from
// the top left corner, whatever the paper, so their crop box is the page and their destinations
// lie at its top. The names the fixed texts call are defined in userdict, each only when userdict
// lacks it, so a document that brings its own keeps them. userdict stays on top of the dictionary
// stack from here to the end of the passthrough (closed by kCloseProcedures), so that a name the
// document's own procedures happen to use (ps2write's interpreter defines N, for one) cannot stand
// in.
constexpr std::string_view kProcedureDefinitions =
    "\n\n%%BeginDocument: Pscript_Win_PassThrough\n"
    "userdict begin\n"
    "userdict/HMcmyk known not{/HMcmyk 100 dict def}if\n"
    "HMcmyk begin/HmBD{bind def}bind def/HmLD{load def}bind def end\n"
    "/HmK{exch 256 mul add exch 65536 mul add}def\n"
    "/HMc{HmK HMcmyk exch 6 2 roll 4 array astore put}def\n"
    "/scignore where{pop/sc where{pop/sc load/scignore load eq}{false}ifelse}{false}ifelse{/sc{3 "
    "copy HmK dup HMcmyk exch known{HMcmyk exch get 4 1 roll pop pop pop aload pop setcmykcolor}{"
    "pop setrgbcolor}ifelse}def}if\n"
    "/S where{pop/PenW where{pop/HmS/S load def/S{PenW .75 sub/PenW exch def HmS}def}if}if\n"
    "/HmX matrix defaultmatrix def/HmCTM matrix currentmatrix def HmX setmatrix\n"
    "currentpagedevice/PageSize get aload pop dup 0 exch translate 13200 div neg exch 10200 div "
    "exch scale\n"
    "/HmDC{transform HmX itransform round exch round exch}def\n"
    "/HmBx{3 -1 roll 2 copy gt{exch}if 4 2 roll 2 copy gt{exch}if 3 -1 roll 4 -1 roll 3 1 roll}"
    "def\n"
    "/HmPD{cleartomark}def/HmPD2{cleartomark}def/HmPD4{cleartomark}def/HmPT{pop}def\n"
    "/HmPA{pop pop pop}def/HmND{pop pop pop}def/fmCG false def\n"
    "/pdfmark where{pop/currentdistillerparams where{pop/HmPD/pdfmark load def\n"
    "currentdistillerparams/CoreDistVersion get 2000 ge{/HmPD2/pdfmark load def\n"
    "currentdistillerparams/CoreDistVersion get 4050 ge{/HmPD4/pdfmark load def}{/HmPD4{"
    "cleartomark(%%[Acrobat Distiller 4.05 and up is required to generate Logical PDF "
    "Structure]%%)= (%%[Logical PDF Structure is not generated.]%%)= userdict/HmPD4{cleartomark}"
    "put}def}ifelse\n"
    "/fmCG true def\n"
    "/HmND{mark exch /Dest exch 5 3 roll /View [ /XYZ 5 -2 roll HmDC null ] /DEST HmPD}def\n"
    "/HmPA{fmCG{pop pop pop}{HmND}ifelse}def}if}if}if\n"
    "userdict/: known not{/:{}def}if userdict/; known not{/;{}def}if\n"
    "userdict/N known not{/N{}def}if\n"
    "userdict/Pscript_WinNT_Incr known not{/Pscript_WinNT_Incr 1 dict dup/terminate{pop}put "
    "def}if\n"
    "userdict/ehsave known not{/ehsave{save}def}if\n";
constexpr std::string_view kProcedureTail =
    ": N : N [/CropBox[0 13200 HmDC 10200 0 HmDC HmBx]/PAGE HmPD\n";
// Gives the page back its own coordinates and takes userdict off the dictionary stack again once
// the passthrough has ended.
constexpr std::string_view kCloseProcedures = "HmCTM setmatrix end\n";

constexpr std::string_view kFirstDocumentDest = "[/Dest/P.0001/DEST HmPD2\n[\n/DOCINFO HmPD2\n";
constexpr std::string_view kDocumentView =
    "[ /PageMode /UseOutlines /Page 1 /View [/XYZ null null null] /DOCVIEW HmPD2\n: N "
    "[/Title(A)/Rect[1050 12150 9150 1050]/ARTICLE HmPD2\n; ; : N : N 1194 544/G.X00 "
    "HmPA\n1194 12434/G.X01 HmPA\n; \n%%EndDocument\n";
constexpr std::string_view kLaterHeaderTail =
    "[/Dest/P.POINTLABEL/DEST HmPD2\n: N [/Title(A)/Rect[1050 12150 9150 1050]/ARTICLE "
    "HmPD2\n; ; : N : N ; \n%%EndDocument\n";
constexpr std::string_view kBookmarkBlock =
    "\n%%BeginDocument: Pscript_Win_PassThrough\n1194 0/G.POINTLABEL HmND\n\n%%EndDocument\n";
constexpr std::string_view kBookmarkInline = "\n1194 0/G.POINTLABEL HmND\n\n";
constexpr std::string_view kTrailer =
    "%%Trailer\n%%BoundingBox: 12 12 601 779\n%%DocumentNeededResources: "
    "\n%%DocumentSuppliedResources: \n%%+ procset Pscript_WinNT_ErrorHandler 5.0 0\n%%+ "
    "procset Pscript_FatalError 5.0 0\nPscript_WinNT_Incr dup /terminate get exec\nehsave "
    "restore\n%%Pages: 1\n(%%[LastPage]%%) = \n%%EOF\n%-12345X@PJL EOJ \n%-12345X\n";

// A later document runs inside a save, and the dictionaries its prolog begins are ended by
// count, so nothing it defines or leaves open reaches the next one.
constexpr std::string_view kLaterOpen =
    "userdict/QDocSave save put userdict/QDocDepth countdictstack put\n";
constexpr std::string_view kLaterClose =
    "\ncountdictstack userdict/QDocDepth get sub{end}repeat userdict/QDocSave get restore\n";
// The first document's prolog leaves its dictionaries open too; they are ended before the
// trailer, whose names live in userdict.
constexpr std::string_view kFirstOpen = "userdict/QDocDepth0 countdictstack put\n";
constexpr std::string_view kBeforeTrailer =
    "\ncountdictstack userdict/QDocDepth0 get sub{end}repeat\n";

std::string WithLabel(std::string_view text, std::string_view label) {
    std::string out(text);
    for (size_t at = out.find("POINTLABEL"); at != std::string::npos;
         at = out.find("POINTLABEL", at + label.size())) {
        out.replace(at, 10, label);
    }
    return out;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool ReadAll(const std::string& path, std::string& text) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    text.clear();
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        text.append(buffer, got);
    }
    const bool ok = !std::ferror(in);
    std::fclose(in);
    return ok;
}

bool WriteAll(const std::string& path, std::string_view text) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
}

bool AppendFile(FILE* out, const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    static char buffer[1 << 20];
    size_t got;
    bool ok = true;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        ok = ok && std::fwrite(buffer, 1, got, out) == got;
    }
    ok = ok && !std::ferror(in);
    std::fclose(in);
    return ok;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string WithoutExtension(const std::string& title) {
    const size_t dot = title.rfind('.');
    return dot == std::string::npos ? title : title.substr(0, dot);
}

}  // namespace

int32_t& psItemCounter() {
    static int32_t counter = 0;
    return counter;
}

std::string ToPdfTitleString(std::string_view utf8Title) {
    if (utf8Title.empty()) {
        return {};
    }
    std::string out = "\\376\\377";
    for (const char16_t unit : Utf8ToUtf16(utf8Title)) {
        out += StringPrintf("\\%.3o\\%.3o", unsigned(unit >> 8) & 0xFFu, unsigned(unit) & 0xFFu);
    }
    return out;
}

const std::string& PsProcedureBlock() {
    static const std::string block = [] {
        std::string text(kProcedureDefinitions);
        // The block has a fixed length; a comment line takes up what the definitions leave.
        const size_t used = text.size() + kProcedureTail.size() + 2;
        if (used < kProcedureBlockLength) {
            text += "%" + std::string(kProcedureBlockLength - used, ' ') + "\n";
        }
        text += kProcedureTail;
        return text;
    }();
    return block;
}

std::string PsLabel(int32_t index) {
    return StringPrintf("%.4d", index);
}

std::string bm_FirstFile_AddMacroAndSetupTOC(const std::string& text, std::string& header) {
    const std::string_view mark = "%%EndPageSetup";
    const size_t at = text.find(mark);
    if (at == std::string::npos) {
        return {};
    }
    const size_t cut = at + mark.size() + (text.compare(at + mark.size(), 1, "\n") == 0 ? 1 : 0);
    header.clear();
    header.reserve(cut + kFirstOpen.size() + PsProcedureBlock().size() + kFirstDocumentDest.size());
    header.append(kFirstOpen);
    header.append(text, 0, cut);
    header.append(PsProcedureBlock());
    header.append(kFirstDocumentDest);
    std::string rest;
    rest.reserve(text.size() - cut + kDocumentView.size() + kCloseProcedures.size());
    rest.append(kDocumentView);
    rest.append(kCloseProcedures);
    rest.append(text, cut, std::string::npos);
    return rest;
}

std::string bm_NextPS_AddMacroAndBookmarkHeader(const std::string& text, std::string_view label) {
    if (text.find("%%Page: 1 1") == std::string::npos) {
        return {};
    }
    const std::string_view mark = "%%EndPageSetup";
    const size_t at = text.find(mark);
    if (at == std::string::npos) {
        return {};
    }
    const size_t cut = at + mark.size() + (text.compare(at + mark.size(), 1, "\n") == 0 ? 1 : 0);
    std::string out;
    out.reserve(text.size() + 4096);
    out.append(kLaterOpen);
    out.append(text, 0, cut);
    out.append(PsProcedureBlock());
    out.append(WithLabel(kLaterHeaderTail, label));
    out.append(kCloseProcedures);
    out.append(text, cut, std::string::npos);
    return out;
}

bool IsPdfObjectsPostScript(std::string_view text) {
    return text.find("/DSC_OPDFREAD") != std::string_view::npos;
}

std::string bm_AddBookmark(const std::string& text, std::string_view label, bool pdfObjects) {
    struct Kind {
        std::string_view lf, cr;
        size_t offset;
    };
    static constexpr Kind kKinds[] = {{"]xS \n", "]xS \r", 3},
                                      {")S \n", ")S \r", 2},
                                      {">S \n", ">S \r", 2},
                                      {"; LH\n", "; LH\r", 0}};
    const std::string block = WithLabel(kBookmarkBlock, label);
    for (const Kind& kind : kKinds) {
        if (pdfObjects) {
            break;
        }
        for (const std::string_view form : {kind.lf, kind.cr}) {
            const size_t at = text.find(form);
            if (at != std::string::npos) {
                std::string out = text;
                out.insert(at + kind.offset, block);
                return out;
            }
        }
    }
    const size_t end = text.find("%%EndDocument");
    if (end != std::string::npos) {
        std::string out = text;
        out.insert(end, WithLabel(kBookmarkInline, label));
        return out;
    }
    return text;
}

std::string bm_RemoveTrailer(const std::string& text) {
    const size_t at = text.find("%%Trailer");
    if (at == std::string::npos) {
        Log("bm_RemoveTrailer::INFO: \"TRailerTag\" w/ double-percent in front not found. This may "
            "cause unpredicted error for FOLDER processing.");
        return text;
    }
    return text.substr(0, at);
}

std::string bm_CloseLaterDocument(const std::string& text) {
    return text + std::string(kLaterClose);
}

PsWork::~PsWork() {
    if (initialized_) {
        ps_DeinitEnv(false);
    }
}

bool PsWork::CheckInitialized(const char* operation) const {
    if (!initialized_) {
        Log("%s::Error: ps wasn't initialized.", operation);
    }
    return initialized_;
}

std::string PsWork::ps_InitEnv(bool generateToc) {
    if (initialized_) {
        ps_DeinitEnv(false);
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder =
        JoinPath(tmp != nullptr && *tmp == '/' ? tmp : "/tmp", "quillon-pdf-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        LogError(errno, "ps_InitEnv::Error: cannot make a folder from %s", folder.c_str());
        return {};
    }
    tempFolder_ = folder;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    prefix_ = JoinPath(
        tempFolder_, std::string("PSTMP") + stamp +
                         StringPrintf("%.4hu", static_cast<unsigned short>(now.tv_nsec / 1000000)) +
                         "_");
    headerFile_ = prefix_ + "HD.tmp";
    outFile_ = prefix_ + "OUT.ps";
    generateToc_ = generateToc;
    initialized_ = true;
    firstDocument_ = true;
    items_.clear();
    openFolders_.clear();
    times_ = {};
    return prefix_;
}

void PsWork::KeepStage(int32_t index, std::string_view stage, const std::string& text) const {
    WriteAll(prefix_ + PsLabel(index) + std::string(stage) + ".tmp", text);
}

int PsWork::ps_ProcessPostscript(int32_t type, int32_t count, const std::string& title,
                                 const std::string& psPath, bool keep) {
    if (!CheckInitialized("ps_ProcessPostscript")) {
        return -99;
    }
    Log("ps_ProcessPostscript:: Entering...");
    const int32_t index = ++psItemCounter();
    UPSFileItem item;
    item.index = index;
    item.type = type;
    item.count = count;
    item.parent = openFolders_.empty() ? -1 : openFolders_.back();
    item.title = title;
    if (type == DT_FOLDER) {
        Log("ps_ProcessPostscript:: Processing DT_FOLDER with Title %s ...", title.c_str());
        item.count = count;
        items_.push_back(std::move(item));
        openFolders_.push_back(static_cast<int32_t>(items_.size() - 1));
        Log("ps_ProcessPostscript:: Leaving...");
        return 1;
    }
    Log("ps_ProcessPostscript:: Processing DT_DOCUMENT using %s...", psPath.c_str());
    if (!FileExists(psPath)) {
        Log("ps_ProcessPostscript::Error: PS file [%s] deson't exist.", psPath.c_str());
        return -1;
    }
    item.count = 0;
    item.path = psPath;
    if (!generateToc_) {
        items_.push_back(std::move(item));
        Log("ps_ProcessPostscript:: Leaving...");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::string text;
    if (!ReadAll(psPath, text)) {
        Log("ps_ProcessPostscript::Error: PS file [%s] deson't exist.", psPath.c_str());
        return -1;
    }
    if (!keep) {
        ::unlink(psPath.c_str());
    }
    const std::string label = PsLabel(index);
    const bool pdfObjects = IsPdfObjectsPostScript(text);
    if (firstDocument_) {
        std::string header;
        text = bm_FirstFile_AddMacroAndSetupTOC(text, header);
        if (!text.empty() && !WriteAll(headerFile_, header)) {
            Log("ps_ProcessPostscript::Error: bookmark header %s wasn't created.",
                headerFile_.c_str());
            return -1;
        }
        if (keep) {
            KeepStage(index, "_1TOC", text);
        }
    } else {
        text = bm_NextPS_AddMacroAndBookmarkHeader(text, label);
        if (keep) {
            KeepStage(index, "_2BMHeader", text);
        }
    }
    if (text.empty()) {
        Log("ps_ProcessPostscript::Error: failed to process bookmark header in %s.",
            psPath.c_str());
        return -1;
    }
    text = bm_AddBookmark(text, label, pdfObjects);
    if (keep) {
        KeepStage(index, "_3BM", text);
    }
    if (text.empty()) {
        Log("ps_ProcessPostscript::Error: failed to add bookmark in %s.", psPath.c_str());
        return -1;
    }
    text = bm_RemoveTrailer(text);
    if (!firstDocument_) {
        text = bm_CloseLaterDocument(text);
    }
    if (keep) {
        KeepStage(index, "_4WoTrailer", text);
    }
    if (text.empty()) {
        Log("ps_ProcessPostscript::Error: failed to process bookmark trailer in %s.",
            psPath.c_str());
        return -1;
    }
    if (!WriteAll(psPath, text) || !FileExists(psPath)) {
        Log("ps_ProcessPostscript::Error: failed to save the modified contents of %s to %s.",
            title.c_str(), psPath.c_str());
        return -1;
    }
    if (keep) {
        WriteAll(prefix_ + PsLabel(index) + "_5Done=" + std::string(BaseName(psPath)), text);
    }
    firstDocument_ = false;
    items_.push_back(std::move(item));
    times_.editSeconds += Since(start);
    Log("ps_ProcessPostscript:: Leaving...");
    return 1;
}

void PsWork::ps_EndFolder() {
    if (!openFolders_.empty()) {
        openFolders_.pop_back();
    }
}

// The outline as it is written: folder nodes without any document beneath are left out (they
// would point nowhere), each count is the number of entries kept directly beneath, and a folder
// points at its first document.
std::vector<UPSFileItem> PsWork::FinalItems() const {
    const size_t n = items_.size();
    std::vector<bool> hasDocument(n, false);
    for (size_t i = n; i-- > 0;) {
        if (items_[i].type == DT_DOCUMENT) {
            hasDocument[i] = true;
        }
        if (hasDocument[i] && items_[i].parent >= 0) {
            hasDocument[static_cast<size_t>(items_[i].parent)] = true;
        }
    }
    std::vector<int32_t> firstDocument(n, -1);
    for (size_t i = n; i-- > 0;) {
        if (items_[i].type == DT_DOCUMENT) {
            firstDocument[i] = items_[i].index;
        }
        if (firstDocument[i] >= 0 && items_[i].parent >= 0) {
            firstDocument[static_cast<size_t>(items_[i].parent)] = firstDocument[i];
        }
    }
    std::vector<UPSFileItem> kept;
    std::vector<int32_t> counts(n, 0);
    for (size_t i = 0; i < n; ++i) {
        if (hasDocument[i] && items_[i].parent >= 0) {
            ++counts[static_cast<size_t>(items_[i].parent)];
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (!hasDocument[i]) {
            continue;
        }
        UPSFileItem item = items_[i];
        if (item.type == DT_FOLDER) {
            item.count = counts[i];
            item.index = firstDocument[i];
        }
        kept.push_back(std::move(item));
    }
    return kept;
}

int PsWork::ps_FinalizePostscriptBM(bool includeExtension, std::string_view before,
                                    std::string_view after, bool keep, const std::string& gs,
                                    ProgressSink* progress) {
    if (!CheckInitialized("ps_FinalizePostscriptBM")) {
        return -99;
    }
    Log("ps_FinalizePostscriptBM:: Entering...");
    ::unlink(outFile_.c_str());
    auto showProgress = [progress](const std::string& title) {
        if (progress != nullptr) {
            progress->SetText(StringPrintf("Finalizing\nCalibrating \"%s\"...", title));
        }
    };
    if (!generateToc_) {
        std::vector<std::string> args = {"-dBATCH", "-dNOPAUSE", "-q", "-sDEVICE=ps2write",
                                         GhostscriptOutputArg(outFile_)};
        for (const UPSFileItem& item : items_) {
            showProgress(item.title);
            if (item.type != DT_DOCUMENT) {
                continue;
            }
            if (!FileExists(item.path)) {
                Log("ps_FinalizePostscriptBM::Error: the temp PS file %s doesn't exist.",
                    item.path.c_str());
                return -42;
            }
            args.push_back(GhostscriptInputArg(item.path));
        }
        std::string line = gs;
        for (const std::string& arg : args) {
            line += " " + arg;
        }
        Log("ps_FinalizePostscriptBM:: Calling CreateProcess() with %s...", line.c_str());
        const GhostscriptRun run = RunGhostscriptFor(gs, args);
        if (!run.started) {
            LogError(run.startError, "ps_FinalizePostscriptBM::Error: Spawning %s failed.",
                     line.c_str());
            return 11;
        }
        if (!run.Succeeded()) {
            Log("ps_FinalizePostscriptBM::Error: Failed to create %s. [Error code=%d]",
                outFile_.c_str(), run.timedOut ? -1 : run.exitCode);
            Log("%s", run.output.c_str());
            return 12;
        }
        Log("xup_PS2PDF:: CreateProcess() finished.");
    } else {
        const auto start = std::chrono::steady_clock::now();
        if (!FileExists(headerFile_)) {
            Log("ps_FinalizePostscriptBM::Error: the header file %s doesn't exist.",
                headerFile_.c_str());
            return -40;
        }
        FILE* out = std::fopen(outFile_.c_str(), "wb");
        if (out == nullptr || !AppendFile(out, headerFile_)) {
            if (out != nullptr) {
                std::fclose(out);
            }
            LogError(errno,
                     "ps_FinalizePostscriptBM::Error: the complete PS file %s doesn't exist.",
                     outFile_.c_str());
            return -44;
        }
        std::string outline;
        for (const UPSFileItem& item : FinalItems()) {
            const std::string plain =
                item.type == DT_FOLDER
                    ? std::string(before) + item.title + std::string(after)
                    : (includeExtension ? item.title : WithoutExtension(item.title));
            const std::string encoded = ToPdfTitleString(plain);
            Log("ps_FinalizePostscriptBM::INFO: converted [%s] to [%s]", plain.c_str(),
                encoded.c_str());
            outline +=
                item.type == DT_FOLDER
                    ? StringPrintf("[/Dest/G.%.4d/Title(%s)/Count %d/OUT HmPD2\n", item.index,
                                   encoded, item.count)
                    : StringPrintf("[/Dest/G.%.4d/Title(%s)/OUT HmPD2\n", item.index, encoded);
        }
        bool ok = std::fwrite(outline.data(), 1, outline.size(), out) == outline.size();
        for (const UPSFileItem& item : items_) {
            showProgress(item.title);
            if (item.type != DT_DOCUMENT) {
                continue;
            }
            if (!FileExists(item.path)) {
                std::fclose(out);
                Log("ps_FinalizePostscriptBM::Error: the temp PS file %s doesn't exist.",
                    item.path.c_str());
                return -42;
            }
            ok = AppendFile(out, item.path) && ok;
            if (!keep) {
                ::unlink(item.path.c_str());
            }
        }
        ok = ok && std::fwrite(kBeforeTrailer.data(), 1, kBeforeTrailer.size(), out) ==
                       kBeforeTrailer.size();
        ok = ok && std::fwrite(kTrailer.data(), 1, kTrailer.size(), out) == kTrailer.size();
        if (std::fclose(out) != 0 || !ok) {
            LogError(errno, "ps_FinalizePostscriptBM::Error: writing %s failed.", outFile_.c_str());
            ::unlink(outFile_.c_str());
        }
        times_.concatSeconds += Since(start);
    }
    items_.clear();
    if (!FileExists(outFile_)) {
        Log("ps_FinalizePostscriptBM::Error: the complete PS file %s doesn't exist.",
            outFile_.c_str());
        return -44;
    }
    Log("ps_FinalizePostscriptBM::the complete PS file %s successfully created.", outFile_.c_str());
    return 1;
}

void PsWork::ps_DeinitEnv(bool keep) {
    if (!keep) {
        ::unlink(outFile_.c_str());
        ::unlink(headerFile_.c_str());
        for (const UPSFileItem& item : items_) {
            if (!item.path.empty()) {
                ::unlink(item.path.c_str());
            }
        }
        // The folder is ours alone; whatever is left in it (a failed tool's output) goes too.
        if (!tempFolder_.empty()) {
            if (DIR* dir = ::opendir(tempFolder_.c_str())) {
                while (dirent* entry = ::readdir(dir)) {
                    const std::string name = entry->d_name;
                    if (name != "." && name != "..") {
                        ::unlinkat(::dirfd(dir), name.c_str(), 0);
                    }
                }
                ::closedir(dir);
            }
            ::rmdir(tempFolder_.c_str());
        }
    }
    headerFile_.clear();
    outFile_.clear();
    prefix_.clear();
    tempFolder_.clear();
    initialized_ = false;
    firstDocument_ = false;
    items_.clear();
    openFolders_.clear();
    Log("ps_DeinitEnv:: Leaving.");
}

}  // namespace quillon
