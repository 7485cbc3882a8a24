#include "reports/ReportOptions.h"

#include <sys/stat.h>

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

int LoadInt(SettingsStore& settings, std::string_view entry, int defaultValue) {
    int value = settings.GetProfileInt(kOutputFormatSection, entry, defaultValue);
    settings.WriteProfileInt(kOutputFormatSection, entry, value);
    return value;
}

// A check box is on only for a stored 1; any other number, 2 included, is off.
bool LoadCheck(SettingsStore& settings, std::string_view entry) {
    return LoadInt(settings, entry, 1) == 1;
}

std::string LoadString(SettingsStore& settings, std::string_view entry) {
    std::string value = settings.GetProfileString(kOutputFormatSection, entry, "");
    settings.WriteProfileString(kOutputFormatSection, entry, value);
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

void ReportOptions::Load(SettingsStore& settings) {
    outputDiffOption = LoadInt(settings, "OutputDiffOption", 0);
    outputEncoding = ClampEncoding(LoadInt(settings, "OutputEncoding", 0));
    filenameOption = LoadInt(settings, "FilenameOption", 0);
    versionColumn = LoadCheck(settings, "VersionColumn");
    versionLabel = LoadCheck(settings, "VersionLabel");
    timeColumn = LoadCheck(settings, "TimeColumn");
    timeLabel = LoadCheck(settings, "TimeLabel");
    hhmmss = LoadCheck(settings, "hhmmss");
    sizeColumn = LoadCheck(settings, "SizeColumn");
    sizeLabel = LoadCheck(settings, "SizeLabel");
    bytesLabel = LoadCheck(settings, "bBytesLabel");
    diffStatLabel = LoadCheck(settings, "bDiffStatLabel");
    outputPath = LoadString(settings, "OutputPath");
    outputFile = LoadString(settings, "OutputFile");
    if (!IsExistingFolder(outputPath)) {
        outputFile.clear();
    }
}

void ReportOptions::Save(SettingsStore& settings) const {
    auto put = [&settings](std::string_view entry, int value) {
        settings.WriteProfileInt(kOutputFormatSection, entry, value);
    };
    put("OutputDiffOption", outputDiffOption);
    put("OutputEncoding", ClampEncoding(outputEncoding));
    put("FilenameOption", filenameOption);
    put("VersionColumn", versionColumn);
    put("VersionLabel", versionLabel);
    put("TimeColumn", timeColumn);
    put("TimeLabel", timeLabel);
    put("hhmmss", hhmmss);
    put("SizeColumn", sizeColumn);
    put("SizeLabel", sizeLabel);
    put("bBytesLabel", bytesLabel);
    put("bDiffStatLabel", diffStatLabel);
    settings.WriteProfileString(kOutputFormatSection, "OutputPath", outputPath);
    settings.WriteProfileString(kOutputFormatSection, "OutputFile", outputFile);
}

}  // namespace quillon
