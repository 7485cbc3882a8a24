// "Preferences" (F6): the list font, the four status colours, the optional columns and the
// comparison rules of the main view.
#pragma once

#include <QDialog>
#include <QFont>
#include <functional>
#include <memory>
#include <optional>

#include "core/Preferences.h"
#include "ui/ViewSettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class Prompter;
class SettingsStore;

// A colour equal to this is drawn with the default colours instead.
inline constexpr uint32_t kColorNotSet = 9999;

// Colours are kept as 0x00BBGGRR.
QColor ColorFromRef(uint32_t colorRef);
uint32_t ColorRefFromColor(const QColor& color);
// The list font of the settings: a negative size is the character height in pixels, a positive
// one the cell height.
QFont ListFontFromSettings(const ViewSettings& settings);
// Records the font's face and its height as a negative character height in pixels.
void RecordListFont(const QFont& font, ViewSettings& settings);
// "WIDTH_TIME" and "WIDTH_EXTRATIME" measured in the list font.
void MeasureTimestampWidths(const QFont& listFont, ViewSettings& settings);

// The view's values that the check boxes edit, and back.
PreferenceValues PreferenceValuesOf(const ViewSettings& settings);
void StorePreferenceValues(const PreferenceValues& values, ViewSettings& settings);
// Writes everything the dialog edits, the log switch and the column widths.
void SavePreferences(SettingsStore& store, const ViewSettings& settings);

inline constexpr int kColorSlotCount = 4;
// The four sample texts, in the order same, different, left-only, right-only.
extern const char* const kColorSampleTexts[kColorSlotCount];

class COptionsChange : public QDialog {
    Q_OBJECT

  public:
    using ColorChooser = std::function<std::optional<QColor>(const QColor& current, QWidget*)>;
    using FontChooser = std::function<std::optional<QFont>(const QFont& current, QWidget*)>;

    // Colours and the font are written into `settings` as soon as they are chosen (they stay in
    // effect after Cancel); the check boxes only on OK. The range message goes to `prompter`.
    COptionsChange(QWidget* parent, ViewSettings& settings, Prompter& prompter);
    ~COptionsChange() override;

    void SetColorChooser(ColorChooser chooser) { colorChooser_ = std::move(chooser); }
    void SetFontChooser(FontChooser chooser) { fontChooser_ = std::move(chooser); }

    const PreferencesOutcome& Outcome() const { return outcome_; }
    const QFont& ListFont() const { return listFont_; }

    void ChooseColor(int slot);
    void ChooseFont();

    QCheckBox* VersionBox() const { return versionBox_; }
    QCheckBox* ProductVersionBox() const { return productVersionBox_; }
    QCheckBox* TimestampBox() const { return timestampBox_; }
    QCheckBox* DetailTimestampBox() const { return detailTimestampBox_; }
    QCheckBox* SizeBox() const { return sizeBox_; }
    QCheckBox* CompareTimestampBox() const { return compareTimestampBox_; }
    QCheckBox* ChecksumBox() const { return checksumBox_; }
    QCheckBox* SimplifiedBox() const { return simplifiedBox_; }
    QCheckBox* SkipBox() const { return skipBox_; }
    QLineEdit* SizeField() const { return sizeField_; }
    QLabel* SizeUnitLabel() const { return sizeUnit_; }
    QLineEdit* Sample(int slot) const { return samples_[slot]; }
    QPushButton* ColorButton(int slot) const { return colorButtons_[slot]; }
    QPushButton* FontButton() const { return fontButton_; }
    QPushButton* OkButton() const { return okButton_; }

    void accept() override;

  signals:
    // The view applies these at once (with a redraw).
    void listFontChanged(const QFont& font);
    void colorsChanged();

  private:
    void BuildUi();
    void Fill();
    void UpdateEnabled();
    void PaintSamples();
    uint32_t& ColorField(int slot);

    ViewSettings& settings_;
    Prompter& prompter_;
    ColorChooser colorChooser_;
    FontChooser fontChooser_;
    QFont listFont_;
    PreferencesOutcome outcome_;

    QPushButton* fontButton_ = nullptr;
    QPushButton* colorButtons_[kColorSlotCount] = {};
    QLineEdit* samples_[kColorSlotCount] = {};
    QCheckBox* versionBox_ = nullptr;
    QCheckBox* productVersionBox_ = nullptr;
    QCheckBox* timestampBox_ = nullptr;
    QCheckBox* detailTimestampBox_ = nullptr;
    QCheckBox* sizeBox_ = nullptr;
    QCheckBox* compareTimestampBox_ = nullptr;
    QCheckBox* checksumBox_ = nullptr;
    QCheckBox* simplifiedBox_ = nullptr;
    QCheckBox* skipBox_ = nullptr;
    QLineEdit* sizeField_ = nullptr;
    QLabel* sizeUnit_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

// What the view has to do after the dialog. With `accepted` the settings are stored and the
// timestamp widths re-measured; the view then applies `gridlinesEnabled`, and when it has rows it
// runs Refresh2Dirs, RecomputeFileStatuses from the root and FillList with the columns rebuilt.
struct PreferencesResult {
    bool accepted = false;
    PreferencesOutcome outcome;
    // Chosen during the dialog; already in the settings whether or not it was accepted.
    bool fontChanged = false;
    bool colorsChanged = false;
};

// Runs the dialog modally on `settings` (the view's own). `applyNow` is called after every font
// or colour choice so the view can redraw with it while the dialog is still open.
PreferencesResult RunPreferences(QWidget* parent, SettingsStore& store, ViewSettings& settings,
                                 Prompter& prompter, const std::function<void()>& applyNow = {});

}  // namespace quillon
