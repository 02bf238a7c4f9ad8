// The fuzz targets' assertion: a property that does not hold is a finding, reported with
// the property and ended the way libFuzzer records a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace halix::fuzz {

inline void check(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "fuzz property violated: %s\n", property);
        std::abort();
    }
}

} // namespace halix::fuzz
