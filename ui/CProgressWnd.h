// The modeless progress window of long operations. The operation runs on the GUI thread and calls
// Update between steps; Update pumps the event loop so the window repaints and Cancel works.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string_view>

#include "platform/ProgressLogic.h"
#include "platform/ProgressSink.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillon {

class SettingsStore;

class CProgressWnd : public QWidget, public ProgressSink {
    Q_OBJECT

  public:
    // The window has no Qt parent: its owner may go away first, and whoever holds the window
    // (often a unique_ptr) deletes it. Without a store the position is neither read nor saved.
    explicit CProgressWnd(SettingsStore* store);
    ~CProgressWnd() override;

    // Places and shows the window, owned by `parent` or else the active window.
    bool Create(QWidget* parent, std::string_view caption = kProgressCaption, bool smooth = false);
    // Saves the position and hides; later calls do nothing.
    void DestroyWindow();

    void SetUnitText(std::string_view unit);

    void SetRange(uint64_t total, std::string_view text, bool showCounts) override;
    void SetText(std::string_view text) override;
    void StepIt() override;
    void SetPos(uint64_t position) override;
    bool Update(std::string_view text, uint64_t position) override;
    bool Cancelled() const override { return cancelled_; }
    void Hide() override { hide(); }

    const ProgressLogic& Logic() const { return logic_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QProgressBar* Bar() const { return bar_; }
    QLabel* TextLabel() const { return textLabel_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Place();
    void Refresh();

    ProgressLogic logic_;
    SettingsStore* store_;
    QPointer<QWidget> owner_;
    QLabel* textLabel_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    bool created_ = false;
    bool cancelled_ = false;
};

// Opens a shown CProgressWnd owned by `owner` (or the active window).
class CProgressFactory : public ProgressFactory {
  public:
    CProgressFactory(QWidget* owner, SettingsStore* store) : owner_(owner), store_(store) {}
    std::unique_ptr<ProgressSink> Open(std::string_view caption) override;

  private:
    QPointer<QWidget> owner_;
    SettingsStore* store_;
};

}  // namespace quillon
