// "Shell-Menu Configuration": which folder verbs and "Send To" entries the file managers offer.
#pragma once

#include <QDialog>

#include "platform/ShellIntegration.h"

class QCheckBox;
class QPushButton;

namespace quillon {

class Prompter;

class ShellMenu : public QDialog {
    Q_OBJECT

  public:
    // What could not be put in place on OK is shown through `prompter`.
    ShellMenu(QWidget* parent, ShellIntegration& shell, RegistryStore& registry,
              Prompter& prompter);

    QCheckBox* ChoiceBox(ShellChoice choice) const { return boxes_[int(choice)]; }
    QPushButton* ResetPositionsButton() const { return resetPositions_; }

    void accept() override;

  private:
    ShellIntegration& shell_;
    Prompter& prompter_;
    QCheckBox* boxes_[kShellChoiceCount] = {};
    QPushButton* resetPositions_ = nullptr;
};

}  // namespace quillon
