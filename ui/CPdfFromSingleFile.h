// "Rendering a file to PDF": one file straight to PDF by the converter.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;

namespace quillon {

class Launcher;
class Prompter;
class SettingsStore;

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
