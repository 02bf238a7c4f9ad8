// Answers a modal dialog from inside its own event loop: the test's stand-in for the person.
// Nothing waits without bound: a dialog that never opens, or that the answer leaves open,
// fails the test after kModalDeadline, and a dialog left open is rejected so that the code
// waiting on it goes on.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace halix::test {

// Far beyond the milliseconds a dialog takes to open and close, even on a loaded machine,
// and well inside the time ctest gives a whole test.
inline constexpr std::chrono::milliseconds kModalDeadline{30000};

// Calls `answer` with the modal widget as soon as one is running, then watches that the
// answer closed it.
inline void whenModalOpens(std::function<void(QWidget* modal)> answer) {
    auto* timer = new QTimer(QApplication::instance());
    timer->setInterval(5);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(timer, &QTimer::timeout,
                     [timer, waited, answer = std::move(answer), answered = false,
                      dialog = QPointer<QWidget>()]() mutable {
                         const auto finish = [timer] {
                             timer->stop();
                             timer->deleteLater();
                         };
                         const bool overdue = waited.hasExpired(kModalDeadline.count());
                         if (!answered) {
                             QWidget* modal = QApplication::activeModalWidget();
                             if (modal != nullptr) {
                                 // Set first: the answer may run event loops that call back in
                                 // here.
                                 answered = true;
                                 dialog = modal;
                                 answer(modal);
                             } else if (overdue) {
                                 ADD_FAILURE() << "no modal dialog opened within "
                                               << kModalDeadline.count() << " ms";
                                 finish();
                             }
                             return;
                         }
                         if (dialog.isNull() || !dialog->isVisible()) {
                             finish();
                         } else if (overdue) {
                             ADD_FAILURE() << "the answer left the dialog open for "
                                           << kModalDeadline.count() << " ms";
                             if (auto* box = qobject_cast<QDialog*>(dialog.data())) {
                                 box->reject();
                             } else {
                                 dialog->close();
                             }
                             finish();
                         }
                     });
    timer->start();
}

} // namespace halix::test
