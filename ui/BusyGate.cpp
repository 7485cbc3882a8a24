#include "ui/BusyGate.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QShortcut>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "ui/CProgressWnd.h"

namespace quillon {
namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::ToolTip:
        case QEvent::WhatsThis:
        case QEvent::Close:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
        case QEvent::Gesture:
            return true;
        default:
            return false;
    }
}

class Gate : public QObject {
  public:
    int depth = 0;
    std::vector<QPointer<QWidget>> held;

    void Hold() {
        held.clear();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!qobject_cast<CProgressWnd*>(window)) {
                held.emplace_back(window);
            }
        }
    }

    bool HeldWindow(const QWidget* window) const {
        for (const QPointer<QWidget>& w : held) {
            if (w == window) {
                return true;
            }
        }
        return false;
    }

    bool Refused(QObject* receiver) const {
        if (auto* widget = qobject_cast<QWidget*>(receiver)) {
            return HeldWindow(widget->window());
        }
        if (auto* window = qobject_cast<QWindow*>(receiver)) {
            for (const QPointer<QWidget>& w : held) {
                if (w && w->windowHandle() == window) {
                    return true;
                }
            }
            return false;
        }
        if (auto* action = qobject_cast<QAction*>(receiver)) {
            // An action that no window shows could be a command of the whole application.
            bool shown = false;
            for (QObject* object : action->associatedObjects()) {
                if (auto* widget = qobject_cast<QWidget*>(object)) {
                    shown = true;
                    if (HeldWindow(widget->window())) {
                        return true;
                    }
                }
            }
            return !shown;
        }
        if (auto* shortcut = qobject_cast<QShortcut*>(receiver)) {
            auto* owner = qobject_cast<QWidget*>(shortcut->parent());
            return owner == nullptr || HeldWindow(owner->window());
        }
        return false;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!IsInput(event->type()) || !Refused(watched)) {
            return false;
        }
        // An accepted override keeps the key from being looked up as a shortcut; everything else
        // is declined, so a close request or a drag is refused rather than taken.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
        } else {
            event->ignore();
        }
        return true;
    }
};

Gate& TheGate() {
    static Gate gate;
    return gate;
}

}  // namespace

void BusyGate::Enter() {
    Gate& gate = TheGate();
    if (gate.depth++ > 0 || !qApp) {
        return;
    }
    gate.Hold();
    qApp->installEventFilter(&gate);
}

void BusyGate::Leave() {
    Gate& gate = TheGate();
    if (gate.depth == 0 || --gate.depth > 0) {
        return;
    }
    if (qApp) {
        qApp->removeEventFilter(&gate);
    }
    gate.held.clear();
}

bool BusyGate::Busy() {
    return TheGate().depth > 0;
}

}  // namespace quillon
