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
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab) {
                held_ = true;
            }
            break;
        case QEvent::KeyRelease: {
            // A held key repeats as release and press pairs; only the last release counts.
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Tab && !key->isAutoRepeat()) {
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
