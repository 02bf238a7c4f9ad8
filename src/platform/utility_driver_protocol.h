// The user-client contract between the utility and its driver: the service class, the
// connection type, the method indices and their structure sizes. Both sides use this header.
#pragma once

#include <cstdint>
#include <string_view>

namespace halix {

// The utility driver's user-client method indices.
enum IOCDBUserClientCommandCodes : std::uint32_t {
    kGetEEPConfig = 0,
    kSetEEPConfig = 1,
    kGetEEPDefault = 2,
    kEraseFlash = 3,
    kReadFlash = 4,
    kWriteFlash = 5,
    kDataAcquirerNumCommands = 6,
};

// Zero-terminated, so that .data() can be handed to the registry calls.
inline constexpr std::string_view kUtilityDriverClass = "com_morvane_iokit_halixutl_drvr";
inline constexpr std::uint32_t kUtilityConnectionType = 0;
inline constexpr std::uint32_t kRecordStructureSize = 64;
inline constexpr std::uint32_t kFlashChunkSize = 4000;
// A pass of kReadFlash or kWriteFlash calls: chunks start at offsets 0 to 64000, while the
// offset is at most 65535, and the call after a full pass starts at the beginning again.
inline constexpr std::uint32_t kChunksPerPass = 65535 / kFlashChunkSize + 1;
inline constexpr std::uint32_t kEraseDummySize = 2;

} // namespace halix
