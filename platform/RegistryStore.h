// The registry, kept as one human-editable ".reg" text file per hive under
// $XDG_CONFIG_HOME/marrowby (default ~/.config/marrowby).
//
// Files are written as UTF-8 without a byte-order mark; a UTF-16LE file with a byte-order mark
// (as exported on Windows) is read too. Quoted names and strings escape '\' and '"' as "\\" and
// "\"", and control characters as "\t", "\n", "\r" or "\xHH", so every value stays on one line.
// Values of types other than DWORD and REG_SZ (hex:, hex(2): ...) are kept verbatim.
//
// Several running instances share the files: each write takes an advisory lock, applies the one
// change to the freshest file contents and replaces the file atomically.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillon {

enum class RegHive { CurrentUser, LocalMachine, ClassesRoot };
// Default is the view of a 64-bit process; the 32-bit view of HKLM\Software is its WOW6432Node.
enum class RegView { Default, Bits32, Bits64 };
enum class RegType { Dword, String, Other };

struct RegValue {
    std::string name;  // "" is the key's default value, written as @
    RegType type = RegType::String;
    uint32_t dword = 0;
    std::string text;  // the string, or for Other the data exactly as written after '='

    bool operator==(const RegValue&) const = default;
};

// "HKEY_CURRENT_USER" and so on; also the file's base name.
std::string_view HiveName(RegHive hive);

// One hive in memory. Key paths are relative to the hive root, separated by '\', "" being the
// root; names of keys and values compare without regard to ASCII case and keep the spelling of
// their creation. Values and subkeys enumerate in creation order. The tree is stored flat so that
// no depth of keys can exhaust the stack.
class RegHiveData {
  public:
    static constexpr int kNoKey = -1;
    static constexpr int kRoot = 0;
    static constexpr size_t kMaxDepth = 512;

    RegHiveData();

    int FindKey(std::string_view path) const;
    // kNoKey when a name is empty, holds a control character, or the path is too deep.
    int CreateKey(std::string_view path);
    // Removes the key and all its subkeys; the root only loses its contents.
    bool DeleteKey(std::string_view path);

    const RegValue* FindValue(int key, std::string_view name) const;
    // Replaces a value of the same name in place (keeping its spelling and position), or appends.
    void SetValue(int key, RegValue value);
    bool DeleteValue(int key, std::string_view name);
    std::vector<RegValue> Values(int key) const;
    std::vector<std::string> SubkeyNames(int key) const;
    bool IsEmpty() const;

    std::string Serialize(RegHive hive) const;
    // On failure `error` names the first bad line and `out` is left empty.
    static bool Parse(std::string_view text, RegHive hive, RegHiveData& out, std::string* error);

  private:
    struct Node {
        std::string name;
        int parent = kNoKey;
        bool alive = true;
        std::vector<int> children;  // may hold dead nodes until compacted
        size_t deadChildren = 0;
        std::unordered_map<std::string, int> childIndex;
        std::vector<std::optional<RegValue>> values;  // erased values are empty until compacted
        size_t erasedValues = 0;
        std::unordered_map<std::string, size_t> valueIndex;
    };

    int FindChild(int key, std::string_view name) const;
    void CompactChildren(Node& node);
    void CompactValues(Node& node);

    std::vector<Node> nodes_;
};

// Maps a key path to the one a view reads: the 32-bit view of HKLM\Software is
// HKLM\Software\WOW6432Node.
std::string MapRegView(RegHive hive, std::string_view path, RegView view);

// Not thread-safe: one store per thread (the program has one, on the GUI thread).
class RegistryStore {
  public:
    explicit RegistryStore(std::string folder);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // $XDG_CONFIG_HOME/marrowby when that is an absolute path, else ~/.config/marrowby.
    static std::string FolderFromEnvironment();
    // The store of the current RunContext.
    static RegistryStore& Process();

    const std::string& Folder() const { return folder_; }
    std::string HivePath(RegHive hive) const;

    bool KeyExists(RegHive hive, std::string_view key, RegView view = RegView::Default) const;
    std::optional<RegValue> GetValue(RegHive hive, std::string_view key, std::string_view name,
                                     RegView view = RegView::Default) const;
    // Empty when the key does not exist; `exists` tells the two apart.
    std::vector<RegValue> EnumValues(RegHive hive, std::string_view key,
                                     RegView view = RegView::Default, bool* exists = nullptr) const;
    std::vector<std::string> EnumSubkeys(RegHive hive, std::string_view key,
                                         RegView view = RegView::Default) const;

    bool CreateKey(RegHive hive, std::string_view key, RegView view = RegView::Default);
    bool SetDword(RegHive hive, std::string_view key, std::string_view name, uint32_t value,
                  RegView view = RegView::Default);
    bool SetString(RegHive hive, std::string_view key, std::string_view name,
                   std::string_view value, RegView view = RegView::Default);
    bool DeleteValue(RegHive hive, std::string_view key, std::string_view name,
                     RegView view = RegView::Default);
    // With all subkeys; false when the key did not exist or the file could not be written.
    bool DeleteKey(RegHive hive, std::string_view key, RegView view = RegView::Default);

    // Runs `change` on the freshest contents of the hive while holding the hive's lock, and writes
    // the hive when `change` reports that it changed something. False when the file could not be
    // written (the change is then dropped). Key paths inside are not mapped by a view.
    bool Modify(RegHive hive, const std::function<bool(RegHiveData&)>& change);

    // The current contents, re-read when the file changed since the last read.
    const RegHiveData& Read(RegHive hive) const;

  private:
    struct FileId {
        bool exists = false;
        uint64_t dev = 0, ino = 0;
        int64_t size = 0, mtimeSec = 0, mtimeNsec = 0;
        bool operator==(const FileId&) const = default;
        static FileId Of(const struct stat& st);
    };
    struct HiveCache {
        bool loaded = false;
        FileId id;
        // Holding the parsed file open keeps its inode number from being reused by a later
        // version, so device, inode, size and time identify a version reliably.
        int heldFd = -1;
        RegHiveData data;
    };

    enum class LoadResult { Loaded, Damaged, Unreadable };

    HiveCache& Cache(RegHive hive) const;
    void Refresh(RegHive hive) const;
    // Reads the file into the cache (a missing file is an empty hive); a file that does not parse
    // is moved aside when `moveAsideIfBad` (the caller holds the lock), else reported as Damaged.
    LoadResult LoadFromDisk(RegHive hive, bool moveAsideIfBad) const;
    void MoveAside(RegHive hive) const;
    int LockHive(RegHive hive) const;
    bool WriteHive(RegHive hive, const std::string& text) const;

    std::string folder_;
    mutable HiveCache caches_[3];
};

}  // namespace quillon
