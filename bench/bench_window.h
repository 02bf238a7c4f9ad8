// The controller tests' fake window, connected as the start-up leaves it: the single outlets
// and every per-target column.
#pragma once

#include "controller/fakes/fake_window.h"
#include "controller/halix_controller.h"

namespace halix::bench {

inline void connectAsStarted(HalixController& controller, testing::FakeWindow& window) {
    window.connect(controller);
    for (std::size_t column = 0; column < kTargetSettingCount; ++column) {
        for (std::size_t n = 0; n < kTargetCount; ++n) {
            controller.mTargetControls.at(column).at(n) =
                ControlRef(window.targets.at(column).at(n));
        }
    }
}

} // namespace halix::bench
