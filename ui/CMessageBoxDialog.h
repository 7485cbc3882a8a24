// The message box of the whole program: more button sets than the standard one, a Help button, a
// default button, an optional countdown, and a check box that silences the box for the session.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "platform/MessageBoxLogic.h"
#include "platform/Prompter.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace quillon {

class SettingsStore;

class CMessageBoxDialog : public QDialog {
    Q_OBJECT

  public:
    // Without a store nothing is remembered and no remembered answer is consulted.
    CMessageBoxDialog(QWidget* parent, const PromptRequest& request, SettingsStore* store);
    CMessageBoxDialog(QWidget* parent, const std::string& message, const std::string& caption,
                      uint32_t style, SettingsStore* store, const std::string& key = {}, int id = 0,
                      const std::string& helpTopic = {});

    // The remembered answer without showing anything, or the button the user chose.
    int DoModal();
    // Non-blocking twin of DoModal: the remembered answer, or nothing while the box is shown;
    // the result then arrives through finished(int).
    std::optional<int> OpenBox();

    const MessageBoxLogic& Logic() const { return logic_; }
    QPushButton* Button(size_t index) const { return buttons_.at(index); }
    size_t ButtonCount() const { return buttons_.size(); }
    QPushButton* ButtonFor(int result) const;
    // Null when the style asks for no check box.
    QCheckBox* CheckBox() const { return checkBox_; }
    QLabel* MessageLabel() const { return messageLabel_; }

    void reject() override;

  signals:
    void helpRequested(const QString& topic);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildUi();
    void OnButton(size_t index);
    void OnTick();
    void EndWith(int result);
    void SetControlsEnabled(bool enabled);

    MessageBoxLogic logic_;
    SettingsStore* store_;
    std::vector<QPushButton*> buttons_;
    QCheckBox* checkBox_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    // A child named "countdown", so its one-second ticks can be found and fired without waiting.
    QTimer* timer_ = nullptr;
};

// Prompter for the core: one CMessageBoxDialog per question, owned by the given window (or the
// active one when none is given).
class MessageBoxPrompter : public Prompter {
  public:
    MessageBoxPrompter(QWidget* parent, SettingsStore* store) : parent_(parent), store_(store) {}
    int Ask(const PromptRequest& request) override;

  private:
    QWidget* parent_;
    SettingsStore* store_;
};

}  // namespace quillon
