#include "platform/ShellIntegration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/AsciiCase.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/ToolLocator.h"

namespace quillon {

namespace {

constexpr std::string_view kDirVerb = "SOFTWARE\\Classes\\Directory\\shell\\Quillon";
constexpr std::string_view kDriveVerb = "SOFTWARE\\Classes\\Drive\\shell\\Quillon";
constexpr std::string_view kDirSearchVerb = "SOFTWARE\\Classes\\Directory\\shell\\Quillon Search";
constexpr std::string_view kDriveSearchVerb = "SOFTWARE\\Classes\\Drive\\shell\\Quillon Search";
constexpr std::string_view kSearchVerbText = "Quillon Search...";
constexpr std::string_view kSuiteKey = "Software\\Marrowby";
constexpr std::string_view kExtsForOpen = "ExtsForOpen";
constexpr std::string_view kExtsForView = "ExtsForView";
constexpr std::string_view kDefaultOpenList =
    "rc;rc2;vcproj;csproj;vbproj;wixproj;vcxproj;manifest;resx;smi;c;cc;cpp;cs;h;hpp;inl;tlh;txt;"
    "ini;rul;sql;css;fgl;ips;log;iss;sms;asp;pl;pm;wxs;wsi;config;";
constexpr std::string_view kDefaultViewList = "bat;reg;html;xml;ipr;";
constexpr std::string_view kDefaultBackup = "DefaultBackup";
constexpr std::string_view kEditorProgId = kEditorExe;
constexpr std::string_view kQuillonProgId = "Quillon.exe";

// Items up to the first empty one.
std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = std::min(list.find(';', start), list.size());
        if (end == start) {
            break;
        }
        items.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

bool HasMarker(std::string_view content) {
    size_t start = 0;
    while (start < content.size()) {
        size_t end = std::min(content.find('\n', start), content.size());
        std::string_view line = content.substr(start, end - start);
        if (line == kGeneratedMarker ||
            (line.size() == kGeneratedMarker.size() + 2 && line.substr(0, 2) == "# " &&
             line.substr(2) == kGeneratedMarker)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The content of the regular file at `path`, never through a link.
bool ReadRegular(FileSystem& fs, const std::string& path, std::string& content) {
    int fd = -1;
    if (fs.Open(AT_FDCWD, path.c_str(), O_RDONLY | O_NOFOLLOW, 0, fd) != 0) {
        return false;
    }
    const FsHandle file(fs, fd);
    char buffer[8192];
    for (size_t got = 0;; content.append(buffer, got)) {
        if (fs.Read(fd, buffer, sizeof buffer, got) != 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
    }
}

// Deletes `key` when it holds nothing, then each parent in turn while it holds nothing either,
// stopping above `floorKey`: what registration made goes without a trace, what others keep stays.
void PruneEmptyKeys(RegistryStore& registry, RegHive hive, std::string key,
                    std::string_view floorKey) {
    while (key.size() > floorKey.size()) {
        if (registry.KeyExists(hive, key)) {
            if (!registry.EnumValues(hive, key).empty() ||
                !registry.EnumSubkeys(hive, key).empty()) {
                return;
            }
            registry.DeleteKey(hive, key);
        }
        size_t slash = key.rfind('\\');
        key.resize(slash == std::string::npos ? 0 : slash);
    }
}

std::string Errno(int error) {
    return std::strerror(error);
}

// Each line followed by a newline.
std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

std::string Key(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + std::string(value);
}

std::string DesktopApplication(std::string_view name, std::string_view comment,
                               std::string_view exec) {
    return Lines({"[Desktop Entry]", "Type=Application", Key("Name", name), Key("Comment", comment),
                  Key("Exec", exec), "Terminal=false", "Categories=Utility;FileTools;",
                  std::string(kGeneratedMarker)});
}

std::string DolphinServiceMenu(std::string_view name, std::string_view exec) {
    return Lines({"[Desktop Entry]", "Type=Service", "MimeType=inode/directory;",
                  "X-KDE-ServiceTypes=KonqPopupMenu/Plugin", "Actions=run;",
                  std::string(kGeneratedMarker), "", "[Desktop Action run]", Key("Name", name),
                  Key("Exec", exec)});
}

std::string NemoAction(std::string_view name, std::string_view comment, std::string_view exec) {
    return Lines({"[Nemo Action]", Key("Name", name), Key("Comment", comment), Key("Exec", exec),
                  "Selection=notnone", "Extensions=dir;", std::string(kGeneratedMarker)});
}

// Nautilus hands the selected local paths to a script as its arguments.
std::string NautilusScript(std::string_view program) {
    std::string quoted = "'";
    for (char c : program) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    quoted += "'";
    return "#!/bin/sh\n# " + std::string(kGeneratedMarker) + "\nexec " + quoted + " \"$@\"\n";
}

// The Exec value of `program` with the field code after it, or empty when it cannot be written.
std::string Exec(std::string_view program, std::string_view rest) {
    if (program.empty()) {
        return {};
    }
    std::string quoted = DesktopExecArgument(program);
    return quoted.empty() ? std::string() : quoted + " " + std::string(rest);
}

GeneratedFile SendToEntry(std::string path, std::string_view name, std::string_view comment,
                          std::string_view program, std::string_view rest) {
    std::string exec = Exec(program, rest);
    return {std::move(path), exec.empty() ? std::string() : DesktopApplication(name, comment, exec),
            false};
}

// The files of a folder verb for the context menus of Dolphin, Nautilus and Nemo.
void FolderVerbFiles(std::vector<GeneratedFile>& files, std::string_view stem,
                     std::string_view name, std::string_view comment, std::string_view program,
                     std::string_view fieldCode) {
    std::string exec = Exec(program, fieldCode);
    auto content = [&exec](std::string text) { return exec.empty() ? std::string() : text; };
    files.push_back({"kio/servicemenus/" + std::string(stem) + ".desktop",
                     content(DolphinServiceMenu(name, exec)), true});
    files.push_back(
        {"nautilus/scripts/" + std::string(name), content(NautilusScript(program)), true});
    files.push_back({"nemo/actions/" + std::string(stem) + ".nemo_action",
                     content(NemoAction(name, comment, exec)), false});
}

}  // namespace

const IntSetting& ChoiceSetting(ShellChoice choice) {
    static const IntSetting* const kSettings[kShellChoiceCount] = {
        &settings::kQuillonOnDir,    &settings::kSearchOnDir,    &settings::kScrivletSendTo,
        &settings::kPanorelSendTo,   &settings::kSeekwellSendTo, &settings::kNybbletSendTo,
        &settings::kMultRenameSendTo};
    return *kSettings[int(choice)];
}

ShellTools LocateShellTools(const RegistryStore& registry) {
    ShellTools tools;
    char self[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        tools.quillon.assign(self, size_t(n));
    }
    tools.editor = LocateTool(registry, kEditorExe);
    tools.viewer = LocateTool(registry, kViewerExe);
    tools.search = LocateTool(registry, "Seekwell.exe");
    tools.hex = LocateTool(registry, "Nybblet.exe");
    return tools;
}

std::string DataHomeFromEnvironment() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return data;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

std::string QuotedCommand(std::string_view path, std::string_view rest) {
    if (path.empty()) {
        return {};
    }
    return "\"" + std::string(path) + "\" " + std::string(rest);
}

std::string DesktopExecArgument(std::string_view text) {
    // Quoted as an Exec argument first, then escaped as any string value of the file is.
    std::string quoted = "\"";
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return {};
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';
    std::string escaped;
    for (char c : quoted) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return escaped;
}

std::vector<GeneratedFile> ChoiceFiles(ShellChoice choice, const ShellTools& tools) {
    std::vector<GeneratedFile> files;
    switch (choice) {
        case ShellChoice::QuillonOnDir:
            FolderVerbFiles(files, "quillon-compare", "Quillon",
                            "Compare the selected folders side by side", tools.quillon, "%F");
            files.push_back(SendToEntry("Thunar/sendto/quillon.desktop", "Quillon",
                                        "Compare the selected folders side by side", tools.quillon,
                                        "%F"));
            break;
        case ShellChoice::SearchOnDir:
            FolderVerbFiles(files, "quillon-search", kSearchVerbText, "Search in the folder",
                            tools.search, "%f");
            break;
        case ShellChoice::ScrivletSendTo:
            files.push_back(SendToEntry("Thunar/sendto/quillon-scrivlet.desktop", "Scrivlet",
                                        "Compare or edit in the text diff editor", tools.editor,
                                        "%F"));
            break;
        case ShellChoice::PanorelSendTo:
            files.push_back(SendToEntry("Thunar/sendto/quillon-panorel.desktop", "Panorel",
                                        "View the file", tools.viewer, "%f"));
            break;
        case ShellChoice::SeekwellSendTo:
            files.push_back(SendToEntry("Thunar/sendto/quillon-search.desktop", "Quillon Search",
                                        "Search in the folder", tools.search, "%f"));
            break;
        case ShellChoice::NybbletSendTo:
            files.push_back(SendToEntry("Thunar/sendto/quillon-hex-compare.desktop",
                                        "Quillon Hex Compare", "Compare the files byte by byte",
                                        tools.hex, "%F"));
            break;
        case ShellChoice::MultRenameSendTo:
            files.push_back(SendToEntry("Thunar/sendto/quillon-multirename.desktop",
                                        "Quillon MultiRename", "Rename the selected files in bulk",
                                        tools.quillon, "-SARename %F"));
            break;
    }
    return files;
}

GeneratedFile ProgramDesktopEntry(const ShellTools& tools) {
    // No MimeType: a desktop entry that declared folders would become the default folder opener
    // wherever the user has not chosen one. Quillon is offered under "Open With Other
    // Application" and the launchers instead.
    return SendToEntry("applications/quillon.desktop", "Quillon",
                       "Compare two folder trees side by side", tools.quillon, "%F");
}

ShellIntegration::ShellIntegration(RegistryStore& registry, ShellTools tools, std::string dataHome,
                                   FileSystem& fs)
    : registry_(registry), tools_(std::move(tools)), dataHome_(std::move(dataHome)), fs_(fs) {}

void ShellIntegration::Problem(const std::string& text) {
    if (std::find(problems_.begin(), problems_.end(), text) == problems_.end()) {
        problems_.push_back(text);
    }
}

void ShellIntegration::Store(bool ok) {
    if (!ok) {
        Problem("cannot write the settings store in " + registry_.Folder());
    }
}

bool ShellIntegration::SetShellVerb(RegHive root, std::string_view key, std::string_view text,
                                    std::string_view command, bool add) {
    if (!add) {
        registry_.DeleteKey(root, key);
        const size_t slash = key.find('\\');
        const std::string_view top = key.substr(0, slash == std::string_view::npos ? 0 : slash);
        PruneEmptyKeys(registry_, root, std::string(key), EqualsNoCase(top, "SOFTWARE") ? top : "");
        return true;
    }
    if (key.empty() || command.empty()) {
        return false;
    }
    bool ok = registry_.SetString(root, key, "", text) &&
              registry_.SetString(root, std::string(key) + "\\command", "", command);
    Store(ok);
    return ok;
}

void ShellIntegration::RegisterShell(bool install) {
    SetShellVerb(RegHive::ClassesRoot, "Applications\\Quillon.exe", {}, {}, false);
    const std::pair<std::string_view, const std::string*> openCommands[] = {
        {kQuillonProgId, &tools_.quillon},
        {kEditorProgId, &tools_.editor},
        {kViewerExe, &tools_.viewer},
        {"Seekwell.exe", &tools_.search}};
    for (const auto& [progId, path] : openCommands) {
        std::string command = QuotedCommand(*path, "\"%1\"");
        if (install && !command.empty()) {
            Store(registry_.SetString(RegHive::ClassesRoot,
                                      std::string(progId) + "\\shell\\open\\command", "", command));
        } else if (!install) {
            registry_.DeleteKey(RegHive::ClassesRoot, progId);
        }
    }
    GeneratedFile program = ProgramDesktopEntry(tools_);
    if (install && !program.content.empty()) {
        WriteFile(program);
    } else if (!install) {
        RemoveFile(program.path);
    }

    SettingsStore store(registry_);
    for (int i = 0; i < kShellChoiceCount; ++i) {
        const auto choice = ShellChoice(i);
        const IntSetting& setting = ChoiceSetting(choice);
        if (choice == ShellChoice::MultRenameSendTo) {
            // Registration leaves it to the dialog; unregistering takes it away with the rest.
            if (!install) {
                ApplyChoice(choice, false);
            }
            continue;
        }
        int value = store.GetProfileInt(setting.section, setting.entry, 1);
        if (install) {
            Store(store.WriteProfileInt(setting.section, setting.entry, value));
        }
        ApplyChoice(choice, install && value == 1);
    }
    if (!install) {
        RemoveCreatedFolders();
    }
}

void ShellIntegration::RegisterFileTypes(bool install) {
    // Both lists are read first: unregistering forgets the stored ones on the way.
    auto list = [this](std::string_view name, std::string_view fallback) {
        std::optional<RegValue> value =
            registry_.GetValue(RegHive::CurrentUser, settings::kScrivletSettings, name);
        return value && value->type == RegType::String ? value->text : std::string(fallback);
    };
    const std::string openList = list(kExtsForOpen, kDefaultOpenList);
    const std::string viewList = list(kExtsForView, kDefaultViewList);
    const std::string editorCommand = QuotedCommand(tools_.editor, "\"%1\"");
    auto isSuite = [](std::string_view progId) {
        return EqualsNoCase(progId, kQuillonProgId) || EqualsNoCase(progId, kEditorProgId);
    };

    // The open list is long: all of it is one change of the hive, written once.
    Store(registry_.Modify(RegHive::ClassesRoot, [&](RegHiveData& hive) {
        bool changed = false;
        auto set = [&hive, &changed](int key, std::string_view name, const std::string& text) {
            const RegValue* old = hive.FindValue(key, name);
            if (old == nullptr || old->type != RegType::String || old->text != text) {
                hive.SetValue(key, RegValue{std::string(name), RegType::String, 0, text});
                changed = true;
            }
        };
        auto text = [&hive](int key, std::string_view name) -> std::optional<std::string> {
            const RegValue* value =
                key == RegHiveData::kNoKey ? nullptr : hive.FindValue(key, name);
            return value && value->type == RegType::String ? std::optional(value->text)
                                                           : std::nullopt;
        };
        for (const std::string& ext : SplitList(openList)) {
            const std::string name = "." + ext;
            int key = hive.FindKey(name);
            if (install) {
                if (key == RegHiveData::kNoKey) {
                    key = hive.CreateKey(name);
                    changed = true;
                }
                if (key == RegHiveData::kNoKey) {
                    continue;
                }
                std::optional<std::string> current = text(key, "");
                if (current && !isSuite(*current)) {
                    set(key, kDefaultBackup, *current);
                }
                set(key, "", std::string(kEditorProgId));
                continue;
            }
            if (key == RegHiveData::kNoKey) {
                continue;
            }
            std::optional<std::string> backup = text(key, kDefaultBackup);
            if (backup && !isSuite(*backup)) {
                set(key, "", *backup);
            } else {
                changed |= hive.DeleteValue(key, "");
            }
            changed |= hive.DeleteValue(key, kDefaultBackup);
            if (hive.Values(key).empty() && hive.SubkeyNames(key).empty()) {
                changed |= hive.DeleteKey(name);
            }
        }
        return changed;
    }));
    if (install) {
        Store(registry_.SetString(RegHive::CurrentUser, settings::kScrivletSettings, kExtsForOpen,
                                  openList));
    } else {
        registry_.DeleteKey(RegHive::CurrentUser, kSuiteKey);
    }

    for (const std::string& ext : SplitList(viewList)) {
        const std::string key = "." + ext;
        std::optional<RegValue> type = registry_.GetValue(RegHive::ClassesRoot, key, "");
        std::string progId = type && type->type == RegType::String ? type->text : std::string();
        if (!install) {
            if (progId.empty()) {
                continue;
            }
            SetShellVerb(RegHive::ClassesRoot, progId + "\\shell\\editWithScrivlet", {}, {}, false);
            // The file type that registration named goes once nothing else uses it.
            if (EqualsNoCase(progId, ext + "file") &&
                !registry_.KeyExists(RegHive::ClassesRoot, progId)) {
                registry_.DeleteValue(RegHive::ClassesRoot, key, "");
                PruneEmptyKeys(registry_, RegHive::ClassesRoot, key, "");
            }
            continue;
        }
        if (progId.empty()) {
            progId = ext + "file";
            Store(registry_.SetString(RegHive::ClassesRoot, key, "", progId));
        }
        SetShellVerb(RegHive::ClassesRoot, progId + "\\shell\\editWithScrivlet",
                     "Edit with Scrivlet", editorCommand, true);
    }
    if (install) {
        Store(registry_.SetString(RegHive::CurrentUser, settings::kScrivletSettings, kExtsForView,
                                  viewList));
    }
}

void ShellIntegration::ApplyChoice(ShellChoice choice, bool on) {
    if (choice == ShellChoice::QuillonOnDir) {
        SetShellVerb(RegHive::CurrentUser, kDirVerb, "", QuotedCommand(tools_.quillon, "\"%1\""),
                     on);
        // A drive root goes unquoted.
        SetShellVerb(RegHive::CurrentUser, kDriveVerb, "", QuotedCommand(tools_.quillon, "%1"), on);
    } else if (choice == ShellChoice::SearchOnDir) {
        const std::string command = QuotedCommand(tools_.search, "\"%1\"");
        SetShellVerb(RegHive::CurrentUser, kDirSearchVerb, kSearchVerbText, command, on);
        SetShellVerb(RegHive::CurrentUser, kDriveSearchVerb, kSearchVerbText, command, on);
    }
    for (const GeneratedFile& file : ChoiceFiles(choice, tools_)) {
        // An entry for a tool that is gone is taken away even while its choice is on.
        if (on && !file.content.empty()) {
            WriteFile(file);
        } else {
            RemoveFile(file.path);
        }
    }
}

bool ShellIntegration::DialogChoice(ShellChoice choice) const {
    if (choice == ShellChoice::QuillonOnDir || choice == ShellChoice::SearchOnDir) {
        return registry_
            .GetValue(RegHive::CurrentUser,
                      choice == ShellChoice::QuillonOnDir ? kDirVerb : kDirSearchVerb, "")
            .has_value();
    }
    SettingsStore store(registry_);
    const IntSetting& setting = ChoiceSetting(choice);
    return store.GetProfileInt(setting.section, setting.entry, setting.defaultValue) != 0;
}

void ShellIntegration::ApplyDialog(const bool (&choices)[kShellChoiceCount]) {
    SettingsStore store(registry_);
    for (int i = 0; i < kShellChoiceCount; ++i) {
        Store(WriteSetting(store, ChoiceSetting(ShellChoice(i)), choices[i] ? 1 : 0));
    }
    for (int i = 0; i < kShellChoiceCount; ++i) {
        ApplyChoice(ShellChoice(i), choices[i]);
    }
}

void ShellIntegration::MakeParents(const std::string& relative) {
    // The data home itself is the user's; only the folders below it are noted as ours.
    for (size_t slash = dataHome_.find('/', 1); slash != std::string::npos;
         slash = dataHome_.find('/', slash + 1)) {
        fs_.MakeFolder(AT_FDCWD, dataHome_.substr(0, slash).c_str(), 0700);
    }
    fs_.MakeFolder(AT_FDCWD, dataHome_.c_str(), 0700);
    SettingsStore store(registry_);
    for (size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
        const std::string folder = relative.substr(0, slash);
        if (fs_.MakeFolder(AT_FDCWD, (dataHome_ + "/" + folder).c_str(), 0755) == 0) {
            const std::string made = ReadSetting(store, settings::kShellGeneratedFolders);
            Store(WriteSetting(store, settings::kShellGeneratedFolders, made + folder + ";"));
        }
    }
}

void ShellIntegration::RemoveCreatedFolders() {
    SettingsStore store(registry_);
    std::vector<std::string> made = SplitList(ReadSetting(store, settings::kShellGeneratedFolders));
    // Deepest first, so that a parent is empty by the time its turn comes.
    std::sort(made.begin(), made.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    std::string kept;
    for (const std::string& folder : made) {
        if (folder.find("..") != std::string::npos) {
            continue;
        }
        // A folder that holds anything (the user's own files) stays.
        const int error = fs_.RemoveFolder(AT_FDCWD, (dataHome_ + "/" + folder).c_str());
        if (error != 0 && error != ENOENT) {
            kept += folder + ";";
        }
    }
    Store(WriteSetting(store, settings::kShellGeneratedFolders, kept));
}

void ShellIntegration::WriteFile(const GeneratedFile& file) {
    const std::string target = dataHome_ + "/" + file.path;
    const mode_t mode = file.executable ? 0755 : 0644;
    struct stat st {};
    const bool existed = fs_.Stat(AT_FDCWD, target.c_str(), AT_SYMLINK_NOFOLLOW, st) == 0;
    if (existed) {
        std::string content;
        if (!S_ISREG(st.st_mode) || !ReadRegular(fs_, target, content) || !HasMarker(content)) {
            Problem(target + " was not made by quillon; left as it is");
            return;
        }
        if (content == file.content && (st.st_mode & 07777) == mode) {
            return;
        }
    }
    MakeParents(file.path);
    const std::string folder = target.substr(0, target.rfind('/'));
    std::string temp;
    int fd = -1;
    int error = EEXIST;
    for (int attempt = 0; error == EEXIST && attempt < 100; ++attempt) {
        temp = folder + "/.quillon-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        error =
            fs_.Open(AT_FDCWD, temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW, 0600, fd);
    }
    if (error != 0) {
        Problem("cannot write " + target + ": " + Errno(error));
        return;
    }
    {
        const FsHandle handle(fs_, fd);
        for (size_t done = 0, written = 0; done < file.content.size() && error == 0;
             done += written) {
            error = fs_.Write(fd, file.content.data() + done, file.content.size() - done, written);
        }
        if (error == 0) {
            error = fs_.SetMode(fd, mode);
        }
        if (error == 0) {
            error = fs_.Sync(fd);
        }
    }
    // A file that appeared meanwhile is never replaced unseen.
    if (error == 0) {
        error = fs_.Rename(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(),
                           existed ? 0 : RENAME_NOREPLACE);
    }
    if (error != 0) {
        fs_.Unlink(AT_FDCWD, temp.c_str());
        Problem("cannot write " + target + ": " + Errno(error));
    }
}

void ShellIntegration::RemoveFile(const std::string& relative) {
    const std::string target = dataHome_ + "/" + relative;
    struct stat st {};
    std::string content;
    if (fs_.Stat(AT_FDCWD, target.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0 || !S_ISREG(st.st_mode) ||
        !ReadRegular(fs_, target, content) || !HasMarker(content)) {
        return;
    }
    if (const int error = fs_.Unlink(AT_FDCWD, target.c_str()); error != 0 && error != ENOENT) {
        Problem("cannot remove " + target + ": " + Errno(error));
    }
}

void ResetWindowPositions(RegistryStore& registry) {
    for (std::string_view tool : {"Scrivlet", "Farlink", "Tessary", "Ostrand", "Nybblet"}) {
        registry.DeleteValue(RegHive::CurrentUser,
                             std::string(kSuiteKey) + "\\" + std::string(tool) + "\\Settings",
                             "WindowPos");
    }
    registry.DeleteValue(RegHive::CurrentUser, "Software\\Marrowby\\Seekwell\\Settings",
                         "WindowPosmain");
}

}  // namespace quillon
