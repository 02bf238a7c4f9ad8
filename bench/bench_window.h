// A controller on fakes with a complete window of in-memory views: every single outlet and
// the 64 tagged per-target controls, found by tag as the start-up finds them.
#pragma once

#include "controller/HalixController.h"
#include "controller/fakes/fake_view.h"

namespace halix::bench {

class BenchWindow {
public:
    BenchWindow();

    // Connects the window's outlets and per-target controls to `controller`.
    void connect(HalixController& controller);

private:
    testing::FakeView root_;
    testing::FakeView* container_ = nullptr;
    testing::FakeView* hostId_ = nullptr;
    testing::FakeView* parity_ = nullptr;
    testing::FakeView* terminators_[4] = {};
    testing::FakeView* versions_[3] = {};
};

} // namespace halix::bench
