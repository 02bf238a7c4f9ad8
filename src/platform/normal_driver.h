// What the utility relies on from the card's normal driver, and the simulated machine provides:
// its bundle identifier (for unloading it and for its line in the module status table), the
// class of the service it registers for the card, and the registry name of the SCSI devices
// that may hang on it.
#pragma once

#include <string_view>

namespace halix {

// Zero-terminated, so that .data() can be handed to the platform calls.
inline constexpr std::string_view kNormalDriverIdentifier = "com.morvane.driver.OrbaHalix";
inline constexpr std::string_view kNormalDriverClass = "OrbaHalix";
inline constexpr std::string_view kScsiDeviceName = "IOSCSIParallelDevice";

} // namespace halix
