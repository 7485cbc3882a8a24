#include "fileops/FileProperties.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "base/ValueText.h"
#include "fileops/FileCopy.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"

namespace quillon {

namespace {

// Walks the selection without following a link anywhere: every folder is opened O_NOFOLLOW
// relative to its parent's handle, so a link swapped in mid-walk is not entered either.
class SelectionWalk {
  public:
    SelectionWalk(FileSystem& fs, ProgressSink* progress) : fs_(fs), progress_(progress) {}

    // Calls visit(folderFd, name, path, st) for every entry below the folder `name` of `parent`,
    // a folder's contents before the folder's own visit by the caller. False when cancelled.
    template <typename Visit>
    bool Below(int parent, const std::string& name, const std::string& path, Visit&& visit) {
        int fd = -1;
        if (fs_.Open(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd) != 0) {
            unreadable.push_back(path);
            return true;
        }
        const FsHandle folder(fs_, fd);
        std::vector<std::string> names;
        if (ListNames(fs_, fd, names) != 0) {
            unreadable.push_back(path);
            return true;
        }
        for (const std::string& child : names) {
            const std::string childPath = JoinPath(path, child);
            if (progress_ != nullptr && progress_->Update(childPath, ++position_)) {
                return false;
            }
            struct stat st {};
            if (fs_.Stat(fd, child.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0) {
                unreadable.push_back(childPath);
                continue;
            }
            if (S_ISDIR(st.st_mode) && !Below(fd, child, childPath, visit)) {
                return false;
            }
            visit(fd, child, childPath, st);
        }
        return true;
    }

    std::vector<std::string> unreadable;

  private:
    FileSystem& fs_;
    ProgressSink* progress_;
    uint64_t position_ = 0;
};

AttributeState Merge(bool first, AttributeState so, bool has) {
    const AttributeState now = has ? AttributeState::kSet : AttributeState::kClear;
    return first || so == now ? now : AttributeState::kMixed;
}

bool HasVersionExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string ext = FoldAscii(name.substr(dot + 1));
    return ext == "exe" || ext == "dll" || ext == "ocx";
}

std::string VersionNumbers(uint32_t ms, uint32_t ls) {
    return StringPrintf("%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
}

mode_t ChangedMode(mode_t mode, AttributeState readOnly) {
    return readOnly == AttributeState::kSet ? mode & ~mode_t{0222} : mode | S_IWUSR;
}

}  // namespace

FileProperties ComputeFileProperties(FileSystem& fs, const std::string& location,
                                     const std::vector<std::string>& names,
                                     ProgressSink* progress) {
    FileProperties p;
    p.location = location;
    int base = -1;
    if (fs.Open(AT_FDCWD, location.c_str(), O_RDONLY | O_DIRECTORY, 0, base) != 0) {
        p.unreadable.push_back(location);
        return p;
    }
    const FsHandle folder(fs, base);
    SelectionWalk walk(fs, progress);
    auto count = [&p](int, const std::string&, const std::string&, const struct stat& st) {
        if (S_ISDIR(st.st_mode)) {
            ++p.folders;
            return;
        }
        ++p.files;
        if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
            p.totalBytes += static_cast<uint64_t>(st.st_size);
        }
    };
    bool first = true;
    for (const std::string& name : names) {
        const std::string path = JoinPath(location, name);
        struct stat st {};
        if (fs.Stat(base, name.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0) {
            p.unreadable.push_back(path);
            continue;
        }
        p.hidden = Merge(first, p.hidden, !name.empty() && name[0] == '.');
        // A link has no permissions of its own; what it points to is not this item.
        p.readOnly = Merge(first, p.readOnly, !S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode));
        first = false;
        count(base, name, path, st);
        if (S_ISDIR(st.st_mode)) {
            p.enteredFolders = true;
            if (!walk.Below(base, name, path, count)) {
                break;
            }
        }
    }
    p.unreadable.insert(p.unreadable.end(), walk.unreadable.begin(), walk.unreadable.end());
    if (names.size() == 1 && p.files == 1 && p.folders == 0 && HasVersionExtension(names[0])) {
        p.version = ReadPeVersionInfo(JoinPath(location, names[0]));
    }
    return p;
}

std::string PropertiesSizeText(uint64_t bytes) {
    static const struct {
        int shift;
        const char* unit;
    } kUnits[] = {{40, "TB"}, {30, "GB"}, {20, "MB"}, {10, "KB"}};
    std::string scaled = std::to_string(bytes);
    const char* unit = "bytes";
    for (const auto& u : kUnits) {
        if (bytes > (uint64_t{1} << u.shift)) {
            const double value =
                static_cast<double>(bytes) / static_cast<double>(uint64_t{1} << u.shift);
            const bool whole = (bytes & ((uint64_t{1} << u.shift) - 1)) == 0;
            scaled = StringPrintf(whole ? "%.0f" : "%.2f", value);
            unit = u.unit;
            break;
        }
    }
    return StringPrintf("%s %s (%s bytes)", scaled, unit,
                        InsertThousandsSeparators(std::to_string(bytes)));
}

std::string PropertiesSummaryText(const FileProperties& properties) {
    if (properties.version) {
        const PeVersionInfo& info = *properties.version;
        const PeFixedVersion& v = info.fixed;
        const std::string fileVersion = VersionNumbers(v.fileMs, v.fileLs);
        const std::string productVersion = VersionNumbers(v.productMs, v.productLs);
        if (info.translations.empty()) {
            return "FileVersion: " + fileVersion + "\r\nProductVersion: " + productVersion;
        }
        static constexpr const char* kEntries[] = {
            "FileVersion",  "FileDescription", "ProductName",     "ProductVersion",
            "CompanyName",  "LegalCopyright",  "LegalTrademarks", "OriginalFilename",
            "InternalName", "PrivateBuild",    "SpecialBuild",    "Comments"};
        std::string text;
        for (const PeTranslation& translation : info.translations) {
            if (!text.empty()) {
                text += "\r\n\r\n";
            }
            text += StringPrintf("(Language: %04d, CodePage: %04d)", translation.language,
                                 translation.codePage);
            for (const char* name : kEntries) {
                const std::string* value = info.Find(translation, name);
                if (value == nullptr) {
                    continue;
                }
                // The two version entries come from the fixed numbers, as a program reads them,
                // not from the free text beside them.
                const std::string_view entry = name;
                text += StringPrintf("\r\n%s: %s", name,
                                     entry == "FileVersion"      ? fileVersion
                                     : entry == "ProductVersion" ? productVersion
                                                                 : *value);
            }
        }
        return text;
    }
    std::string text = StringPrintf(kPropertiesCountsFormat, properties.files, properties.folders);
    if (properties.enteredFolders) {
        text += kPropertiesRecursiveNote;
    }
    return text;
}

int ApplyReadOnly(FileSystem& fs, const std::string& location,
                  const std::vector<std::string>& names, AttributeState readOnly,
                  ProgressSink* progress, std::vector<std::string>* failed) {
    if (readOnly == AttributeState::kMixed) {
        return 0;
    }
    int failures = 0;
    auto fail = [&](const std::string& path, int error) {
        ++failures;
        LogError(error, "Cannot change the attributes of %s", path.c_str());
        if (failed != nullptr) {
            failed->push_back(path);
        }
    };
    int base = -1;
    if (const int error = fs.Open(AT_FDCWD, location.c_str(), O_RDONLY | O_DIRECTORY, 0, base);
        error != 0) {
        fail(location, error);
        return failures;
    }
    const FsHandle folder(fs, base);
    // Links and special files keep their modes: a link's mode means nothing, and a device's
    // permissions are not what the box is about.
    auto change = [&](int parent, const std::string& name, const std::string& path,
                      const struct stat& st) {
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            return;
        }
        const mode_t mode = ChangedMode(st.st_mode & 07777, readOnly);
        if (mode != (st.st_mode & 07777) &&
            fchmodat(parent, name.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0) {
            fail(path, errno);
        }
    };
    SelectionWalk walk(fs, progress);
    for (const std::string& name : names) {
        const std::string path = JoinPath(location, name);
        struct stat st {};
        if (const int error = fs.Stat(base, name.c_str(), AT_SYMLINK_NOFOLLOW, st); error != 0) {
            fail(path, error);
            continue;
        }
        if (S_ISDIR(st.st_mode) && !walk.Below(base, name, path, change)) {
            break;
        }
        change(base, name, path, st);
    }
    for (const std::string& path : walk.unreadable) {
        fail(path, EACCES);
    }
    return failures;
}

}  // namespace quillon
