#include "rename/RenameOptions.h"

#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"

namespace quillon {

namespace {

// A delimiter is one character; a longer stored text keeps its first (a UTF-8 lead byte keeps
// the bytes of its sequence).
std::string FirstCharacter(const std::string& text) {
    if (text.empty()) {
        return text;
    }
    const unsigned char lead = static_cast<unsigned char>(text[0]);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    for (size_t i = 1; i < length; ++i) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            length = 1;
            break;
        }
    }
    return text.substr(0, length);
}

// None of the page values is written back when read.
int ReadInt(const SettingsStore& store, const IntSetting& setting) {
    return store.GetProfileInt(setting.section, setting.entry, setting.defaultValue);
}

}  // namespace

void Page1Options::Load(const SettingsStore& store) {
    mode = ReadInt(store, settings::kPP1MultiRenameOptions);
    prefix = ReadSetting(store, settings::kPP1LastOpt1Prefix);
    suffix = ReadSetting(store, settings::kPP1LastOpt2Suffix);
    digitsIndex = ReadInt(store, settings::kPP1LastOpt1DigitsIndex);
    removeIndex = ReadInt(store, settings::kPP1LastOpt1RemoveIndex);
}

void Page1Options::Save(SettingsStore& store) const {
    WriteSetting(store, settings::kPP1MultiRenameOptions, mode);
    if (mode == 1) {
        WriteSetting(store, settings::kPP1LastOpt2Suffix, suffix);
        return;
    }
    WriteSetting(store, settings::kPP1LastOpt1Prefix, prefix);
    if (mode == 2) {
        WriteSetting(store, settings::kPP1LastOpt1DigitsIndex, digitsIndex);
    } else if (mode == 3) {
        WriteSetting(store, settings::kPP1LastOpt1RemoveIndex, removeIndex);
    }
}

void Page2Options::Load(const SettingsStore& store) {
    mode = ReadInt(store, settings::kPP2MultiRenameOptions);
    prefix = ReadSetting(store, settings::kPP2LastOpt0Prefix);
    extension = ReadSetting(store, settings::kPP2LastOpt7NewExt);
    numberField = ReadSetting(store, settings::kPP2LastNumericSuffix);
}

void Page2Options::Save(SettingsStore& store) const {
    WriteSetting(store, settings::kPP2MultiRenameOptions, mode);
    WriteSetting(store, settings::kPP2LastNumericSuffix, numberField);
    if (mode == 1) {
        WriteSetting(store, settings::kPP2LastOpt7NewExt, extension);
    } else {
        WriteSetting(store, settings::kPP2LastOpt0Prefix, prefix);
    }
}

void Page3Options::Load(const SettingsStore& store) {
    mode = ReadInt(store, settings::kPP3MultiRenameOptions);
    lastText = ReadSetting(store, settings::kPP3LastOpt3Prefix);
    lastCount = ReadInt(store, settings::kPP3LastOpt3LastDelim);
    lastDelimiter = FirstCharacter(ReadSetting(store, settings::kPP3LastLastWordDelim));
    firstText = ReadSetting(store, settings::kPP3LastOpt5Suffix);
    firstCount = ReadInt(store, settings::kPP3LastOpt5FirstDelim);
    firstDelimiter = FirstCharacter(ReadSetting(store, settings::kPP3LastFirstWordDelim));
}

void Page3Options::Save(SettingsStore& store) const {
    WriteSetting(store, settings::kPP3MultiRenameOptions, mode);
    WriteSetting(store, settings::kPP3LastOpt3Prefix, lastText);
    WriteSetting(store, settings::kPP3LastOpt3LastDelim, lastCount);
    WriteSetting(store, settings::kPP3LastLastWordDelim, lastDelimiter);
    WriteSetting(store, settings::kPP3LastOpt5Suffix, firstText);
    WriteSetting(store, settings::kPP3LastOpt5FirstDelim, firstCount);
    WriteSetting(store, settings::kPP3LastFirstWordDelim, firstDelimiter);
}

const std::string& Page4Options::Old() const {
    return mode == 1 ? lastOld : mode == 2 ? allOld : firstOld;
}

const std::string& Page4Options::New() const {
    return mode == 1 ? lastNew : mode == 2 ? allNew : firstNew;
}

void Page4Options::Load(const SettingsStore& store) {
    mode = ReadInt(store, settings::kPP4MultiRenameOptions);
    firstOld = ReadSetting(store, settings::kPP4FirstOldRoot);
    firstNew = ReadSetting(store, settings::kPP4LastOpt4NewRoot);
    lastOld = ReadSetting(store, settings::kPP4LastOldRoot);
    lastNew = ReadSetting(store, settings::kPP4LastOpt6NewRoot);
    allOld = ReadSetting(store, settings::kPP4LastOpt8Old);
    allNew = ReadSetting(store, settings::kPP4LastOpt8New);
}

void Page4Options::Save(SettingsStore& store) const {
    WriteSetting(store, settings::kPP4MultiRenameOptions, mode);
    WriteSetting(store, settings::kPP4FirstOldRoot, firstOld);
    WriteSetting(store, settings::kPP4LastOpt4NewRoot, firstNew);
    WriteSetting(store, settings::kPP4LastOldRoot, lastOld);
    WriteSetting(store, settings::kPP4LastOpt6NewRoot, lastNew);
    WriteSetting(store, settings::kPP4LastOpt8Old, allOld);
    WriteSetting(store, settings::kPP4LastOpt8New, allNew);
}

void Page5Options::Load(const SettingsStore& store) {
    mode = ReadInt(store, settings::kPP5MultiRenameOptions);
    pattern = ReadSetting(store, settings::kPP5Pattern);
    newPattern[0] = ReadSetting(store, settings::kPP5LastOpt1NewPattern);
    newPattern[1] = ReadSetting(store, settings::kPP5LastOpt2NewPattern);
    newPattern[2] = ReadSetting(store, settings::kPP5LastOpt3NewPattern);
}

void Page5Options::Save(SettingsStore& store) const {
    WriteSetting(store, settings::kPP5MultiRenameOptions, mode);
    WriteSetting(store, settings::kPP5Pattern, pattern);
    WriteSetting(store, settings::kPP5LastOpt1NewPattern, newPattern[0]);
    WriteSetting(store, settings::kPP5LastOpt2NewPattern, newPattern[1]);
    WriteSetting(store, settings::kPP5LastOpt3NewPattern, newPattern[2]);
}

void Page6Options::Load(const SettingsStore& store) {
    mode = ReadInt(store, settings::kPP6MultiRenameOptions);
}

void Page6Options::Save(SettingsStore& store) const {
    WriteSetting(store, settings::kPP6MultiRenameOptions, mode);
}

int LoadLastPage(const SettingsStore& store) {
    const int last = ReadInt(store, settings::kLastPP);
    return last >= 0 && last < kRenamePageCount ? last + 1 : 1;
}

void RenameOptions::Load(const SettingsStore& store) {
    lastPage = LoadLastPage(store) - 1;
    page1.Load(store);
    page2.Load(store);
    page3.Load(store);
    page4.Load(store);
    page5.Load(store);
    page6.Load(store);
}

void RenameOptions::SavePage(SettingsStore& store, int page) const {
    switch (page) {
        case 1:
            page1.Save(store);
            break;
        case 2:
            page2.Save(store);
            break;
        case 3:
            page3.Save(store);
            break;
        case 4:
            page4.Save(store);
            break;
        case 5:
            page5.Save(store);
            break;
        case 6:
            page6.Save(store);
            break;
        default:
            return;
    }
    WriteSetting(store, settings::kLastPP, page - 1);
}

}  // namespace quillon
