#include "ui/TabHeld.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace quillon {

TabHeldFilter::TabHeldFilter(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

TabHeldFilter::~TabHeldFilter() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TabHeldFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Tab) {
                held_ = true;
                scanCode_ = key->nativeScanCode();
            }
            break;
        }
        case QEvent::KeyRelease: {
            // A held key repeats as release and press pairs; only the last release counts. With
            // Shift pressed meanwhile the same key comes up as Backtab.
            auto* key = static_cast<QKeyEvent*>(event);
            const bool tabKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                                (scanCode_ != 0 && key->nativeScanCode() == scanCode_);
            if (tabKey && !key->isAutoRepeat()) {
                held_ = false;
            }
            break;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::ApplicationDeactivate:
        case QEvent::ApplicationStateChange:
            held_ = false;
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quillon
