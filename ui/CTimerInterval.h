// "Auto-Refresh Interval": the period of the main frame's auto-refresh timer.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

class QLineEdit;

namespace quillon {

class AutoRefreshTimer;
class Prompter;

// An unsigned 32-bit decimal number, blanks around it allowed.
std::optional<uint32_t> ParseIntervalSeconds(std::string_view text);

class CTimerInterval : public QDialog {
    Q_OBJECT

  public:
    // The range message goes to `prompter`.
    CTimerInterval(QWidget* parent, uint32_t seconds, Prompter& prompter);
    ~CTimerInterval() override;

    // The number as entered; the timer raises it to its floor.
    uint32_t Seconds() const { return seconds_; }
    QLineEdit* IntervalField() const { return field_; }

    void accept() override;

  private:
    uint32_t seconds_;
    Prompter& prompter_;
    QLineEdit* field_ = nullptr;
};

// Runs the dialog on the timer's interval; on OK hands the number to the timer, which raises it
// to 120 seconds at least and stores it. True on OK.
bool RunTimerInterval(QWidget* parent, AutoRefreshTimer& timer, Prompter& prompter);

}  // namespace quillon
