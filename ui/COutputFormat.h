// "Output Format Preferences...": what the text report lists, its encoding, file-name style,
// columns and labels, and the output file; OK writes the report.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "reports/ReportOptions.h"
#include "reports/TextReport.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quillon {

class Prompter;
class SettingsStore;

inline constexpr char kOutputNameEmptyMessage[] = "The output filename cannot be empty.";
inline constexpr char kNoOutputMessage[] = "No output created.";
// The question after a report was written: the path in double quotes, then this.
inline constexpr char kOutputCreatedQuestion[] =
    " has been successfully created...\nDo you want to view it?";

class COutputFormat : public QDialog {
    Q_OBJECT

  public:
    // Opens a written report for viewing; false when nothing could be started.
    using ViewFile = std::function<bool(const std::string& path)>;
    // The save-file chooser: the chosen path, or empty when cancelled.
    using FileChooser = std::function<std::string(QWidget* parent, const std::string& folder)>;

    // Loads the options from `store` (writing each one back). `input` is the comparison's rows in
    // display order and must outlive the dialog. Messages and the question go to `prompter`.
    COutputFormat(QWidget* parent, SettingsStore& store, const ReportInput& input,
                  ViewFile viewFile, Prompter& prompter);
    ~COutputFormat() override;

    void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }

    // The options as the controls show them.
    ReportOptions Options() const;
    QString SampleText() const;
    // The browse button's work: choose a file and take its path and folder.
    void Browse();

    QComboBox* ContentCombo() const { return contentCombo_; }
    QComboBox* EncodingCombo() const { return encodingCombo_; }
    QComboBox* FileNameCombo() const { return fileNameCombo_; }
    QCheckBox* VersionColumnBox() const { return versionColumn_; }
    QCheckBox* VersionLabelBox() const { return versionLabel_; }
    QCheckBox* TimeColumnBox() const { return timeColumn_; }
    QCheckBox* TimeLabelBox() const { return timeLabel_; }
    QCheckBox* HhmmBox() const { return hhmm_; }
    QCheckBox* SizeColumnBox() const { return sizeColumn_; }
    QCheckBox* SizeLabelBox() const { return sizeLabel_; }
    QCheckBox* BytesLabelBox() const { return bytesLabel_; }
    QCheckBox* StatusLabelBox() const { return statusLabel_; }
    QLineEdit* OutputFileField() const { return outputFile_; }
    QPushButton* BrowseButton() const { return browseButton_; }

    void accept() override;

  private:
    void SetOutputFile(const std::string& path);
    void BuildUi();
    void Fill(const ReportOptions& options);
    void UpdateSample();
    void UpdateEnabled();

    SettingsStore& store_;
    const ReportInput& input_;
    ViewFile viewFile_;
    Prompter& prompter_;
    FileChooser fileChooser_;
    // Folder of the last chosen file; kept with the options.
    std::string outputPath_;
    // The file name's bytes (not necessarily UTF-8), used while the field still shows them.
    std::string outputFileBytes_;
    QString outputFileShown_;

    QComboBox* contentCombo_ = nullptr;
    QComboBox* encodingCombo_ = nullptr;
    QComboBox* fileNameCombo_ = nullptr;
    QCheckBox* versionColumn_ = nullptr;
    QCheckBox* versionLabel_ = nullptr;
    QCheckBox* timeColumn_ = nullptr;
    QCheckBox* timeLabel_ = nullptr;
    QCheckBox* hhmm_ = nullptr;
    QCheckBox* sizeColumn_ = nullptr;
    QCheckBox* sizeLabel_ = nullptr;
    QCheckBox* bytesLabel_ = nullptr;
    QCheckBox* statusLabel_ = nullptr;
    QPlainTextEdit* sample_ = nullptr;
    QLineEdit* outputFile_ = nullptr;
    QPushButton* browseButton_ = nullptr;
};

// Runs the dialog modally; true when it closed with OK (whether or not the file could be written).
bool RunOutputFormat(QWidget* parent, SettingsStore& store, const ReportInput& input,
                     const COutputFormat::ViewFile& viewFile, Prompter& prompter);

}  // namespace quillon
