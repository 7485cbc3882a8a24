// The modeless progress window of long operations. The operation runs on the GUI thread and calls
// Update between steps; Update pumps the event loop so the window repaints and Cancel works.
// Operations update per item, so the window follows the clock rather than the calls: texts are
// set and events pumped at most once per kProgressPumpMs.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string_view>

#include "platform/ProgressLogic.h"
#include "platform/ProgressSink.h"
#include "ui/BusyGate.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillon {

class SettingsStore;

// Often enough for a smooth bar and a Cancel heard at once, rarely enough to cost the work nothing.
inline constexpr int kProgressPumpMs = 30;

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
    // The texts are brought up to date when events are next processed, by whoever processes them.
    void MarkStale();

    ProgressLogic logic_;
    SettingsStore* store_;
    QPointer<QWidget> owner_;
    QLabel* textLabel_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    bool created_ = false;
    bool cancelled_ = false;
    bool stale_ = false;
    bool refreshQueued_ = false;
    // Invalid until the first pump, which is never delayed: a new window shows at once.
    QElapsedTimer sincePump_;
};

// The sink of work below the window's threshold: nothing shown, no Cancel. Update lets the event
// loop turn once kProgressPumpMs have passed since the sink opened or last pumped, so a short read
// pumps nothing; meanwhile the other windows take no input (BusyGate).
class EventPump : public ProgressSink {
  public:
    EventPump();

    void SetRange(uint64_t /*total*/, std::string_view /*text*/, bool /*showCounts*/) override {}
    void SetText(std::string_view /*text*/) override {}
    void StepIt() override {}
    void SetPos(uint64_t /*position*/) override {}
    bool Update(std::string_view text, uint64_t position) override;
    bool Cancelled() const override { return false; }
    void Hide() override {}

  private:
    BusyGate::Scope busy_;
    QElapsedTimer sincePump_;
};

// Opens a shown CProgressWnd owned by `owner` (or the active window), or an EventPump.
class CProgressFactory : public ProgressFactory {
  public:
    CProgressFactory(QWidget* owner, SettingsStore* store) : owner_(owner), store_(store) {}
    std::unique_ptr<ProgressSink> Open(std::string_view caption) override;
    std::unique_ptr<ProgressSink> OpenWindowless() override;

  private:
    QPointer<QWidget> owner_;
    SettingsStore* store_;
};

}  // namespace quillon
