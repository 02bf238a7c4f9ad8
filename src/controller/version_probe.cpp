// Reading a loaded driver's version from the module status tool's output.
#include "controller/halix_controller.h"
#include "controller/version_text.h"

#include <cstdio>
#include <cstring>

namespace halix {

namespace {
constexpr const char* kModuleStatusTools[] = {"/usr/sbin/kmodstat", "/usr/sbin/kextstat"};
constexpr std::size_t kLinePieceBuffer = 512;
} // namespace

std::string HalixController::getBiosVersion(const char* targetDriver) {
    const char* const noArguments[] = {nullptr};
    std::string matchingLine;
    for (const char* tool : kModuleStatusTools) {
        FilePtr pipe;
        if (mPlatform.authorization.AuthorizationExecuteWithPrivileges(
                mAuthRef, tool, kAuthorizationFlagDefaults, noArguments, &pipe) !=
                errAuthorizationSuccess ||
            !pipe) {
            continue; // the next tool only when this one cannot be started
        }
        // Pieces of at most 511 bytes, each searched on its own; the first match ends the
        // reading, and the rest of the output is not read.
        std::array<char, kLinePieceBuffer> piece{};
        while (std::fgets(piece.data(), piece.size(), pipe.get()) != nullptr) {
            mPlatform.foundation.NSLog(piece.data());
            if (*targetDriver != '\0' && std::strstr(piece.data(), targetDriver) != nullptr) {
                matchingLine = piece.data();
                break;
            }
        }
        (void)std::fflush(stdout);
        break;
    }
    const std::optional<std::string> version = versionInLine(matchingLine);
    if (!version) {
        return "0";
    }
    mPlatform.foundation.NSLog(*version);
    return *version;
}

} // namespace halix
