// Finding the sibling tools: their App Paths registration in the machine hive first, then the
// programs that stand in for them on Linux, searched on PATH.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The registered names of the sibling tools: the text diff editor and the viewer.
inline constexpr char kEditorExe[] = "Scrivlet.exe";
inline constexpr char kViewerExe[] = "Panorel.exe";

class RegistryStore;

inline constexpr std::string_view kAppPathsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

enum class RegistryLookup { kFound, kNoKey, kNoValue };
// Reads one REG_SZ value of HKEY_LOCAL_MACHINE; "" names the key's default value.
using MachineValueReader = std::function<RegistryLookup(
    std::string_view keyPath, std::string_view valueName, std::string& value)>;

// Reads HKEY_LOCAL_MACHINE values from `store`, which must outlive the reader.
MachineValueReader MachineValuesOf(const RegistryStore& store);

// The programs that take a sibling tool's place on Linux, in order of preference; empty for a
// tool without a counterpart. `exe` is compared without regard to case ("Scrivlet.exe").
std::vector<std::string> LinuxCounterparts(std::string_view exe);

// The first executable regular file named `name` in the ':'-separated `searchPath`; an empty
// element means the current folder. A name with a '/' is taken as it is.
std::string FindOnSearchPath(std::string_view name, std::string_view searchPath);

class ToolLocator {
  public:
    // `searchPath` is normally the process's PATH.
    ToolLocator(MachineValueReader reader, std::string searchPath);

    // Full path of the tool, or empty when it is neither registered nor found. Registration
    // failures are logged with the tool's name ("Scrivlet not registered.").
    std::string LocateTool(std::string_view exe) const;

  private:
    MachineValueReader reader_;
    std::string searchPath_;
};

// LocateTool on `store` and this process's PATH (a usual default when PATH is unset).
std::string LocateTool(const RegistryStore& store, std::string_view exe);
// The current RunContext's lookup, by default the one above on its registry store.
std::string LocateTool(std::string_view exe);

}  // namespace quillon
