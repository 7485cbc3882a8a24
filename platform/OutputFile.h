// The destination of a whole output that the user named (a report file): what is there is only
// ever replaced by a complete new output, and nothing but a regular file is ever replaced.
//   - nothing there, or a regular file: the output goes to a new file in the same folder (unnamed
//     while it is written, where the file system allows), which is synced and renamed over the
//     target only once it is complete, so a failed run leaves the old file as it was; a replaced
//     file keeps its permissions. Temporaries that killed runs left beside the target go.
//   - a link to a regular file: the same for the file it names; the link stays.
//   - a FIFO, a device, a terminal (also through a link, as /dev/stdout is one): opened and
//     written as a shell redirection writes it.
//   - a folder, a socket, a link to nothing: refused.
#pragma once

#include <cstdio>
#include <string>

namespace quillon {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // an output never committed is abandoned: its new file is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False with the reason in `error`.
    bool Open(const std::string& target, std::string& error);
    // The stream to write to, binary; valid between Open and Commit.
    FILE* Stream() const { return stream_; }
    // Flushes and closes the stream and puts the new file in place. False with the reason.
    bool Commit(std::string& error);

  private:
    void Abandon();
    bool NameUnnamedFile(int fd);

    FILE* stream_ = nullptr;
    std::string finalPath_;  // the file that a committed output replaces
    std::string tempPath_;   // empty when the target is written in place or not yet named
    std::string tempStem_;
    bool unnamed_ = false;  // an O_TMPFILE file, named only at commit
};

}  // namespace quillon
