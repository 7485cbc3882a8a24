// Holding Tab down while Delete is pressed deletes without backups. Qt tells no key state, so the
// state is followed from Tab's own press and release anywhere in the application. Whatever could
// hide the release from us (the focus moving, a window or the application losing activation)
// forgets it: a stale flag must never turn an ordinary Delete into one that keeps no backup.
#pragma once

#include <QObject>

namespace quillon {

class TabHeldFilter : public QObject {
    Q_OBJECT

  public:
    // Watches the whole application while it lives.
    explicit TabHeldFilter(QObject* parent = nullptr);
    ~TabHeldFilter() override;

    bool Held() const { return held_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool held_ = false;
    quint32 scanCode_ = 0;
};

}  // namespace quillon
