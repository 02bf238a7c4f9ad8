#include "controller/pause.h"

#include <cassert>
#include <limits>

namespace halix {

void countedPause(std::uint32_t limit) {
    assert(limit < std::numeric_limits<std::uint32_t>::max()); // the counter would wrap
    // volatile: an optimising compiler removes an empty loop otherwise.
    volatile std::uint32_t counter = 0;
    while (counter <= limit) {
        counter = counter + 1;
    }
}

} // namespace halix
