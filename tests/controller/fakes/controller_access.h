// The controller's own state, for tests, benchmarks and fuzzers that start a scenario from a
// given record or authorization: the controller's methods are the only other way in.
#pragma once

#include "controller/halix_controller.h"

namespace halix::testing {

struct ControllerAccess {
    static NVRAM& nvram(HalixController& controller) { return controller.mNvram; }
    static std::optional<NVRAM>& cardRecord(HalixController& controller) {
        return controller.mCardRecord;
    }
    static AuthorizationRef& authRef(HalixController& controller) { return controller.mAuthRef; }
};

} // namespace halix::testing
