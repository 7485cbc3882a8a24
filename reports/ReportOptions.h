// The options of the text report, as kept in the OutputFormat section of the settings store.
#pragma once

#include <string>
#include <string_view>

#include "platform/SettingsCatalogue.h"

namespace quillon {

class SettingsStore;

inline constexpr std::string_view kOutputFormatSection = settings::kOutputFormat;

inline constexpr int kReportContentCount = 8;
inline constexpr int kReportEncodingCount = 4;
inline constexpr int kReportFileNameStyleCount = 3;

// Combo box texts, indexed by content index, encoding and file-name style.
extern const char* const kReportContentTexts[kReportContentCount];
extern const char* const kReportEncodingTexts[kReportEncodingCount];
extern const char* const kReportFileNameStyleTexts[kReportFileNameStyleCount];

// Content and layout index: even indexes are the normal-text layout, odd ones the spreadsheet.
inline bool IsSpreadsheetIndex(int contentIndex) {
    return (contentIndex & 1) != 0;
}

struct ReportOptions {
    int outputDiffOption = 0;
    int outputEncoding = 0;
    int filenameOption = 0;
    bool versionColumn = true;
    bool versionLabel = true;
    bool timeColumn = true;
    bool timeLabel = true;
    bool hhmmss = true;
    bool sizeColumn = true;
    bool sizeLabel = true;
    bool bytesLabel = true;
    bool diffStatLabel = true;
    std::string outputPath;
    std::string outputFile;

    // Reads every value with its default and writes it straight back, so that the section always
    // holds the whole set; clears `outputFile` when `outputPath` is not an existing folder.
    void Load(SettingsStore& store);
    // Writes every value; the encoding is clamped to the four known ones.
    void Save(SettingsStore& store) const;

    // The label texts that the check boxes switch on; empty when off.
    std::string VersionLabelText() const { return versionLabel ? "Version: " : ""; }
    std::string TimeLabelText() const { return timeLabel ? "Time: " : ""; }
    std::string SizeLabelText() const { return sizeLabel ? "Size: " : ""; }
    std::string BytesLabelText() const { return bytesLabel ? " bytes" : ""; }
    int ColumnCount() const { return int(versionColumn) + int(timeColumn) + int(sizeColumn); }
};

}  // namespace quillon
