// The PostScript assembly of a PDF binder: every document's PostScript (as Ghostscript's ps2write
// writes it) gets a named destination on its first page, the first document carries the outline
// (pdfmark /OUT lines) in its header, and all documents are concatenated into one PostScript
// file that Ghostscript's pdfwrite turns into one PDF with a bookmark tree.
//
// PostScript is handled as bytes throughout; titles reach it only as octal escapes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class ProgressSink;

inline constexpr int32_t DT_FOLDER = 1;
inline constexpr int32_t DT_DOCUMENT = 2;

// One outline entry, in processing order (depth first, a folder node before its contents).
struct UPSFileItem {
    int32_t index = 0;  // psItemCounter when processed; the destination is "G." + "%.4d"
    int32_t type = DT_DOCUMENT;
    int32_t reserved = 0;
    int32_t count = 0;    // folder: outline entries directly beneath; recomputed when finalised
    int32_t parent = -1;  // position in the item list of the enclosing folder node, -1 at the top
    std::string title;    // UTF-8 (bytes that are not are shown as U+FFFD)
    std::string path;     // the document's PostScript file; empty for folder nodes
};

// Empty stays empty; otherwise "\376\377" and each UTF-16 code unit as "\%.3o\%.3o" (high byte,
// low byte), so no raw '(' ')' or '\' ever reaches a PostScript string.
std::string ToPdfTitleString(std::string_view utf8Title);

// The passthrough block of procedures placed after a document's first "%%EndPageSetup".
const std::string& PsProcedureBlock();

// "%.4d" of an item index.
std::string PsLabel(int32_t index);

// The first document: writes its prolog, setup, procedures and the opening of the document
// information to `header` and returns the rest (with the document view text), or "" when the text
// has no "%%EndPageSetup".
std::string bm_FirstFile_AddMacroAndSetupTOC(const std::string& text, std::string& header);
// A later document, kept whole (its prolog too: ps2write output is self-contained) between a save
// and the restore that bm_CloseLaterDocument adds; "" without "%%Page: 1 1" or "%%EndPageSetup".
std::string bm_NextPS_AddMacroAndBookmarkHeader(const std::string& text, std::string_view label);
// True for ps2write output: its pages are PDF objects read by a PostScript prolog, so page text
// is stream data that must not be edited.
bool IsPdfObjectsPostScript(std::string_view text);
// Places the named destination before the first text drawn (for `pdfObjects` text, inside the
// passthrough block before the page); unchanged when nothing fits.
std::string bm_AddBookmark(const std::string& text, std::string_view label,
                           bool pdfObjects = false);
// Cut at the first "%%Trailer"; unchanged (with a log line) when there is none.
std::string bm_RemoveTrailer(const std::string& text);
// Ends a later document: closes the dictionaries its prolog left open and restores its save.
std::string bm_CloseLaterDocument(const std::string& text);

// Time spent in the assembly itself, for the benchmark's account.
struct PsAssemblyTimes {
    double editSeconds = 0;
    double concatSeconds = 0;
};

// The working state of one rendition. Item numbers continue across renditions of one run.
class PsWork {
  public:
    PsWork() = default;
    ~PsWork();
    PsWork(const PsWork&) = delete;
    PsWork& operator=(const PsWork&) = delete;

    // Makes the private temporary folder and the names in it; returns the prefix, "" on failure.
    std::string ps_InitEnv(bool generateToc);
    // Records (and, with the outline on, edits) one item; 1 on success. A folder node stays the
    // parent of the items that follow until ps_EndFolder.
    int ps_ProcessPostscript(int32_t type, int32_t count, const std::string& title,
                             const std::string& psPath, bool keep);
    void ps_EndFolder();
    // Builds the complete PostScript file: 1, -40 (no header), -42 (a document's file missing),
    // -44 (no result), 11 (Ghostscript could not start), 12 (Ghostscript failed or timed out).
    int ps_FinalizePostscriptBM(bool includeExtension, std::string_view before,
                                std::string_view after, bool keep, const std::string& gs,
                                ProgressSink* progress);
    // Removes what the rendition left (all of it unless `keep`) and returns to idle.
    void ps_DeinitEnv(bool keep);

    bool Initialized() const { return initialized_; }
    bool GenerateToc() const { return generateToc_; }
    const std::string& TempFolder() const { return tempFolder_; }
    const std::string& Prefix() const { return prefix_; }
    const std::string& HeaderFile() const { return headerFile_; }
    const std::string& OutFile() const { return outFile_; }
    const std::vector<UPSFileItem>& Items() const { return items_; }
    const PsAssemblyTimes& Times() const { return times_; }

  private:
    bool CheckInitialized(const char* operation) const;
    void KeepStage(int32_t index, std::string_view stage, const std::string& text) const;
    std::vector<UPSFileItem> FinalItems() const;

    bool initialized_ = false;
    bool firstDocument_ = false;
    bool generateToc_ = false;
    std::string tempFolder_;
    std::string prefix_;
    std::string headerFile_;
    std::string outFile_;
    std::vector<UPSFileItem> items_;
    std::vector<int32_t> openFolders_;
    PsAssemblyTimes times_;
};

// Numbers every processed item of the run; never reset.
int32_t& psItemCounter();

}  // namespace quillon
