#include "platform/SettingsStore.h"

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "base/AsciiCase.h"
#include "platform/RegistryStore.h"

namespace quillon {
namespace {

// MRU values are read with a name buffer of 10 characters and a data buffer of 520 bytes.
constexpr size_t kMruNameLimit = 9;
constexpr size_t kMruEntryLimit = 259;

std::string SectionKey(std::string_view section) {
    std::string key(kProfileRoot);
    key += '\\';
    key += section;
    return key;
}

// Entries were UTF-16 on their home system, so a character beyond the BMP takes two of the
// 259 units.
size_t Utf16Length(std::string_view text) {
    size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) {
            units += c >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

bool FitsMru(const RegValue& value) {
    return value.type == RegType::String && value.name.size() <= kMruNameLimit &&
           Utf16Length(value.text) <= kMruEntryLimit;
}

std::string MruName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "MRU%.2d", number);
    return name;
}

template <typename T>
bool ParseNumber(std::string_view field, T& out) {
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) {
        field.remove_prefix(1);
    }
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) {
        field.remove_suffix(1);
    }
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
    }
    if (field.empty()) {
        return false;
    }
    auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), out);
    return ec == std::errc() && end == field.data() + field.size();
}

}  // namespace

SettingsStore::SettingsStore(RegistryStore& registry) : registry_(registry) {}

int SettingsStore::GetProfileInt(std::string_view section, std::string_view entry,
                                 int defaultValue) const {
    auto value = registry_.GetValue(RegHive::CurrentUser, SectionKey(section), entry);
    if (!value || value->type != RegType::Dword) {
        return defaultValue;
    }
    return static_cast<int>(value->dword);
}

bool SettingsStore::WriteProfileInt(std::string_view section, std::string_view entry, int value) {
    return registry_.SetDword(RegHive::CurrentUser, SectionKey(section), entry,
                              static_cast<uint32_t>(value));
}

std::string SettingsStore::GetProfileString(std::string_view section, std::string_view entry,
                                            std::string_view defaultValue) const {
    auto value = registry_.GetValue(RegHive::CurrentUser, SectionKey(section), entry);
    if (!value || value->type != RegType::String) {
        return std::string(defaultValue);
    }
    return value->text;
}

bool SettingsStore::WriteProfileString(std::string_view section, std::string_view entry,
                                       std::string_view value) {
    return registry_.SetString(RegHive::CurrentUser, SectionKey(section), entry, value);
}

bool SettingsStore::DeleteProfileSection(std::string_view section) {
    return registry_.DeleteKey(RegHive::CurrentUser, SectionKey(section));
}

int SettingsStore::ReadMruList(std::string_view keyPath, std::vector<std::string>& list) const {
    bool exists = false;
    std::vector<RegValue> values =
        registry_.EnumValues(RegHive::CurrentUser, keyPath, RegView::Default, &exists);
    if (!exists) {
        return ENOENT;
    }
    for (const RegValue& value : values) {
        if (FitsMru(value)) {
            list.push_back(value.text);
        }
    }
    return 0;
}

bool SettingsStore::AddToMruList(std::string_view keyPath, std::string_view entry, int maxCount) {
    // A longer entry could not be read back whole, and a cut path names another folder.
    if (Utf16Length(entry) > kMruEntryLimit) {
        return false;
    }
    if (maxCount < 1) {
        maxCount = 1;
    }
    const std::string key(keyPath);
    bool valid = true;
    // The whole read-drop-rewrite runs on the freshest file under the lock, so an entry added by
    // another instance meanwhile is kept.
    bool written = registry_.Modify(RegHive::CurrentUser, [&](RegHiveData& data) {
        std::vector<std::string> kept;
        int existing = data.FindKey(key);
        if (existing != RegHiveData::kNoKey) {
            for (const RegValue& value : data.Values(existing)) {
                if (FitsMru(value) && !EqualsNoCase(value.text, entry)) {
                    kept.push_back(value.text);
                }
            }
            data.DeleteKey(key);
        }
        int k = data.CreateKey(key);
        if (k == RegHiveData::kNoKey) {
            valid = false;
            return false;
        }
        size_t first = kept.size() >= static_cast<size_t>(maxCount) ? 1 : 0;
        int number = 1;
        for (size_t i = first; i < kept.size() && number < maxCount; ++i, ++number) {
            data.SetValue(k, RegValue{MruName(number), RegType::String, 0, kept[i]});
        }
        data.SetValue(k, RegValue{MruName(number), RegType::String, 0, std::string(entry)});
        return true;
    });
    return written && valid;
}

bool SettingsStore::ReadDirectFlag(std::string_view keyPath, std::string_view valueName) const {
    auto value = registry_.GetValue(RegHive::CurrentUser, keyPath, valueName);
    return value && value->type == RegType::Dword && value->dword == 1;
}

std::optional<WindowPlacement> SettingsStore::LoadWindowPlacement() const {
    std::string text = GetProfileString("Settings", "WindowPos", "");
    if (text.empty()) {
        return std::nullopt;
    }
    return ParseWindowPlacement(text);
}

void SettingsStore::SaveWindowPlacement(const WindowPlacement& placement) {
    WindowPlacement stored = placement;
    stored.flags = 0;
    WriteProfileString("Settings", "WindowPos", FormatWindowPlacement(stored));
}

std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        fields.push_back(
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
        if (comma == std::string_view::npos || fields.size() > 10) {
            break;
        }
        start = comma + 1;
    }
    if (fields.size() != 10) {
        return std::nullopt;
    }
    WindowPlacement p;
    int* ints[] = {&p.minX, &p.minY, &p.maxX, &p.maxY, &p.left, &p.top, &p.right, &p.bottom};
    if (!ParseNumber(fields[0], p.flags) || !ParseNumber(fields[1], p.showCmd)) {
        return std::nullopt;
    }
    for (size_t i = 0; i < 8; ++i) {
        if (!ParseNumber(fields[i + 2], *ints[i])) {
            return std::nullopt;
        }
    }
    return p;
}

std::string FormatWindowPlacement(const WindowPlacement& p) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCmd,
                  p.minX, p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom);
    return buffer;
}

}  // namespace quillon
