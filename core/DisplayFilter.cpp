#include "core/DisplayFilter.h"

#include <algorithm>
#include <cctype>

#include "base/AsciiCase.h"
#include "platform/Prompter.h"
#include "platform/SettingsStore.h"

namespace quillon {
namespace {

std::string Trim(std::string_view text) {
    auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string WithoutSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ') {
            out.push_back(c);
        }
    }
    return out;
}

std::string FirstEntry(const SettingsStore& settings, std::string_view key) {
    std::vector<std::string> list;
    settings.ReadMruList(key, list);
    return list.empty() ? std::string() : list.front();
}

std::string NewestEntry(const SettingsStore& settings, std::string_view key) {
    std::vector<std::string> list;
    settings.ReadMruList(key, list);
    return list.empty() ? std::string() : list.back();
}

std::vector<std::string> Choices(const SettingsStore& settings, std::string_view key) {
    std::vector<std::string> list;
    settings.ReadMruList(key, list);
    if (list.empty()) {
        list.emplace_back();
    }
    return list;
}

void MoveToTop(std::vector<std::string>& choices, const std::string& text) {
    choices.erase(std::remove(choices.begin(), choices.end(), text), choices.end());
    choices.insert(choices.begin(), text);
}

// An inclusion or exclusion bit without a list means no extension filter at all.
void TakeExtensionList(uint32_t& flags, std::string& extensions, uint32_t bit,
                       const std::string& list) {
    extensions = list;
    if (extensions.empty()) {
        flags = (flags & ~bit) | FilterState::kNoExtensionFilter;
    } else {
        extensions = NormaliseFilterExtensions(extensions);
    }
}

}  // namespace

std::string NormaliseFilterExtensions(std::string_view list) {
    std::string out;
    out.reserve(list.size() + 2);
    for (char c : list) {
        if (c == ' ') {
            continue;
        }
        out.push_back(c == ',' ? ';' : FoldAsciiChar(c));
    }
    // A list that is already normalised keeps its single semicolons, so that applying the dialog
    // again without a new list does not grow it.
    if (out.empty() || out.front() != ';') {
        out.insert(out.begin(), ';');
    }
    if (out.size() == 1 || out.back() != ';') {
        out.push_back(';');
    }
    return out;
}

std::string FilterWindowTitle(bool filterActive) {
    std::string title = kMainTitle;
    if (filterActive) {
        title += kFilteredTitleSuffix;
    }
    return title;
}

FilterState StartupFilterState(const SettingsStore& settings) {
    FilterState state;
    state.filterFlags = static_cast<uint32_t>(
        settings.GetProfileInt(settings::kFilterFlags.section, settings::kFilterFlags.entry,
                               settings::kFilterFlags.defaultValue));
    state.filterActive = (state.filterFlags & kFilterDifferenceBits) != 0;
    state.expandAll =
        settings.GetProfileInt(settings::kFilterExpandAll.section, settings::kFilterExpandAll.entry,
                               settings::kFilterExpandAll.defaultValue) == 1;
    if (!state.filterActive) {
        return state;
    }
    const bool inclusion = (state.filterFlags & FilterState::kInclusion) != 0;
    if (!inclusion && !(state.filterFlags & FilterState::kExclusion)) {
        return state;
    }
    // Nothing in the program writes the defaults' own lists; "Save current settings as default"
    // records the list it saved as the dialog's newest entry, so that is the one the user saved.
    std::string list =
        FirstEntry(settings, inclusion ? kDefaultsInclusionMru : kDefaultsExclusionMru);
    if (list.empty()) {
        list = NewestEntry(settings, inclusion ? kDialogInclusionMru : kDialogExclusionMru);
    }
    TakeExtensionList(state.filterFlags, state.filterExtensions,
                      inclusion ? FilterState::kInclusion : FilterState::kExclusion, list);
    return state;
}

bool ReadWholeTreesAfterFilter(const FilterState& filter, bool pairOpened) {
    return filter.filterActive && filter.expandAll && pairOpened;
}

FilterDialog::FilterDialog(SettingsStore& settings, Prompter& prompter, FilterState& filter,
                           bool& useDilutedColor, bool* readWholeTrees)
    : settings_(settings),
      prompter_(prompter),
      filter_(filter),
      useDilutedColor_(useDilutedColor),
      readWholeTrees_(readWholeTrees) {}

void FilterDialog::Open() {
    dialogFlags = static_cast<uint32_t>(settings_.GetProfileInt(
        settings::kFilterDialogFlags.section, settings::kFilterDialogFlags.entry,
        settings::kFilterDialogFlags.defaultValue));
    dialogFilterActive = (dialogFlags & kFilterDifferenceBits) != 0;
    dialogExpandAll = settings_.GetProfileInt(settings::kFilterDialogExpandAll.section,
                                              settings::kFilterDialogExpandAll.entry,
                                              settings::kFilterDialogExpandAll.defaultValue) == 1;
    dialogExtensions.clear();
    if (dialogFilterActive) {
        if (dialogFlags & FilterState::kInclusion) {
            TakeExtensionList(dialogFlags, dialogExtensions, FilterState::kInclusion,
                              FirstEntry(settings_, kDialogInclusionMru));
        } else if (dialogFlags & FilterState::kExclusion) {
            TakeExtensionList(dialogFlags, dialogExtensions, FilterState::kExclusion,
                              FirstEntry(settings_, kDialogExclusionMru));
        }
    }

    fields = FilterDialogFields{};
    if (dialogFilterActive) {
        fields.displayOption = (dialogFlags & FilterState::kDiffersOnBothSides) ? 1 : 2;
        if (dialogFlags & FilterState::kNoExtensionFilter) {
            fields.extensionOption = 0;
        } else if (dialogFlags & FilterState::kInclusion) {
            fields.extensionOption = 1;
        } else {
            fields.extensionOption = 2;
        }
    }
    fields.expandAllCheck = dialogExpandAll;
    fields.dilutedCheck = useDilutedColor_;
    fields.inclusionChoices = Choices(settings_, kDialogInclusionMru);
    fields.exclusionChoices = Choices(settings_, kDialogExclusionMru);
    fields.inclusionText = fields.inclusionChoices.front();
    fields.exclusionText = fields.exclusionChoices.front();
}

bool FilterDialog::ApplyFilterDialog() {
    FilterDialogFields next = fields;
    FilterState state = filter_;
    next.inclusionText = Trim(next.inclusionText);
    next.exclusionText = Trim(next.exclusionText);
    state.expandAll = next.expandAllCheck;

    struct ListChoice {
        std::string* text;
        std::vector<std::string>* choices;
        std::string_view mruKey;
        const char* emptyMessage;
    };
    const ListChoice lists[2] = {
        {&next.inclusionText, &next.inclusionChoices, kDialogInclusionMru, kEmptyInclusionMessage},
        {&next.exclusionText, &next.exclusionChoices, kDialogExclusionMru, kEmptyExclusionMessage},
    };
    if (next.extensionOption == 1 || next.extensionOption == 2) {
        const ListChoice& list = lists[next.extensionOption - 1];
        if (list.text->empty()) {
            PromptRequest request;
            request.text = list.emptyMessage;
            request.style = mb::kOk | mb::kIconStop;
            prompter_.Ask(request);
            return false;
        }
        *list.text = WithoutSpaces(*list.text);
        settings_.AddToMruList(list.mruKey, *list.text, kFilterMruMaxCount);
        MoveToTop(*list.choices, *list.text);
        state.filterExtensions = *list.text;
    }
    if (!state.filterExtensions.empty()) {
        state.filterExtensions = NormaliseFilterExtensions(state.filterExtensions);
    }

    state.filterActive = true;
    state.filterFlags = 0;
    switch (next.displayOption) {
        case 1:
            state.filterFlags = FilterState::kDiffersOnBothSides;
            break;
        case 2:
            state.filterFlags = FilterState::kDiffersAnyWay;
            break;
        default:
            state.filterActive = false;
            if (readWholeTrees_) {
                *readWholeTrees_ = false;
            }
            break;
    }
    static constexpr uint32_t kExtensionBits[3] = {
        FilterState::kNoExtensionFilter, FilterState::kInclusion, FilterState::kExclusion};
    if (next.extensionOption >= 0 && next.extensionOption <= 2) {
        state.filterFlags |= kExtensionBits[next.extensionOption];
    }

    fields = std::move(next);
    filter_ = std::move(state);
    useDilutedColor_ = fields.dilutedCheck;
    return true;
}

bool FilterDialog::OnOk() {
    if (!ApplyFilterDialog()) {
        return false;
    }
    WriteDialogState();
    return true;
}

bool FilterDialog::OnSaveAsDefault() {
    if (!ApplyFilterDialog()) {
        return false;
    }
    WriteDialogState();
    WriteDefaults();
    return true;
}

void FilterDialog::OnReset() {
    fields.inclusionText.clear();
    fields.exclusionText.clear();
    fields.displayOption = 0;
    fields.extensionOption = 0;
    fields.expandAllCheck = false;
    dialogFilterActive = false;
    dialogFlags = 0;
    dialogExpandAll = false;
    filter_.filterActive = false;
    filter_.filterFlags = 0;
    filter_.expandAll = false;
    OnSaveAsDefault();
}

void FilterDialog::WriteDialogState() {
    WriteSetting(settings_, settings::kFilterDialogFlags, static_cast<int>(filter_.filterFlags));
    WriteSetting(settings_, settings::kFilterDialogExpandAll, filter_.expandAll ? 1 : 0);
}

void FilterDialog::WriteDefaults() {
    WriteSetting(settings_, settings::kFilterFlags, static_cast<int>(filter_.filterFlags));
    WriteSetting(settings_, settings::kFilterExpandAll, filter_.expandAll ? 1 : 0);
    WriteSetting(settings_, settings::kFilterUseDilutedColor, useDilutedColor_ ? 1 : 0);
}

}  // namespace quillon
