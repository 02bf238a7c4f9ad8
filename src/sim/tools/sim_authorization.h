// The authorization service of the simulated machine: the administrator right, granted by
// the machine's policy or by the person through the front end's prompt, and privileged
// runs of the machine's tools.
#pragma once

#include "platform/authorization.h"
#include "sim/machine/machine.h"

#include <chrono>
#include <memory>
#include <vector>

namespace halix::sim {

class SimAuthorization final : public Authorization {
public:
    SimAuthorization(Machine& machine, AuthenticationPrompt& prompt);

    OSStatus AuthorizationCreate(const AuthorizationRights* rights,
                                 const AuthorizationEnvironment* environment,
                                 AuthorizationFlags flags,
                                 AuthorizationRef* authorization) override;
    OSStatus AuthorizationCopyRights(AuthorizationRef authorization,
                                     const AuthorizationRights* rights,
                                     const AuthorizationEnvironment* environment,
                                     AuthorizationFlags flags,
                                     AuthorizationRights** authorizedRights) override;
    // Runs <machine directory><pathToTool> when it is the machine's own link to its tool
    // executable, reached without following a link (machine_tool.h); anything else is
    // refused as a missing tool. The tool finds its machine in HALIX_MACHINE.
    OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                const char* pathToTool, AuthorizationFlags options,
                                                const char* const* arguments,
                                                FilePtr* communicationsPipe) override;

    // How long closing a tool's stream waits for a tool that neither ends nor writes.
    void setCloseGrace(std::chrono::milliseconds grace) { mCloseGrace = grace; }

private:
    struct Record {
        bool adminHeld = false;
    };
    Record* find(AuthorizationRef authorization);
    OSStatus obtainAdministratorRight(Record& record, AuthorizationFlags flags);
    bool isAdministratorPassword(std::string_view password);
    void journalRefusal(const char* pathToTool, const char* const* arguments);

    Machine& mMachine;
    AuthenticationPrompt& mPrompt;
    std::vector<std::unique_ptr<Record>> mRecords;
    std::chrono::milliseconds mCloseGrace{5000};
};

} // namespace halix::sim
