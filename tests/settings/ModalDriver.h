#pragma once

// A way to work a modal dialog from the test while the code under test waits in it.

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace tavelo::test {

// Runs `act` on the next modal dialog of type D once it is up; `act` must end the dialog.
// Looks for about five seconds, then gives up (`ran` stays false for the test to check).
template <class D>
void WhenModal(std::function<void(D&)> act, bool* ran = nullptr) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries, ran] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            if (++*tries > 1000) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (ran != nullptr) {
            *ran = true;
        }
        act(*dialog);
    });
    timer->start();
}

}  // namespace tavelo::test
