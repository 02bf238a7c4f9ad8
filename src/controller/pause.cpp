#include "controller/pause.h"

namespace halix {

void countedPause(std::uint32_t limit) {
    // volatile: an optimising compiler removes an empty loop otherwise.
    for (volatile std::uint32_t counter = 0; counter <= limit; counter = counter + 1) {
        if (counter == limit) {
            break; // limit 0xFFFFFFFF would otherwise never end
        }
    }
}

} // namespace halix
