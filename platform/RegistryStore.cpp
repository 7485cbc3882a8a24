#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/AsciiCase.h"
#include "base/TextConvert.h"
#include "platform/Log.h"
#include "platform/RunContext.h"

namespace quillon {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

bool ValidKeyName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '\\') {
            return false;
        }
    }
    return true;
}

// Splits "a\b\c"; false on an empty or invalid component or too many levels.
bool SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (path.empty()) {
        return true;
    }
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string_view part =
            path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (!ValidKeyName(part) || parts.size() >= RegHiveData::kMaxDepth) {
            return false;
        }
        parts.push_back(part);
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

void AppendQuoted(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos] == '"'; on success pos is just past the closing quote.
bool ReadQuoted(std::string_view line, size_t& pos, std::string& out) {
    out.clear();
    ++pos;
    while (pos < line.size()) {
        char c = line[pos++];
        if (c == '"') {
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= line.size()) {
            return false;
        }
        char e = line[pos++];
        switch (e) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x': {
                if (pos + 2 > line.size()) {
                    return false;
                }
                int hi = HexDigit(line[pos]), lo = HexDigit(line[pos + 1]);
                if (hi < 0 || lo < 0) {
                    return false;
                }
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

bool ParseDword(std::string_view digits, uint32_t& value) {
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    value = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) {
            return false;
        }
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return true;
}

bool IsTypePrefix(std::string_view data) {
    size_t colon = data.find(':');
    if (colon == 0 || colon == std::string_view::npos) {
        return false;
    }
    for (size_t i = 0; i < colon; ++i) {
        char c = data[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '(' || c == ')';
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Hex data of the other value types: the type prefix, then bytes as two hex digits separated by
// commas, spaces allowed anywhere after the prefix. Anything else (a stray backslash above all,
// which would read as a continuation when written back) refuses the file rather than letting a
// value swallow the lines after it.
bool CanonicalHexData(std::string_view joined, std::string& out) {
    size_t colon = joined.find(':');
    out.assign(joined.substr(0, colon + 1));
    int digits = 0;
    bool any = false;
    for (char c : joined.substr(colon + 1)) {
        if (c == ' ' || c == '\t' || c == '\r') {
            continue;
        }
        if (c == ',') {
            if (digits != 2) {
                return false;
            }
            digits = 0;
            out += c;
            continue;
        }
        if (HexDigit(c) < 0 || digits == 2) {
            return false;
        }
        out += c;
        any = true;
        ++digits;
    }
    return !any || digits == 2;
}

}  // namespace

std::string_view HiveName(RegHive hive) {
    switch (hive) {
        case RegHive::CurrentUser:
            return "HKEY_CURRENT_USER";
        case RegHive::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case RegHive::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
    }
    return "HKEY_CURRENT_USER";
}

// ---------------------------------------------------------------------------------------------
// RegHiveData

RegHiveData::RegHiveData() {
    nodes_.emplace_back();
}

int RegHiveData::FindChild(int key, std::string_view name) const {
    const Node& node = nodes_[static_cast<size_t>(key)];
    auto it = node.childIndex.find(FoldAscii(name));
    return it == node.childIndex.end() ? kNoKey : it->second;
}

int RegHiveData::FindKey(std::string_view path) const {
    std::vector<std::string_view> parts;
    if (!SplitPath(path, parts)) {
        return kNoKey;
    }
    int key = kRoot;
    for (std::string_view part : parts) {
        key = FindChild(key, part);
        if (key == kNoKey) {
            return kNoKey;
        }
    }
    return key;
}

int RegHiveData::CreateKey(std::string_view path) {
    std::vector<std::string_view> parts;
    if (!SplitPath(path, parts)) {
        return kNoKey;
    }
    int key = kRoot;
    for (std::string_view part : parts) {
        int child = FindChild(key, part);
        if (child == kNoKey) {
            child = static_cast<int>(nodes_.size());
            Node node;
            node.name = std::string(part);
            node.parent = key;
            nodes_.push_back(std::move(node));
            Node& parent = nodes_[static_cast<size_t>(key)];
            parent.children.push_back(child);
            parent.childIndex.emplace(FoldAscii(part), child);
        }
        key = child;
    }
    return key;
}

void RegHiveData::CompactChildren(Node& node) {
    std::vector<int> live;
    live.reserve(node.children.size() - node.deadChildren);
    for (int child : node.children) {
        if (nodes_[static_cast<size_t>(child)].alive) {
            live.push_back(child);
        }
    }
    node.children = std::move(live);
    node.deadChildren = 0;
}

bool RegHiveData::DeleteKey(std::string_view path) {
    int key = FindKey(path);
    if (key == kNoKey) {
        return false;
    }
    std::vector<int> pending;
    if (key == kRoot) {
        Node& root = nodes_[kRoot];
        pending = root.children;
        root.children.clear();
        root.childIndex.clear();
        root.deadChildren = 0;
        root.values.clear();
        root.valueIndex.clear();
        root.erasedValues = 0;
    } else {
        pending.push_back(key);
        Node& parent = nodes_[static_cast<size_t>(nodes_[static_cast<size_t>(key)].parent)];
        parent.childIndex.erase(FoldAscii(nodes_[static_cast<size_t>(key)].name));
        ++parent.deadChildren;
    }
    while (!pending.empty()) {
        int current = pending.back();
        pending.pop_back();
        Node& node = nodes_[static_cast<size_t>(current)];
        if (!node.alive) {
            continue;
        }
        node.alive = false;
        for (int child : node.children) {
            pending.push_back(child);
        }
        node.children.clear();
        node.childIndex.clear();
        node.values.clear();
        node.valueIndex.clear();
    }
    if (key != kRoot) {
        Node& parent = nodes_[static_cast<size_t>(nodes_[static_cast<size_t>(key)].parent)];
        if (parent.deadChildren * 2 > parent.children.size()) {
            CompactChildren(parent);
        }
    }
    return true;
}

const RegValue* RegHiveData::FindValue(int key, std::string_view name) const {
    if (key < 0 || static_cast<size_t>(key) >= nodes_.size()) {
        return nullptr;
    }
    const Node& node = nodes_[static_cast<size_t>(key)];
    auto it = node.valueIndex.find(FoldAscii(name));
    return it == node.valueIndex.end() ? nullptr : &*node.values[it->second];
}

void RegHiveData::SetValue(int key, RegValue value) {
    Node& node = nodes_[static_cast<size_t>(key)];
    std::string folded = FoldAscii(value.name);
    auto it = node.valueIndex.find(folded);
    if (it != node.valueIndex.end()) {
        RegValue& existing = *node.values[it->second];
        value.name = existing.name;
        existing = std::move(value);
        return;
    }
    node.valueIndex.emplace(std::move(folded), node.values.size());
    node.values.emplace_back(std::move(value));
}

void RegHiveData::CompactValues(Node& node) {
    std::vector<std::optional<RegValue>> live;
    live.reserve(node.values.size() - node.erasedValues);
    node.valueIndex.clear();
    for (auto& value : node.values) {
        if (value) {
            node.valueIndex.emplace(FoldAscii(value->name), live.size());
            live.push_back(std::move(value));
        }
    }
    node.values = std::move(live);
    node.erasedValues = 0;
}

bool RegHiveData::DeleteValue(int key, std::string_view name) {
    Node& node = nodes_[static_cast<size_t>(key)];
    auto it = node.valueIndex.find(FoldAscii(name));
    if (it == node.valueIndex.end()) {
        return false;
    }
    node.values[it->second].reset();
    node.valueIndex.erase(it);
    if (++node.erasedValues * 2 > node.values.size()) {
        CompactValues(node);
    }
    return true;
}

std::vector<RegValue> RegHiveData::Values(int key) const {
    std::vector<RegValue> out;
    if (key < 0 || static_cast<size_t>(key) >= nodes_.size()) {
        return out;
    }
    for (const auto& value : nodes_[static_cast<size_t>(key)].values) {
        if (value) {
            out.push_back(*value);
        }
    }
    return out;
}

std::vector<std::string> RegHiveData::SubkeyNames(int key) const {
    std::vector<std::string> out;
    if (key < 0 || static_cast<size_t>(key) >= nodes_.size()) {
        return out;
    }
    for (int child : nodes_[static_cast<size_t>(key)].children) {
        const Node& node = nodes_[static_cast<size_t>(child)];
        if (node.alive) {
            out.push_back(node.name);
        }
    }
    return out;
}

bool RegHiveData::IsEmpty() const {
    return nodes_[kRoot].childIndex.empty() && nodes_[kRoot].valueIndex.empty();
}

std::string RegHiveData::Serialize(RegHive hive) const {
    std::string out;
    out += kHeader;
    out += "\n\n";
    const std::string hiveName(HiveName(hive));
    // Pre-order walk with an explicit stack; each key line carries the full path, so the walk
    // keeps the path of the current key rather than recomputing it per key.
    struct Frame {
        int key;
        size_t pathLength;
    };
    std::string path = hiveName;
    std::vector<Frame> stack;
    stack.push_back({kRoot, path.size()});
    while (!stack.empty()) {
        Frame frame = stack.back();
        stack.pop_back();
        const Node& node = nodes_[static_cast<size_t>(frame.key)];
        path.resize(frame.pathLength);
        if (frame.key != kRoot) {
            path += '\\';
            path += node.name;
        }
        bool hasValues = node.values.size() > node.erasedValues;
        if (frame.key != kRoot || hasValues) {
            out += '[';
            out += path;
            out += "]\n";
            for (const auto& value : node.values) {
                if (!value) {
                    continue;
                }
                if (value->name.empty()) {
                    out += '@';
                } else {
                    AppendQuoted(out, value->name);
                }
                out += '=';
                switch (value->type) {
                    case RegType::Dword: {
                        char buffer[16];
                        std::snprintf(buffer, sizeof buffer, "dword:%08x", value->dword);
                        out += buffer;
                        break;
                    }
                    case RegType::String:
                        AppendQuoted(out, value->text);
                        break;
                    case RegType::Other:
                        out += value->text;
                        break;
                }
                out += '\n';
            }
            out += '\n';
        }
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
            if (nodes_[static_cast<size_t>(*it)].alive) {
                stack.push_back({*it, path.size()});
            }
        }
    }
    return out;
}

bool RegHiveData::Parse(std::string_view input, RegHive hive, RegHiveData& out,
                        std::string* error) {
    out = RegHiveData();
    std::string converted;
    std::string_view text = input;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        converted = Utf16LeToUtf8(text.substr(2));
        text = converted;
    } else if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }

    const std::string_view hiveName = HiveName(hive);
    bool sawHeader = false;
    int current = kNoKey;
    bool skipping = false;  // inside a "[-key]" section, whose values are ignored
    size_t lineNo = 0;
    size_t pos = 0;
    auto fail = [&](const char* why) {
        if (error != nullptr) {
            *error = "line " + std::to_string(lineNo) + ": " + why;
        }
        out = RegHiveData();
        return false;
    };
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size()) {
            return false;
        }
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        return true;
    };

    std::string_view line;
    std::string name, data;
    while (nextLine(line)) {
        if (line.empty()) {
            continue;
        }
        if (!sawHeader) {
            if (line != kHeader) {
                return fail("not a registry file");
            }
            sawHeader = true;
            continue;
        }
        if (line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            if (line.size() < 2 || line.back() != ']') {
                return fail("unterminated key");
            }
            std::string_view inner = line.substr(1, line.size() - 2);
            bool remove = !inner.empty() && inner[0] == '-';
            if (remove) {
                inner.remove_prefix(1);
            }
            std::string_view first = inner.substr(0, inner.find('\\'));
            if (!EqualsNoCase(first, hiveName)) {
                return fail("key of another hive");
            }
            std::string_view rest =
                first.size() < inner.size() ? inner.substr(first.size() + 1) : std::string_view();
            if (first.size() < inner.size() && rest.empty()) {
                return fail("empty key name");
            }
            if (remove) {
                std::vector<std::string_view> parts;
                if (!SplitPath(rest, parts)) {
                    return fail("bad key name");
                }
                out.DeleteKey(rest);
                current = kNoKey;
                skipping = true;
                continue;
            }
            current = out.CreateKey(rest);
            if (current == kNoKey) {
                return fail("bad key name");
            }
            skipping = false;
            continue;
        }
        if (line[0] != '"' && line[0] != '@') {
            return fail("neither key nor value");
        }
        if (current == kNoKey && !skipping) {
            return fail("value outside a key");
        }
        size_t p = 0;
        if (line[0] == '@') {
            name.clear();
            p = 1;
        } else if (!ReadQuoted(line, p, name)) {
            return fail("bad value name");
        }
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
            ++p;
        if (p >= line.size() || line[p] != '=') {
            return fail("missing '='");
        }
        ++p;
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
            ++p;
        std::string_view rawData = line.substr(p);
        RegValue value;
        value.name = name;
        bool erase = false;
        if (!rawData.empty() && rawData[0] == '"') {
            size_t q = 0;
            if (!ReadQuoted(rawData, q, data) || q != rawData.size()) {
                return fail("bad string");
            }
            value.type = RegType::String;
            value.text = data;
        } else if (rawData == "-") {
            erase = true;
        } else if (rawData.size() >= 6 && EqualsNoCase(rawData.substr(0, 6), "dword:")) {
            if (!ParseDword(rawData.substr(6), value.dword)) {
                return fail("bad dword");
            }
            value.type = RegType::Dword;
        } else if (IsTypePrefix(rawData)) {
            // Hex data may continue over lines that end in a backslash.
            std::string joined(rawData);
            std::string_view more;
            while (!joined.empty() && joined.back() == '\\') {
                joined.pop_back();
                if (!nextLine(more)) {
                    break;
                }
                joined += more;
            }
            value.type = RegType::Other;
            if (!CanonicalHexData(joined, value.text)) {
                return fail("bad hex data");
            }
        } else {
            return fail("unknown value data");
        }
        if (skipping) {
            continue;
        }
        if (erase) {
            out.DeleteValue(current, value.name);
        } else {
            out.SetValue(current, std::move(value));
        }
    }
    if (!sawHeader) {
        return fail("empty file");
    }
    return true;
}

std::string MapRegView(RegHive hive, std::string_view path, RegView view) {
    std::string mapped(path);
    if (hive != RegHive::LocalMachine || view != RegView::Bits32) {
        return mapped;
    }
    std::string_view first = path.substr(0, path.find('\\'));
    if (!EqualsNoCase(first, "Software")) {
        return mapped;
    }
    std::string_view rest =
        first.size() < path.size() ? path.substr(first.size() + 1) : std::string_view();
    std::string_view second = rest.substr(0, rest.find('\\'));
    if (EqualsNoCase(second, "WOW6432Node")) {
        return mapped;
    }
    mapped = std::string(first) + "\\WOW6432Node";
    if (!rest.empty()) {
        mapped += '\\';
        mapped += rest;
    }
    return mapped;
}

// ---------------------------------------------------------------------------------------------
// RegistryStore

RegistryStore::RegistryStore(std::string folder) : folder_(std::move(folder)) {
    while (folder_.size() > 1 && folder_.back() == '/') {
        folder_.pop_back();
    }
}

RegistryStore::~RegistryStore() {
    for (HiveCache& cache : caches_) {
        if (cache.heldFd >= 0) {
            ::close(cache.heldFd);
        }
    }
}

std::string RegistryStore::FolderFromEnvironment() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/marrowby";
    }
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') {
        home = env;
    } else {
        struct passwd pw {};
        struct passwd* result = nullptr;
        char buffer[4096];
        if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result != nullptr) {
            home = result->pw_dir;
        }
    }
    return home + "/.config/marrowby";
}

RegistryStore& RegistryStore::Process() {
    return RunContext::Current().Registry();
}

std::string RegistryStore::HivePath(RegHive hive) const {
    return folder_ + "/" + std::string(HiveName(hive)) + ".reg";
}

RegistryStore::HiveCache& RegistryStore::Cache(RegHive hive) const {
    return caches_[static_cast<int>(hive)];
}

namespace {

bool MakeFolders(const std::string& folder) {
    for (size_t pos = folder.find('/', 1);; pos = folder.find('/', pos + 1)) {
        std::string prefix = folder.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (pos == std::string::npos) {
            return true;
        }
    }
}

bool ReadAll(int fd, std::string& out) {
    out.clear();
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace

RegistryStore::LoadResult RegistryStore::LoadFromDisk(RegHive hive, bool moveAsideIfBad) const {
    HiveCache& cache = Cache(hive);
    const std::string path = HivePath(hive);
    if (cache.heldFd >= 0) {
        ::close(cache.heldFd);
        cache.heldFd = -1;
    }
    cache.loaded = true;
    cache.id = FileId{};
    cache.data = RegHiveData();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            LogError(errno, "Cannot read the settings file %s", path.c_str());
            // Unreadable now is not "missing": check again on the next read.
            cache.loaded = false;
            return LoadResult::Unreadable;
        }
        return LoadResult::Loaded;
    }
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) != 0 || !ReadAll(fd, text)) {
        LogError(errno, "Cannot read the settings file %s", path.c_str());
        ::close(fd);
        cache.loaded = false;
        return LoadResult::Unreadable;
    }
    std::string error;
    if (!RegHiveData::Parse(text, hive, cache.data, &error)) {
        ::close(fd);
        if (!moveAsideIfBad) {
            cache.loaded = false;
            return LoadResult::Damaged;
        }
        Log("The settings file %s does not parse (%s); it is kept aside and defaults are used",
            path.c_str(), error.c_str());
        MoveAside(hive);
        return LoadResult::Loaded;
    }
    cache.heldFd = fd;
    cache.id = FileId::Of(st);
    return LoadResult::Loaded;
}

void RegistryStore::MoveAside(RegHive hive) const {
    const std::string path = HivePath(hive);
    time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string base = path + ".bad-" + stamp;
    std::string target = base;
    struct stat st {};
    for (int n = 2; ::lstat(target.c_str(), &st) == 0 && n < 1000; ++n) {
        target = base + "-" + std::to_string(n);
    }
    if (::rename(path.c_str(), target.c_str()) != 0) {
        LogError(errno, "Cannot move %s aside to %s", path.c_str(), target.c_str());
    } else {
        Log("Moved the damaged settings file to %s", target.c_str());
    }
}

RegistryStore::FileId RegistryStore::FileId::Of(const struct stat& st) {
    return FileId{true,
                  static_cast<uint64_t>(st.st_dev),
                  static_cast<uint64_t>(st.st_ino),
                  static_cast<int64_t>(st.st_size),
                  static_cast<int64_t>(st.st_mtim.tv_sec),
                  static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

void RegistryStore::Refresh(RegHive hive) const {
    HiveCache& cache = Cache(hive);
    struct stat st {};
    FileId now;
    if (::stat(HivePath(hive).c_str(), &st) == 0) {
        now = FileId::Of(st);
    } else if (errno != ENOENT) {
        now.exists = true;  // forces a read attempt, which logs the failure
    }
    if (cache.loaded && cache.id == now) {
        return;
    }
    if (LoadFromDisk(hive, false) == LoadResult::Damaged) {
        // A damaged file is only moved aside under the lock, after a second look: another
        // instance may be replacing it this very moment.
        int lockFd = LockHive(hive);
        LoadFromDisk(hive, lockFd >= 0);
        if (lockFd >= 0) {
            ::close(lockFd);
        }
    }
}

const RegHiveData& RegistryStore::Read(RegHive hive) const {
    Refresh(hive);
    return Cache(hive).data;
}

int RegistryStore::LockHive(RegHive hive) const {
    if (!MakeFolders(folder_)) {
        LogError(errno, "Cannot create the settings folder %s", folder_.c_str());
        return -1;
    }
    std::string lockPath = HivePath(hive) + ".lock";
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        LogError(errno, "Cannot open the lock file %s", lockPath.c_str());
        return -1;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            LogError(errno, "Cannot lock %s", lockPath.c_str());
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

bool RegistryStore::WriteHive(RegHive hive, const std::string& text) const {
    HiveCache& cache = Cache(hive);
    const std::string path = HivePath(hive);
    // One fixed temporary name is enough: only the lock holder writes it, and a writer killed
    // half-way leaves a file that the next writer simply truncates.
    const std::string tmpPath = path + ".tmp";
    int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        LogError(errno, "Cannot create %s", tmpPath.c_str());
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            LogError(errno, "Cannot write %s", tmpPath.c_str());
            ::close(fd);
            ::unlink(tmpPath.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::rename(tmpPath.c_str(), path.c_str()) != 0) {
        LogError(errno, "Cannot replace %s", path.c_str());
        ::close(fd);
        ::unlink(tmpPath.c_str());
        return false;
    }
    int dirFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        cache.loaded = false;
        return true;
    }
    if (cache.heldFd >= 0) {
        ::close(cache.heldFd);
    }
    cache.heldFd = fd;
    cache.id = FileId::Of(st);
    return true;
}

bool RegistryStore::Modify(RegHive hive, const std::function<bool(RegHiveData&)>& change) {
    int lockFd = LockHive(hive);
    if (lockFd < 0) {
        Cache(hive).loaded = false;
        return false;
    }
    // Always the file as it is now, not our snapshot: another instance may have written since.
    // A file that exists but cannot be read must not be replaced by our one change.
    if (LoadFromDisk(hive, true) != LoadResult::Loaded) {
        ::close(lockFd);
        return false;
    }
    HiveCache& cache = Cache(hive);
    bool ok = true;
    if (change(cache.data)) {
        ok = WriteHive(hive, cache.data.Serialize(hive));
        if (!ok) {
            cache.loaded = false;
        }
    }
    ::close(lockFd);
    return ok;
}

bool RegistryStore::KeyExists(RegHive hive, std::string_view key, RegView view) const {
    return Read(hive).FindKey(MapRegView(hive, key, view)) != RegHiveData::kNoKey;
}

std::optional<RegValue> RegistryStore::GetValue(RegHive hive, std::string_view key,
                                                std::string_view name, RegView view) const {
    const RegHiveData& data = Read(hive);
    const RegValue* value = data.FindValue(data.FindKey(MapRegView(hive, key, view)), name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return *value;
}

std::vector<RegValue> RegistryStore::EnumValues(RegHive hive, std::string_view key, RegView view,
                                                bool* exists) const {
    const RegHiveData& data = Read(hive);
    int k = data.FindKey(MapRegView(hive, key, view));
    if (exists != nullptr) {
        *exists = k != RegHiveData::kNoKey;
    }
    return data.Values(k);
}

std::vector<std::string> RegistryStore::EnumSubkeys(RegHive hive, std::string_view key,
                                                    RegView view) const {
    const RegHiveData& data = Read(hive);
    return data.SubkeyNames(data.FindKey(MapRegView(hive, key, view)));
}

bool RegistryStore::CreateKey(RegHive hive, std::string_view key, RegView view) {
    const std::string path = MapRegView(hive, key, view);
    bool valid = true;
    bool written = Modify(hive, [&](RegHiveData& data) {
        if (data.FindKey(path) != RegHiveData::kNoKey) {
            return false;
        }
        valid = data.CreateKey(path) != RegHiveData::kNoKey;
        return valid;
    });
    return written && valid;
}

namespace {

bool SetValueIn(RegHiveData& data, const std::string& path, RegValue value, bool& valid) {
    int key = data.CreateKey(path);
    if (key == RegHiveData::kNoKey) {
        valid = false;
        return false;
    }
    const RegValue* existing = data.FindValue(key, value.name);
    if (existing != nullptr && existing->type == value.type && existing->dword == value.dword &&
        existing->text == value.text) {
        return false;
    }
    data.SetValue(key, std::move(value));
    return true;
}

}  // namespace

bool RegistryStore::SetDword(RegHive hive, std::string_view key, std::string_view name,
                             uint32_t value, RegView view) {
    const std::string path = MapRegView(hive, key, view);
    bool valid = true;
    bool written = Modify(hive, [&](RegHiveData& data) {
        return SetValueIn(data, path, RegValue{std::string(name), RegType::Dword, value, {}},
                          valid);
    });
    return written && valid;
}

bool RegistryStore::SetString(RegHive hive, std::string_view key, std::string_view name,
                              std::string_view value, RegView view) {
    const std::string path = MapRegView(hive, key, view);
    bool valid = true;
    bool written = Modify(hive, [&](RegHiveData& data) {
        return SetValueIn(
            data, path, RegValue{std::string(name), RegType::String, 0, std::string(value)}, valid);
    });
    return written && valid;
}

bool RegistryStore::DeleteValue(RegHive hive, std::string_view key, std::string_view name,
                                RegView view) {
    const std::string path = MapRegView(hive, key, view);
    bool found = false;
    bool written = Modify(hive, [&](RegHiveData& data) {
        int k = data.FindKey(path);
        found = k != RegHiveData::kNoKey && data.DeleteValue(k, name);
        return found;
    });
    return written && found;
}

bool RegistryStore::DeleteKey(RegHive hive, std::string_view key, RegView view) {
    const std::string path = MapRegView(hive, key, view);
    bool found = false;
    bool written = Modify(hive, [&](RegHiveData& data) {
        found = data.DeleteKey(path);
        return found;
    });
    return written && found;
}

}  // namespace quillon
