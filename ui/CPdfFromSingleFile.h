// "Rendering a file to PDF": one file straight to PDF by the converter.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quillon {

class Launcher;
class Prompter;
class SettingsStore;

// The output row both rendition dialogs have: the PDF's name, a Browse button that asks for it,
// and "Remember this output location for future PDF rendition." as stored.
struct PdfOutputRow {
    QLineEdit* path = nullptr;
    QPushButton* browse = nullptr;
    QCheckBox* remember = nullptr;
};
PdfOutputRow MakePdfOutputRow(QWidget* parent, const QString& path, const QString& browseText,
                              SettingsStore& settings);

class cPDFFromSingleFile : public QDialog {
    Q_OBJECT

  public:
    cPDFFromSingleFile(QWidget* parent, SettingsStore& settings, Prompter& prompter,
                       Launcher& launcher, const std::string& source);

    QLineEdit* OutputField() const { return output_; }
    void accept() override;

  private:
    SettingsStore& settings_;
    Prompter& prompter_;
    Launcher& launcher_;
    std::string source_;
    QLineEdit* output_ = nullptr;
    QCheckBox* remember_ = nullptr;
};

}  // namespace quillon
