// Status codes the simulated registry and driver answer with, beyond those the utility
// itself names.
#pragma once

#include "platform/iokit.h"

namespace halix::sim {

inline constexpr kern_return_t KERN_INVALID_ARGUMENT = 4;
inline constexpr kern_return_t kIOReturnNoDevice = static_cast<kern_return_t>(0xe00002c0);
inline constexpr kern_return_t kIOReturnBadArgument = static_cast<kern_return_t>(0xe00002c2);
inline constexpr kern_return_t kIOReturnUnsupported = static_cast<kern_return_t>(0xe00002c7);
inline constexpr kern_return_t kIOReturnNotFound = static_cast<kern_return_t>(0xe00002f0);

} // namespace halix::sim
