// Bounds a test's run of the application's event loop: a loop that nothing ends fails the
// test, and exec() returns kOverran, instead of hanging it.
#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>

namespace halix::test {

class EventLoopDeadline {
public:
    // What exec() returns when the deadline ended the loop.
    static constexpr int kOverran = -77;

    // Far beyond the milliseconds a test's loop runs, even on a loaded machine.
    explicit EventLoopDeadline(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        mTimer.setSingleShot(true);
        QObject::connect(&mTimer, &QTimer::timeout, [limit] {
            ADD_FAILURE() << "the event loop was still running after " << limit.count() << " ms";
            QCoreApplication::exit(kOverran);
        });
        mTimer.start(limit);
    }

private:
    QTimer mTimer;
};

} // namespace halix::test
