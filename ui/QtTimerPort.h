// The auto-refresh timer's port on the GUI thread: one repeating QTimer per timer id, whose ticks
// are handed to a callback with that id.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>

#include "core/AutoRefresh.h"

class QTimer;

namespace quillon {

class QtTimerPort : public QObject, public TimerPort {
    Q_OBJECT

  public:
    explicit QtTimerPort(std::function<void(uint32_t id)> onTick, QObject* parent = nullptr);
    ~QtTimerPort() override;

    void StartTimer(uint32_t id, uint32_t intervalMs) override;
    void StopTimer(uint32_t id) override;

    bool IsActive(uint32_t id) const;
    // The period the timer was last started with, 0 when it never was.
    int IntervalMs(uint32_t id) const;

  private:
    QTimer* TimerFor(uint32_t id);

    std::function<void(uint32_t)> onTick_;
    std::map<uint32_t, QTimer*> timers_;
};

}  // namespace quillon
