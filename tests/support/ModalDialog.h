// Runs `act` on the modal dialog the code under test exec()s; a watchdog ends it (-99) if open.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace quillon::test {

// Ends `dialog` with -99 if it is still open after five seconds.
inline void Watchdog(QDialog& dialog) {
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(-99); });
}

inline void WhenModal(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            Watchdog(*dialog);
            act(*dialog);
        }
    });
}

}  // namespace quillon::test
