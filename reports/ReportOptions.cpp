#include "reports/ReportOptions.h"

#include <sys/stat.h>

#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"

namespace quillon {

const char* const kReportContentTexts[kReportContentCount] = {
    "Only differences (normal text)",
    "Only differences (spreadsheet format)",
    "Files only in Left-view (normal text)",
    "Files only in Left-view (spreadsheet format)",
    "Files only in Right-view (normal text)",
    "Files only in Right-view (spreadsheet format)",
    "All (normal text)",
    "All (spreadsheet format)",
};

const char* const kReportEncodingTexts[kReportEncodingCount] = {"ANSI", "Unicode",
                                                                "Unicode Big Endian", "UTF8"};

const char* const kReportFileNameStyleTexts[kReportFileNameStyleCount] = {
    "Folder-name and file-name in separate line with folder-symbols \\ and .",
    "Folder-name and file-name in separate line without folder-symbols",
    "Fullpath file-name",
};

namespace {

int LoadInt(SettingsStore& store, const IntSetting& setting) {
    int value = store.GetProfileInt(setting.section, setting.entry, setting.defaultValue);
    store.WriteProfileInt(setting.section, setting.entry, value);
    return value;
}

// A check box is on only for a stored 1; any other number, 2 included, is off.
bool LoadCheck(SettingsStore& store, const IntSetting& setting) {
    return LoadInt(store, setting) == 1;
}

std::string LoadString(SettingsStore& store, const StringSetting& setting) {
    std::string value =
        store.GetProfileString(setting.section, setting.entry, setting.defaultValue);
    store.WriteProfileString(setting.section, setting.entry, value);
    return value;
}

bool IsExistingFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int ClampEncoding(int value) {
    return value >= 0 && value < kReportEncodingCount ? value : 0;
}

}  // namespace

void ReportOptions::Load(SettingsStore& store) {
    outputDiffOption = LoadInt(store, settings::kOutputDiffOption);
    outputEncoding = ClampEncoding(LoadInt(store, settings::kOutputEncoding));
    filenameOption = LoadInt(store, settings::kFilenameOption);
    versionColumn = LoadCheck(store, settings::kVersionColumn);
    versionLabel = LoadCheck(store, settings::kVersionLabel);
    timeColumn = LoadCheck(store, settings::kTimeColumn);
    timeLabel = LoadCheck(store, settings::kTimeLabel);
    hhmmss = LoadCheck(store, settings::kHhmmss);
    sizeColumn = LoadCheck(store, settings::kSizeColumn);
    sizeLabel = LoadCheck(store, settings::kSizeLabel);
    bytesLabel = LoadCheck(store, settings::kBytesLabel);
    diffStatLabel = LoadCheck(store, settings::kDiffStatLabel);
    outputPath = LoadString(store, settings::kOutputFormatPath);
    outputFile = LoadString(store, settings::kOutputFormatFile);
    if (!IsExistingFolder(outputPath)) {
        outputFile.clear();
    }
}

void ReportOptions::Save(SettingsStore& store) const {
    WriteSetting(store, settings::kOutputDiffOption, outputDiffOption);
    WriteSetting(store, settings::kOutputEncoding, ClampEncoding(outputEncoding));
    WriteSetting(store, settings::kFilenameOption, filenameOption);
    WriteSetting(store, settings::kVersionColumn, versionColumn);
    WriteSetting(store, settings::kVersionLabel, versionLabel);
    WriteSetting(store, settings::kTimeColumn, timeColumn);
    WriteSetting(store, settings::kTimeLabel, timeLabel);
    WriteSetting(store, settings::kHhmmss, hhmmss);
    WriteSetting(store, settings::kSizeColumn, sizeColumn);
    WriteSetting(store, settings::kSizeLabel, sizeLabel);
    WriteSetting(store, settings::kBytesLabel, bytesLabel);
    WriteSetting(store, settings::kDiffStatLabel, diffStatLabel);
    WriteSetting(store, settings::kOutputFormatPath, outputPath);
    WriteSetting(store, settings::kOutputFormatFile, outputFile);
}

}  // namespace quillon
