// The display filter dialog as logic: its opening state, validation, the flag word it writes,
// the stored defaults and the extension lists it remembers. The Qt dialog only copies
// FilterDialogFields to and from its controls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/FilterState.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"

namespace quillon {

class Prompter;
class SettingsStore;

inline constexpr uint32_t kFilterDifferenceBits = 0xF00;

inline constexpr std::string_view kFilterDialogSection = settings::kFilterDialog;
inline constexpr std::string_view kFilterDefaultsSection = settings::kFilter;
inline constexpr std::string_view kDialogInclusionMru = settings::kMruFilterDialogInclusion;
inline constexpr std::string_view kDialogExclusionMru = settings::kMruFilterDialogExclusion;
inline constexpr std::string_view kDefaultsInclusionMru = settings::kMruFilterInclusion;
inline constexpr std::string_view kDefaultsExclusionMru = settings::kMruFilterExclusion;
inline constexpr int kFilterMruMaxCount = kMruMaxCount;

inline constexpr const char* kMainTitle = "Quillon";
inline constexpr const char* kFilteredTitleSuffix = " - Filtered View";
inline constexpr const char* kEmptyInclusionMessage =
    "Although you select \"Display the files with the specified file-extensions. (Inclusion)\"\n"
    "the file-extension field is empty.";
inline constexpr const char* kEmptyExclusionMessage =
    "Although you select \"Do not display the files with the specified file-extensions. "
    "(Exclusion)\"\nthe file-extension field is empty.";

// Lower case, spaces removed, commas turned into semicolons, one semicolon at each end:
// "txt, Doc" becomes ";txt;doc;".
std::string NormaliseFilterExtensions(std::string_view list);

// The main window's title for the filter state.
std::string FilterWindowTitle(bool filterActive);

// The filter in force at start-up, from the stored defaults. An inclusion or exclusion default
// takes its list from the defaults' own list when one exists, else from the list most recently
// used in the dialog; without any list it falls back to no extension filter.
FilterState StartupFilterState(const SettingsStore& settings);

// Whole trees are read only with an active filter, expand-all and an opened pair (after the
// dialog's OK, ".." and a new root: the right side was the last one opened).
bool ReadWholeTreesAfterFilter(const FilterState& filter, bool pairOpened);

// The controls of the dialog.
struct FilterDialogFields {
    // 0 filter off, 1 files different on both sides, 2 files different in any way.
    int displayOption = 0;
    // 0 all extensions, 1 inclusion, 2 exclusion.
    int extensionOption = 0;
    std::string inclusionText;
    std::string exclusionText;
    // The two combo boxes' entries, top first.
    std::vector<std::string> inclusionChoices;
    std::vector<std::string> exclusionChoices;
    bool expandAllCheck = false;
    bool dilutedCheck = true;
};

class FilterDialog {
  public:
    // `filter` and `useDilutedColor` are the application's and the view's state; they change
    // only when the dialog applies successfully. `readWholeTrees` (may be null) is cleared when
    // the filter is switched off.
    FilterDialog(SettingsStore& settings, Prompter& prompter, FilterState& filter,
                 bool& useDilutedColor, bool* readWholeTrees = nullptr);

    // Reads the stored dialog state and the two lists into the fields.
    void Open();
    // The extension choices, both lists and the expand-all box follow the display option.
    bool ExtensionControlsEnabled() const { return fields.displayOption != 0; }

    // Validates the fields and copies them into the application state. False (after the error
    // message) when the chosen list is empty; the fields and the state are then left alone.
    bool ApplyFilterDialog();
    // True when the dialog may close.
    bool OnOk();
    bool OnSaveAsDefault();
    void OnReset();

    FilterDialogFields fields;
    bool dialogFilterActive = false;
    uint32_t dialogFlags = 0;
    std::string dialogExtensions;
    bool dialogExpandAll = false;

  private:
    void WriteDialogState();
    void WriteDefaults();

    SettingsStore& settings_;
    Prompter& prompter_;
    FilterState& filter_;
    bool& useDilutedColor_;
    bool* readWholeTrees_;
};

}  // namespace quillon
