// Profile settings under HKEY_CURRENT_USER\Software\Marrowby\Quillon\<section>, MRU lists and the
// window placement, on top of the file-backed registry store.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class RegistryStore;

inline constexpr std::string_view kProfileRoot = "Software\\Marrowby\\Quillon";
inline constexpr int kMruMaxCount = 20;

// The ten numbers of Settings\WindowPos: flags, show command, minimised x/y, maximised x/y, and
// the normal rectangle's left, top, right, bottom.
struct WindowPlacement {
    unsigned flags = 0;
    unsigned showCmd = 1;
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};

class SettingsStore {
  public:
    // The registry store must outlive the settings store.
    explicit SettingsStore(RegistryStore& registry);

    // Missing, or stored with another type: the default.
    int GetProfileInt(std::string_view section, std::string_view entry, int defaultValue) const;
    bool WriteProfileInt(std::string_view section, std::string_view entry, int value);
    std::string GetProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue = {}) const;
    bool WriteProfileString(std::string_view section, std::string_view entry,
                            std::string_view value);
    // Deletes Software\Marrowby\Quillon\<section> with its subkeys.
    bool DeleteProfileSection(std::string_view section);

    // keyPath is a full subkey of HKEY_CURRENT_USER, e.g.
    // "Software\\Marrowby\\Quillon\\MRU\\Dir2Open". Returns 0 or the error code of opening the key;
    // entries are appended oldest first.
    int ReadMruList(std::string_view keyPath, std::vector<std::string>& list) const;
    bool AddToMruList(std::string_view keyPath, std::string_view entry,
                      int maxCount = kMruMaxCount);

    // Direct DWORD read that counts as on only when the value exists and is exactly 1.
    bool ReadDirectFlag(std::string_view keyPath, std::string_view valueName) const;

    std::optional<WindowPlacement> LoadWindowPlacement() const;
    void SaveWindowPlacement(const WindowPlacement& placement);

    RegistryStore& Registry() { return registry_; }

  private:
    RegistryStore& registry_;
};

// Parses "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d"; anything but exactly ten numbers is rejected.
std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text);
std::string FormatWindowPlacement(const WindowPlacement& placement);

}  // namespace quillon
