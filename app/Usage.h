// The command-line summary that "--help" prints. The README's "Command line" section opens with
// the same synopsis lines; a test keeps the two in step.
#pragma once

#include <cstdio>
#include <string>

namespace quillon {

inline constexpr const char* kUsageText =
    R"(quillon [LEFT [RIGHT]] [-FILTER:<flags>:<extensions>]
quillon -Report[:<index>[:<encoding>[:<style>]]] [-Out:<file>] LEFT RIGHT
quillon -PrintPDF[:<0|1|2>] -Out:<file.pdf> LEFT RIGHT
quillon -CopyDiff:<0|1|2> -Out:<folder> LEFT RIGHT
quillon -Backups:List | -Backups:Restore[:<runtag>] | -Backups:Purge[:<runtag>] FOLDER
quillon -Reg | -Unreg | -Config
quillon -SARename -Simulate[:<page>] | -Apply[:<page>] PATH...
quillon -PDF -Out:<file.pdf> SOURCES... | -PDF -Out:<file.pdf> -Input:<file.txt>
quillon --help | -h | --version

Compares two folder trees side by side: the first two paths are the left and the right folder.
Switches start with - or / and ignore case, except -FILTER, which must be written in upper case
at the start of its argument. Every other argument is a path.

  -Reg, -Unreg            (only argument) register / remove the shell integration (file
                          manager entries below $XDG_DATA_HOME); -Unreg forgets every setting
  -Config                 the shell-menu configuration dialog without the main window
  -PDF                    the PDF binder dialog on the paths, without the main window
  -SARename               the stand-alone bulk rename on every path argument
  -Simulate[:<page>]      with -SARename: prints the simulated result of rename page 1-6
                          (default: the last one used) with its stored options, renames nothing
  -Apply[:<page>]         with -SARename: renames without a window, answering every question
                          the way that changes least (failures on standard output)
  -FILTER:<flags>:<list>  display filter for this run: the flag number (1 no extension filter,
                          2 include, 4 exclude, 256 differing on both sides, 512 differing in
                          any way) and a comma-separated extension list (-FILTER:258:txt,doc)
  -Report...              writes the comparison report without a window:
                            index     0-7  0/1 only differences, 2/3 the left view, 4/5 the
                                           right view, 6/7 all; even normal text, odd spreadsheet
                            encoding  0-3  0 ANSI (the locale's), 1 UTF-16LE, 2 UTF-16BE, 3 UTF-8
                            style     0-2  0 names with folder symbols, 1 plain names, 2 full paths
                          an empty place keeps the stored option (-Report::3)
  -PrintPDF[:<rows>]      writes the printed comparison as a PDF without a window: rows 0 all,
                          1 only different files, 2 all but same files; A4 or the locale's Letter
  -Out:<file>             with -Report: the report file instead of standard output;
                          with -PrintPDF: the PDF file;
                          with -PDF: renders SOURCES (files and folders) into this PDF without
                          any dialog, with the stored PDFRendition options
  -Input:<file.txt>       with -PDF -Out: the outline from this input text file instead
  -CopyDiff:<0|1|2>       copies the files that differ, of the left (0), right (1) or both (2)
                          folders (both: under _Left and _Right), into the -Out:<folder>, keeping
                          their folder paths; the settings and filter as for -Report
  -Backups:List           lists the backups a crash left below FOLDER: run tag, operation,
                          size, modification time, backup and original path (tab-separated)
  -Backups:Restore[:<tag>]
                          moves the newest backup of each item back, never over a name in use
  -Backups:Purge[:<tag>]  lists, then deletes the backups (of the run <tag> only, if given)
  --help, -h              this summary
  --version               the version

Exit status of -Report and -PrintPDF: 0 no difference, 1 differences, 2 trouble.
Exit status of -CopyDiff: 0 all copied, 1 some not copied (named on standard error), 2 trouble.
Exit status of -Reg and -Unreg: 0 all done, 2 something could not be done (named on standard
error).
Exit status of -Backups: 0 all done, 1 some backups skipped (named on standard error), 2 trouble.
Exit status of -Simulate: 0 no error line, 1 an error line; of -Apply: 0 all renamed, 1 some not;
2 trouble.
Exit status of -PDF -Out: 0 done, 1 some sources skipped (named on standard error), 2 no PDF.
)";

// "quillon <version>" and a line feed.
std::string VersionText();

// Prints the summary or the version for a "--help" or "--version" start; the exit status.
int PrintInfo(bool help, FILE* out);

}  // namespace quillon
