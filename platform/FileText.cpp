#include "platform/FileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "base/AsciiCase.h"
#include "platform/Log.h"
#include "platform/PeVersion.h"
#include "platform/Prompter.h"

namespace quillon {

std::string FormatSizeText(const std::string& path, int64_t* size) {
    int64_t bytes = -1;
    struct stat st {};
    // Only regular files have a byte count; a folder or device opened on its own has none.
    if (!path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        bytes = static_cast<int64_t>(st.st_size);
    }
    if (size != nullptr) {
        *size = bytes;
    }
    return FormatSizeTextFromBytes(bytes);
}

std::string FormatTimestampText(const std::string& path) {
    if (path.empty() || !PathExistsLoose(path)) {
        return {};
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return {};
    }
    return FormatTimestampFromTime(st.st_mtime);
}

std::string FormatVersionText(const std::string& path, bool productVersion) {
    if (path.empty() || !PathExistsLoose(path)) {
        return {};
    }
    const std::optional<PeFixedVersion> version = ReadPeFixedVersion(path);
    if (!version) {
        return {};
    }
    const uint32_t ms = productVersion ? version->productMs : version->fileMs;
    const uint32_t ls = productVersion ? version->productLs : version->fileLs;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFFu, ls >> 16,
                  ls & 0xFFFFu);
    return buffer;
}

std::string StripIllegalNameChars(std::string_view name, bool showMessage, Prompter* prompter,
                                  std::string_view keep) {
    std::string reserved(kIllegalNameChars);
    std::erase_if(reserved, [keep](char c) { return keep.find(c) != std::string_view::npos; });
    std::string out(name);
    std::erase_if(out, [&reserved](char c) { return reserved.find(c) != std::string::npos; });
    if (out.size() != name.size() && showMessage && prompter != nullptr) {
        PromptRequest request;
        request.text = std::string(kIllegalNameCharsMessage) + "\n\t" + reserved;
        request.style = mb::kOk | mb::kIconStop;
        prompter->Ask(request);
    }
    return out;
}

bool PathExistsLoose(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        return true;
    }
    // A path inside a folder we may not search still exists for the user's purposes.
    return errno == EACCES;
}

std::string CompactTimeStamp(bool digitsOnly) {
    std::string stamp = GetLogStamp();
    if (!stamp.empty()) {
        if (!digitsOnly) {
            return stamp;
        }
        std::string digits;
        for (char c : stamp) {
            if (c >= '0' && c <= '9') {
                digits.push_back(c);
            }
        }
        return digits;
    }
    const time_t now = LogClockNow();
    struct tm t {};
    localtime_r(&now, &t);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d%02d%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return buffer;
}

namespace {

constexpr size_t kDetectBytes = 500;

bool IsControlByte(uint8_t b) {
    return b < 32 && b != '\t' && b != '\n' && b != '\r';
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

int XmlDeclaredEncoding(std::string_view lowered) {
    constexpr std::string_view kAttribute = "encoding=";
    size_t pos = lowered.find(kAttribute);
    if (pos == std::string_view::npos) {
        return kEncUtf8;
    }
    pos += kAttribute.size();
    while (pos < lowered.size() && (lowered[pos] == ' ' || lowered[pos] == '\t' ||
                                    lowered[pos] == '\r' || lowered[pos] == '\n')) {
        ++pos;
    }
    if (pos >= lowered.size()) {
        return kEncUtf8;
    }
    const char quote = lowered[pos];
    const size_t end = lowered.find(quote, pos + 1);
    if (end == std::string_view::npos) {
        return kEncUtf8;
    }
    const std::string_view name = lowered.substr(pos + 1, end - pos - 1);
    if (name == "utf-16" || name == "ucs-2le") {
        return kEncUtf16Le;
    }
    if (name == "ucs-2be") {
        return kEncUtf16Be;
    }
    return kEncUtf8;
}

EncodingDetection ClassifyBytes(const uint8_t* bytes, size_t count) {
    EncodingDetection d;
    if (count >= 2) {
        if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
            return EncodingDetection{1, kEncUtf16Le, true};
        }
        if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
            return EncodingDetection{1, kEncUtf16Be, true};
        }
    }
    if (count < 3) {
        return d;
    }
    if (bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        return EncodingDetection{1, kEncUtf8, true};
    }
    const std::string lowered =
        FoldAscii(std::string_view(reinterpret_cast<const char*>(bytes), count));
    if (StartsWith(lowered, "<?xml ")) {
        return EncodingDetection{1, XmlDeclaredEncoding(lowered), false};
    }

    const size_t n = count & ~static_cast<size_t>(1);
    size_t evenZeros = 0;
    size_t oddZeros = 0;
    for (size_t i = 0; i < n; i += 2) {
        const uint8_t even = bytes[i];
        const uint8_t odd = bytes[i + 1];
        if ((even == 0 && IsControlByte(odd)) || (odd == 0 && IsControlByte(even))) {
            return EncodingDetection{0, kEncodingBinary, false};
        }
        evenZeros += even == 0 ? 1 : 0;
        oddZeros += odd == 0 ? 1 : 0;
    }
    // 2E/n <= 0.2 and 2O/n >= 0.6, kept in integers: 10E <= n and 10O >= 3n.
    if (10 * evenZeros <= n && 10 * oddZeros >= 3 * n) {
        return EncodingDetection{1, kEncUtf16Le, false};
    }
    if (10 * oddZeros <= n && 10 * evenZeros >= 3 * n) {
        return EncodingDetection{1, kEncUtf16Be, false};
    }
    if (evenZeros + oddZeros > 0) {
        return EncodingDetection{0, kEncodingBinary, false};
    }
    return EncodingDetection{0, kEncAnsi, false};
}

}  // namespace

EncodingDetection DetectTextEncoding(const std::string& path) {
    if (path.empty()) {
        return EncodingDetection{0, -1, false};
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return EncodingDetection{-8, -1, false};
    }
    // Devices, FIFOs and sockets are never read: opening a FIFO would wait for a writer.
    if (!S_ISREG(st.st_mode)) {
        return EncodingDetection{-7, -1, false};
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return EncodingDetection{errno == ENOENT ? -8 : -7, -1, false};
    }
    uint8_t buffer[kDetectBytes];
    size_t count = 0;
    while (count < sizeof buffer) {
        const ssize_t got = read(fd, buffer + count, sizeof buffer - count);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            close(fd);
            return EncodingDetection{-9, -1, false};
        }
        if (got == 0) {
            break;
        }
        count += static_cast<size_t>(got);
    }
    close(fd);
    return ClassifyBytes(buffer, count);
}

FILE* OpenEncodedTextFile(const std::string& path, std::string_view mode, TextEncoding encoding,
                          bool writeMark) {
    encoding = ToTextEncoding(encoding);
    if (path.empty()) {
        return nullptr;
    }
    if (mode == "w") {
        FILE* stream = std::fopen(path.c_str(), "wb");
        if (stream == nullptr || !writeMark) {
            return stream;
        }
        if (!WriteTextMark(stream, encoding)) {
            std::fclose(stream);
            return nullptr;
        }
        return stream;
    }
    if (mode == "a+") {
        FILE* stream = std::fopen(path.c_str(), "a+b");
        if (stream != nullptr && std::fseek(stream, 0, SEEK_END) != 0) {
            std::fclose(stream);
            return nullptr;
        }
        return stream;
    }
    if (!mode.empty() && mode[0] == 'r') {
        const EncodingDetection detected = DetectTextEncoding(path);
        if (detected.result < 0) {
            return nullptr;
        }
        FILE* stream = std::fopen(path.c_str(), std::string(mode).c_str());
        if (stream == nullptr || !detected.hasMark) {
            return stream;
        }
        const long markSize = detected.encoding == kEncUtf8 ? 3 : 2;
        if (std::fseek(stream, markSize, SEEK_SET) != 0) {
            std::fclose(stream);
            return nullptr;
        }
        return stream;
    }
    return nullptr;
}

}  // namespace quillon
