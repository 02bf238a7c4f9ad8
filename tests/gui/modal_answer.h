// Answers a modal dialog from inside its own event loop: the test's stand-in for the person.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace halix::test {

// Calls `answer` with the modal widget as soon as one is running.
inline void whenModalOpens(std::function<void(QWidget* modal)> answer) {
    auto* timer = new QTimer(QApplication::instance());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
}

} // namespace halix::test
