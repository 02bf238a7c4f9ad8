// Running programs: through the shell counting output lines, and with administrator rights
// copying their output to the system log; the authorization set-up and the password panel.
#include "controller/halix_controller.h"

#include <cstdio>
#include <memory>

namespace halix {

namespace {

// The administrator right, and an environment whose two items never carry values.
AuthorizationItem rights[] = {{kAuthorizationRightAdmin, 0, nullptr, 0}};
AuthorizationItem environment[] = {{"username", 0, nullptr, 0}, {"password", 0, nullptr, 0}};
AuthorizationRights rightSet = {1, rights};
AuthorizationEnvironment environmentSet = {2, environment};

struct ShellPipeCloser {
    void operator()(std::FILE* stream) const { pclose(stream); }
};
using ShellPipe = std::unique_ptr<std::FILE, ShellPipeCloser>;

constexpr std::size_t kLogPieceBuffer = 1024;

} // namespace

void HalixController::setUpAuthorization() {
    Authorization& authorization = mPlatform.authorization;
    authorization.AuthorizationCreate(nullptr, nullptr, kAuthorizationFlagDefaults, &mAuthRef);
    pause(kStartupPauseLimit);
    authorization.AuthorizationCopyRights(
        mAuthRef, &rightSet, nullptr,
        kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights, nullptr);
    pause(kStartupPauseLimit);
    authorization.AuthorizationCopyRights(mAuthRef, &rightSet, &environmentSet,
                                          kAuthorizationFlagExtendRights, nullptr);
}

int HalixController::execLog(const char* command) {
    const std::string commandLine = std::string(command) + " 2>&1";
    return doExecLog(commandLine.c_str());
}

// A member by design, like the controller's other commands, though it needs no state.
// NOLINTNEXTLINE(readability-convert-member-functions-to-static)
int HalixController::doExecLog(const char* commandLine) {
    const ShellPipe pipe(popen(commandLine, "r"));
    if (!pipe) {
        return 0;
    }
    // Only complete lines count: a last line without its newline is not one.
    int lines = 0;
    std::array<char, 2> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) {
        if (buffer[0] == '\n') {
            ++lines;
        }
    }
    return lines;
}

bool HalixController::authLog(const char* tool, const char* const* arguments) {
    FilePtr pipe;
    if (mPlatform.authorization.AuthorizationExecuteWithPrivileges(
            mAuthRef, tool, kAuthorizationFlagDefaults, arguments, &pipe) !=
            errAuthorizationSuccess ||
        !pipe) {
        return false;
    }
    // One entry per piece: a line, or 1023 bytes of a longer one.
    std::array<char, kLogPieceBuffer> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) {
        mPlatform.foundation.NSLog(buffer.data());
    }
    (void)std::fflush(stdout);
    return true;
}

void HalixController::dlgOk(const void* /*sender*/) {
    mPlatform.application.stopModal();
}

void HalixController::dlgCancel(const void* /*sender*/) {
    mPlatform.application.abortModal();
    mPlatform.application.terminate(this);
}

} // namespace halix
