// A controller on fakes with a complete window of in-memory views: every single outlet and
// the 64 tagged per-target controls, found by tag as the start-up finds them.
#pragma once

#include "controller/HalixController.h"
#include "controller/fakes/fake_view.h"

#include <array>

namespace halix::bench {

class BenchWindow {
public:
    BenchWindow();

    // Connects the window's outlets and per-target controls to `controller`.
    void connect(HalixController& controller);

private:
    testing::FakeView root_;
    testing::FakeView* container_;
    testing::FakeView* hostId_;
    testing::FakeView* parity_;
    std::array<testing::FakeView*, 4> terminators_{};
    std::array<testing::FakeView*, 3> versions_{};
};

} // namespace halix::bench
