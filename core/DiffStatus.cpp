#include "core/DiffStatus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/Crc32.h"
#include "core/DiffStatusDetail.h"
#include "platform/Log.h"

namespace quillon {

namespace {

constexpr unsigned char kCtrlZ = 0x1A;
constexpr size_t kSimpleChars = 3;

// Feeds bytes as a text-mode stream delivers them: CR LF becomes LF, 0x1A ends the data.
class TextModeCrc {
  public:
    explicit TextModeCrc(size_t limit) : limit_(limit) {}

    // False once the data has ended (0x1A or the character limit).
    bool Feed(const unsigned char* data, size_t length) {
        const void* z = std::memchr(data, kCtrlZ, length);
        const size_t end =
            z ? static_cast<size_t>(static_cast<const unsigned char*>(z) - data) : length;
        size_t pos = 0;
        if (pendingCr_ && end > 0) {
            pendingCr_ = false;
            if (data[0] == '\n') {
                if (!Emit('\n')) {
                    return false;
                }
                pos = 1;
            } else if (!Emit('\r')) {
                return false;
            }
        }
        while (pos < end) {
            const void* cr = std::memchr(data + pos, '\r', end - pos);
            const size_t stop =
                cr ? static_cast<size_t>(static_cast<const unsigned char*>(cr) - data) : end;
            if (!EmitRun(data + pos, stop - pos)) {
                return false;
            }
            if (stop == end) {
                break;
            }
            if (stop + 1 == end) {
                if (z) {
                    // CR right before 0x1A: nothing can follow it.
                    Emit('\r');
                    return false;
                }
                pendingCr_ = true;
                return true;
            }
            if (data[stop + 1] == '\n') {
                if (!Emit('\n')) {
                    return false;
                }
                pos = stop + 2;
            } else {
                if (!Emit('\r')) {
                    return false;
                }
                pos = stop + 1;
            }
        }
        if (z) {
            if (pendingCr_) {
                pendingCr_ = false;
                Emit('\r');
            }
            return false;
        }
        return true;
    }

    void Finish() {
        if (pendingCr_) {
            pendingCr_ = false;
            Emit('\r');
        }
    }

    uint32_t Checksum() const { return ~reg_; }

  private:
    bool Emit(unsigned char c) {
        if (count_ >= limit_) {
            return false;
        }
        reg_ = Crc32UpdateByte(reg_, c);
        ++count_;
        return count_ < limit_;
    }

    bool EmitRun(const unsigned char* data, size_t length) {
        if (length == 0) {
            return count_ < limit_;
        }
        const size_t room = limit_ - count_;
        const size_t take = length < room ? length : room;
        reg_ = Crc32Update(reg_, data, take);
        count_ += take;
        return count_ < limit_;
    }

    uint32_t reg_ = kCrc32Initial;
    size_t count_ = 0;
    size_t limit_;
    bool pendingCr_ = false;
};

int Checksum(const std::string& path, bool simple, bool knownRegular, uint32_t& checksum) {
    TextModeCrc crc(simple ? kSimpleChars : SIZE_MAX);
    checksum = crc.Checksum();
    if (!knownRegular) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) {
            return errno;
        }
        if (!S_ISREG(st.st_mode)) {
            Log("Checksum skipped for %s: not a regular file", path.c_str());
            return EINVAL;
        }
    }
    // O_NONBLOCK: a file that turned into a FIFO since it was listed must not hang the scan.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return errno;
    }
    int error = 0;
    // The simple checksum needs 3 characters; CR LF pairs and one byte of look-ahead fit in 8.
    unsigned char small[8];
    static thread_local unsigned char big[1 << 16];
    unsigned char* buffer = simple ? small : big;
    const size_t bufferSize = simple ? sizeof small : sizeof big;
    for (;;) {
        const ssize_t got = read(fd, buffer, bufferSize);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        if (got == 0) {
            crc.Finish();
            break;
        }
        if (!crc.Feed(buffer, static_cast<size_t>(got))) {
            break;
        }
    }
    close(fd);
    checksum = crc.Checksum();
    return error;
}

}  // namespace

int FileChecksum(const std::string& path, uint32_t& checksum) {
    return Checksum(path, false, false, checksum);
}

int SimpleFileChecksum(const std::string& path, uint32_t& checksum) {
    return Checksum(path, true, false, checksum);
}

namespace detail {
int ChecksumRegularFile(const std::string& path, bool simple, uint32_t& checksum) {
    return Checksum(path, simple, true, checksum);
}
}  // namespace detail

}  // namespace quillon
