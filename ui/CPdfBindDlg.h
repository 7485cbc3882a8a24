// "Custom PDF Rendition": the binder over a list of files and folders or an input text file.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace quillon {

class Prompter;
class SettingsStore;

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

    QLineEdit* OutputField() const { return output_; }
    QLineEdit* InputField() const { return input_; }
    QRadioButton* InputChoice() const { return useInput_; }

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
    QCheckBox* remember_ = nullptr;
    int lastCode_ = 0;
};

}  // namespace quillon
