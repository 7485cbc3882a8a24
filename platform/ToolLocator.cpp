#include "platform/ToolLocator.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "base/AsciiCase.h"
#include "platform/FileText.h"
#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/RunContext.h"

namespace quillon {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The registered path in its canonical form, the counterpart of a long Windows path name.
std::string Canonical(const std::string& path) {
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer) != nullptr) {
        return buffer;
    }
    return path;
}

}  // namespace

std::vector<std::string> LinuxCounterparts(std::string_view exe) {
    const std::string name = FoldAscii(exe);
    if (name == "scrivlet.exe") {
        return {"meld", "kdiff3", "kompare", "diffuse"};
    }
    if (name == "panorel.exe") {
        return {"xdg-open"};
    }
    if (name == "nybblet.exe") {
        return {"vbindiff", "dhex"};
    }
    if (name == "seekwell.exe") {
        return {"catfish", "fsearch"};
    }
    return {};
}

std::string FindOnSearchPath(std::string_view name, std::string_view searchPath) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string_view::npos) {
        return IsExecutableFile(std::string(name)) ? std::string(name) : std::string();
    }
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos) {
            end = searchPath.size();
        }
        std::string dir(searchPath.substr(start, end - start));
        if (dir.empty()) {
            dir = ".";
        }
        std::string candidate = dir + "/" + std::string(name);
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

ToolLocator::ToolLocator(MachineValueReader reader, std::string searchPath)
    : reader_(std::move(reader)), searchPath_(std::move(searchPath)) {}

std::string ToolLocator::LocateTool(std::string_view exe) const {
    std::string tool(exe);
    const size_t dot = tool.rfind('.');
    const std::string display = dot == std::string::npos ? tool : tool.substr(0, dot);
    std::string value;
    const RegistryLookup found = reader_
                                     ? reader_(std::string(kAppPathsKey) + "\\" + tool, "", value)
                                     : RegistryLookup::kNoKey;
    if (found == RegistryLookup::kNoKey) {
        LogError(ENOENT, "%s not registered.", display.c_str());
    } else if (found == RegistryLookup::kNoValue || value.empty() || !PathExistsLoose(value)) {
        LogError(ENOENT, "%s val doesn't exist.", display.c_str());
    } else {
        return Canonical(value);
    }
    for (const std::string& counterpart : LinuxCounterparts(exe)) {
        std::string path = FindOnSearchPath(counterpart, searchPath_);
        if (!path.empty()) {
            return path;
        }
    }
    return {};
}

MachineValueReader MachineValuesOf(const RegistryStore& store) {
    return [&store](std::string_view key, std::string_view name, std::string& value) {
        if (!store.KeyExists(RegHive::LocalMachine, key)) {
            return RegistryLookup::kNoKey;
        }
        const std::optional<RegValue> found = store.GetValue(RegHive::LocalMachine, key, name);
        if (!found || found->type != RegType::String) {
            return RegistryLookup::kNoValue;
        }
        value = found->text;
        return RegistryLookup::kFound;
    };
}

std::string LocateTool(const RegistryStore& store, std::string_view exe) {
    const char* path = std::getenv("PATH");
    const ToolLocator locator(MachineValuesOf(store),
                              path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    return locator.LocateTool(exe);
}

std::string LocateTool(std::string_view exe) {
    RunContext& context = RunContext::Current();
    return context.locateTool ? context.locateTool(exe) : LocateTool(context.Registry(), exe);
}

}  // namespace quillon
