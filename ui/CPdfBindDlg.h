// "Custom PDF Rendition": the binder over a list of files and folders or an input text file.
#pragma once

#include <QDialog>
#include <QPointer>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;

namespace quillon {

class ProgressFactory;
class Prompter;
class SettingsStore;

// What "View sample file" shows: an input text file that uses every statement, each explained.
extern const char* const kSampleInputText;

class cPDFBindDlg : public QDialog {
    Q_OBJECT

  public:
    cPDFBindDlg(QWidget* parent, SettingsStore& settings, Prompter& prompter,
                const std::vector<std::string>& entries);

    void AddEntries(const std::vector<std::string>& entries);
    std::vector<std::string> Entries() const;
    // Checks, asks, renders; true when a PDF was made.
    bool Generate();
    int LastCode() const { return lastCode_; }
    // The progress windows of Generate; without one the dialog opens its own.
    void SetProgressFactory(ProgressFactory* factory) { progressFactory_ = factory; }

    // "View sample file": the sample in a read-only window of its own (returned, also kept).
    QDialog* ViewSample();
    // "Edit Input file": the input text file in the text editor; false (and said) when it cannot.
    bool EditInputFile();

    QLineEdit* OutputField() const { return output_; }
    QLineEdit* InputField() const { return input_; }
    QRadioButton* InputChoice() const { return useInput_; }
    QCheckBox* IncludeParentBox() const { return includeParent_; }

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CheckSyntax();
    void SaveSettings();

    SettingsStore& settings_;
    Prompter& prompter_;
    QListWidget* list_ = nullptr;
    QRadioButton* useList_ = nullptr;
    QRadioButton* useInput_ = nullptr;
    QLineEdit* input_ = nullptr;
    QLineEdit* output_ = nullptr;
    QCheckBox* includeExtension_ = nullptr;
    QCheckBox* includeParent_ = nullptr;
    QCheckBox* remember_ = nullptr;
    ProgressFactory* progressFactory_ = nullptr;
    QPointer<QDialog> sample_;
    int lastCode_ = 0;
};

}  // namespace quillon
