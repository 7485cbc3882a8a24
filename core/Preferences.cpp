#include "core/Preferences.h"

namespace quillon {

namespace {

constexpr int kChecksumNone = 0;
constexpr int kChecksumFull = 1;
constexpr int kChecksumSimple = 2;

int ColumnsPerSide(const PreferenceValues& values) {
    return 1 + int(values.fileVersion) + int(values.fileTimestamp) + int(values.fileSize);
}

}  // namespace

PreferencesForm FillPreferencesForm(const PreferenceValues& values) {
    PreferencesForm form;
    form.showVersion = values.fileVersion;
    form.productVersion = values.displayProductVer;
    form.showTimestamp = values.fileTimestamp;
    form.detailTimestamp = values.detailTimestamp;
    form.showSize = values.fileSize;
    form.compareTimestamp = values.compareTimestamp;
    form.compareChecksum = values.crc32 != kChecksumNone;
    form.simplifiedChecksum = values.crc32 == kChecksumSimple;
    form.skipIfBig = values.crc32SkipIfBig;
    form.sizeToSkipMBytes = values.crc32SizeToSkipMBytes;
    return form;
}

std::optional<uint32_t> ParseSizeToSkip(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return std::nullopt;
    }
    size_t end = text.find_last_not_of(" \t");
    text = text.substr(begin, end - begin + 1);
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + uint64_t(c - '0');
        // Checked per digit so that no length of input can wrap the accumulator.
        if (value > kMaxSizeToSkipMBytes) {
            return std::nullopt;
        }
    }
    if (value < 1) {
        return std::nullopt;
    }
    return uint32_t(value);
}

PreferencesOutcome ApplyPreferencesForm(const PreferencesForm& form, PreferenceValues& values) {
    int mode = kChecksumNone;
    if (form.compareChecksum) {
        mode = form.simplifiedChecksum ? kChecksumSimple : kChecksumFull;
        values.crc32SkipIfBig = form.skipIfBig;
        if (form.skipIfBig) {
            values.crc32SizeToSkipMBytes = form.sizeToSkipMBytes;
        }
    }

    PreferencesOutcome outcome;
    outcome.comparisonChanged = form.compareTimestamp != values.compareTimestamp ||
                                form.showVersion != values.fileVersion ||
                                form.productVersion != values.displayProductVer ||
                                mode != values.crc32;
    outcome.columnsChanged =
        form.showVersion != values.fileVersion || form.showTimestamp != values.fileTimestamp ||
        form.showSize != values.fileSize || form.detailTimestamp != values.detailTimestamp;

    values.crc32 = mode;
    values.fileVersion = form.showVersion;
    values.displayProductVer = form.productVersion;
    values.fileTimestamp = form.showTimestamp;
    values.detailTimestamp = form.detailTimestamp;
    values.fileSize = form.showSize;
    values.compareTimestamp = form.compareTimestamp;

    outcome.columnsPerSide = ColumnsPerSide(values);
    outcome.columnCount = 2 * outcome.columnsPerSide;
    return outcome;
}

}  // namespace quillon
