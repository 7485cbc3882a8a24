#include "ui/QtTimerPort.h"

#include <QTimer>
#include <limits>

#include "ui/BusyGate.h"

namespace quillon {

QtTimerPort::QtTimerPort(std::function<void(uint32_t)> onTick, QObject* parent)
    : QObject(parent), onTick_(std::move(onTick)) {}

QtTimerPort::~QtTimerPort() = default;

QTimer* QtTimerPort::TimerFor(uint32_t id) {
    auto found = timers_.find(id);
    if (found != timers_.end()) {
        return found->second;
    }
    auto* timer = new QTimer(this);
    // Minutes-long periods need no precision, and a coarse timer lets the system batch wake-ups.
    timer->setTimerType(Qt::VeryCoarseTimer);
    connect(timer, &QTimer::timeout, this, [this, id] {
        // A tick that arrives while long work pumps events would start a refresh inside it.
        if (onTick_ && !BusyGate::Busy()) {
            onTick_(id);
        }
    });
    timers_.emplace(id, timer);
    return timer;
}

void QtTimerPort::StartTimer(uint32_t id, uint32_t intervalMs) {
    const uint32_t limit = static_cast<uint32_t>(std::numeric_limits<int>::max());
    TimerFor(id)->start(static_cast<int>(intervalMs < limit ? intervalMs : limit));
}

void QtTimerPort::StopTimer(uint32_t id) {
    auto found = timers_.find(id);
    if (found != timers_.end()) {
        found->second->stop();
    }
}

bool QtTimerPort::IsActive(uint32_t id) const {
    auto found = timers_.find(id);
    return found != timers_.end() && found->second->isActive();
}

int QtTimerPort::IntervalMs(uint32_t id) const {
    auto found = timers_.find(id);
    return found != timers_.end() ? found->second->interval() : 0;
}

}  // namespace quillon
