// The command-line summary that "--help" prints. The README's "Command line" section opens with
// the same synopsis lines; a test keeps the two in step.
#pragma once

#include <cstdio>
#include <string>

namespace quillon {

inline constexpr const char* kUsageText =
    R"(quillon [LEFT [RIGHT]] [-FILTER:<flags>:<extensions>]
quillon -Report[:<index>[:<encoding>[:<style>]]] [-Out:<file>] LEFT RIGHT
quillon -Backups:List | -Backups:Restore[:<runtag>] | -Backups:Purge[:<runtag>] FOLDER
quillon -SARename -Simulate[:<page>] | -Apply[:<page>] PATH...
quillon --help | -h | --version

Compares two folder trees side by side: the first two paths are the left and the right folder.
Switches start with - or / and ignore case, except -FILTER, which must be written in upper case
at the start of its argument. Every other argument is a path.

  -Reg, -Unreg            (only argument) register / remove the shell integration
  -Config                 the shell-integration options without the main window
  -PDF                    renders the first path to PDF without the main window
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
  -Out:<file>             with -Report: the report file instead of standard output
  -Backups:List           lists the backups a crash left below FOLDER: run tag, operation,
                          size, modification time, backup and original path (tab-separated)
  -Backups:Restore[:<tag>]
                          moves the newest backup of each item back, never over a name in use
  -Backups:Purge[:<tag>]  lists, then deletes the backups (of the run <tag> only, if given)
  --help, -h              this summary
  --version               the version

Exit status of -Report: 0 no difference, 1 differences, 2 trouble.
Exit status of -Backups: 0 all done, 1 some backups skipped (named on standard error), 2 trouble.
Exit status of -Simulate: 0 no error line, 1 an error line; of -Apply: 0 all renamed, 1 some not;
2 trouble.
)";

// "quillon <version>" and a line feed.
std::string VersionText();

// Prints the summary or the version for a "--help" or "--version" start; the exit status.
int PrintInfo(bool help, FILE* out);

}  // namespace quillon
