// The controller tests' fake window, connected as the start-up leaves it: the single outlets
// and the four per-target arrays.
#pragma once

#include "controller/HalixController.h"
#include "controller/fakes/fake_window.h"

namespace halix::bench {

inline void connectAsStarted(HalixController& controller, testing::FakeWindow& window) {
    window.connect(controller);
    for (std::size_t n = 0; n < kTargetCount; ++n) {
        controller.out_maxTransfer.at(n) = ControlRef(window.maxTransfer.at(n));
        controller.out_syncTransfer.at(n) = ControlRef(window.sync.at(n));
        controller.out_disconnect.at(n) = ControlRef(window.disconnect.at(n));
        controller.out_wideTransfer.at(n) = ControlRef(window.wide.at(n));
    }
}

} // namespace halix::bench
