#include "ui/EscExit.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

namespace quillon {

EscExit::EscExit(QAbstractScrollArea* list) : QObject(list) {
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { armed_ = false; });
    connect(list->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { armed_ = false; });
    qApp->installEventFilter(this);
}

EscExit::~EscExit() {
    qApp->removeEventFilter(this);
}

bool EscExit::Press() {
    armed_ = !armed_;
    return !armed_;
}

bool EscExit::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
                armed_ = false;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            armed_ = false;
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quillon
