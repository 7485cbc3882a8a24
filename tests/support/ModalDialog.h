// Drives a modal dialog that a function under test opens with exec(): `act` runs on the dialog
// once it is the active modal widget. A dialog that is still open after the watchdog period is
// closed with kModalWatchdogResult, so a test fails instead of hanging. Needs a QApplication.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace quillon::test {

inline constexpr int kModalWatchdogResult = -99;
inline constexpr int kModalWatchdogMs = 5000;

// Ends `dialog` with kModalWatchdogResult if it is still open after the watchdog period.
inline void Watchdog(QDialog& dialog) {
    QTimer::singleShot(kModalWatchdogMs, &dialog, [&dialog] { dialog.done(kModalWatchdogResult); });
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
