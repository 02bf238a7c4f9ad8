#include "sim/tools/sim_authorization.h"

#include "sim/tools/journal_format.h"
#include "sim/tools/machine_tool.h"
#include "sim/tools/privileged_process.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

// Qt's own no-op marker, spelled as Qt spells it, for the one tool that reads it: lupdate
// offers the note below for translation in the window. Here it is a plain string.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define QT_TRANSLATE_NOOP(scope, x) x

namespace halix::sim {

namespace {
constexpr OSStatus errAuthorizationInvalidSet = -60001;
constexpr OSStatus errAuthorizationInteractionNotAllowed = -60007;
constexpr OSStatus errAuthorizationInternal = -60008;

// A person meeting the prompt learns where the password is told, not only from the README.
// It names the place instead of the password: no password shows in the utility's output.
constexpr const char* kPasswordNote =
    QT_TRANSLATE_NOOP("halix::AuthenticationNote",
                      "On the simulated machine, \"halix-sim --help\" tells the password of a "
                      "new machine, and \"halix-sim auth\" sets another.");

} // namespace

SimAuthorization::SimAuthorization(Machine& machine, AuthenticationPrompt& prompt)
    : mMachine(machine), mPrompt(prompt) {}

SimAuthorization::Record* SimAuthorization::find(AuthorizationRef authorization) {
    for (const std::unique_ptr<Record>& record : mRecords) {
        if (reinterpret_cast<AuthorizationRef>(record.get()) == authorization) {
            return record.get();
        }
    }
    return nullptr;
}

OSStatus SimAuthorization::AuthorizationCreate(const AuthorizationRights* rights,
                                               const AuthorizationEnvironment* environment,
                                               AuthorizationFlags flags,
                                               AuthorizationRef* authorization) {
    if (authorization == nullptr) {
        return errAuthorizationInvalidRef;
    }
    mRecords.push_back(std::make_unique<Record>());
    auto* const ref = reinterpret_cast<AuthorizationRef>(mRecords.back().get());
    if (rights != nullptr && rights->count > 0) {
        const OSStatus status = AuthorizationCopyRights(ref, rights, environment, flags, nullptr);
        if (status != errAuthorizationSuccess) {
            mRecords.pop_back();
            *authorization = nullptr;
            return status;
        }
    }
    *authorization = ref;
    return errAuthorizationSuccess;
}

OSStatus SimAuthorization::AuthorizationCopyRights(AuthorizationRef authorization,
                                                   const AuthorizationRights* rights,
                                                   const AuthorizationEnvironment* /*environment*/,
                                                   AuthorizationFlags flags,
                                                   AuthorizationRights** authorizedRights) {
    if (authorizedRights != nullptr) {
        *authorizedRights = nullptr;
    }
    Record* record = find(authorization);
    if (record == nullptr) {
        return errAuthorizationInvalidRef;
    }
    if (rights == nullptr || (rights->count > 0 && rights->items == nullptr)) {
        return errAuthorizationInvalidSet;
    }
    for (std::uint32_t i = 0; i < rights->count; ++i) {
        const char* name = rights->items[i].name;
        if (name == nullptr) {
            return errAuthorizationInvalidSet;
        }
        // The machine knows one right; anything else is not the administrator's to give.
        if (std::strcmp(name, kAuthorizationRightAdmin) != 0) {
            return errAuthorizationDenied;
        }
        const OSStatus status = obtainAdministratorRight(*record, flags);
        if (status != errAuthorizationSuccess) {
            return status;
        }
    }
    return errAuthorizationSuccess;
}

OSStatus SimAuthorization::obtainAdministratorRight(Record& record, AuthorizationFlags flags) {
    AuthPolicy policy = AuthPolicy::Ask;
    {
        // Only for reading the policy: the prompt below must not block other programs.
        const Machine::LockedState locked = mMachine.lockState(LockMode::Shared);
        if (!locked.state) {
            return errAuthorizationInternal;
        }
        policy = (*locked.state)->authPolicy;
    }
    switch (policy) {
    case AuthPolicy::Grant:
        record.adminHeld = true;
        return errAuthorizationSuccess;
    case AuthPolicy::Deny:
        return errAuthorizationDenied;
    case AuthPolicy::Ask:
        break;
    }
    if (record.adminHeld) {
        return errAuthorizationSuccess;
    }
    if ((flags & kAuthorizationFlagInteractionAllowed) == 0) {
        return errAuthorizationInteractionNotAllowed;
    }
    switch (mPrompt.authenticate(
        [this](std::string_view password) { return isAdministratorPassword(password); },
        kPasswordNote)) {
    case AuthenticationOutcome::Granted:
        record.adminHeld = true;
        return errAuthorizationSuccess;
    case AuthenticationOutcome::Cancelled:
        return errAuthorizationCanceled;
    case AuthenticationOutcome::Refused:
        break;
    }
    return errAuthorizationDenied;
}

bool SimAuthorization::isAdministratorPassword(std::string_view password) {
    const Machine::LockedState locked = mMachine.lockState(LockMode::Shared);
    return locked.state && password == (*locked.state)->adminPassword;
}

void SimAuthorization::journalRefusal(const char* pathToTool, const char* const* arguments) {
    std::string line = pathToTool != nullptr ? pathToTool : "(no tool)";
    for (const char* const* argument = arguments; argument != nullptr && *argument != nullptr;
         ++argument) {
        line += ' ' + quoteForJournal(*argument);
    }
    line += " refused";
    const MachineLock held = mMachine.lock(LockMode::Exclusive);
    mMachine.appendJournal(line);
}

OSStatus SimAuthorization::AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                              const char* pathToTool,
                                                              AuthorizationFlags /*options*/,
                                                              const char* const* arguments,
                                                              FilePtr* communicationsPipe) {
    const Record* record = find(authorization);
    if (record == nullptr) {
        return errAuthorizationInvalidRef;
    }
    if (!record->adminHeld) {
        journalRefusal(pathToTool, arguments);
        return errAuthorizationDenied;
    }
    const std::string tool = pathToTool != nullptr ? pathToTool : "";
    const UniqueFd executable = openMachineTool(mMachine.directoryFd(), tool, mMachine.toolPath());
    if (!executable) {
        journalRefusal(pathToTool, arguments);
        return errAuthorizationToolExecuteFailure;
    }
    // The multi-call tool executable tells the tools apart by the base name of argv[0].
    ChildCommand command{executable.get(),
                         mMachine.directory() + tool,
                         {},
                         {"HALIX_MACHINE=" + mMachine.directory()},
                         mCloseGrace};
    for (const char* const* argument = arguments; argument != nullptr && *argument != nullptr;
         ++argument) {
        command.arguments.emplace_back(*argument);
    }
    Result<FilePtr> started = startChildWithOutputStream(command);
    if (!started) {
        journalRefusal(pathToTool, arguments);
        return errAuthorizationToolExecuteFailure;
    }
    FilePtr stream = std::move(*started);
    if (communicationsPipe != nullptr) {
        *communicationsPipe = std::move(stream);
    } else {
        // Nobody reads the output: let the tool finish rather than cut it off.
        std::array<char, 4096> discard{};
        while (std::fread(discard.data(), 1, discard.size(), stream.get()) > 0) {
        }
    }
    return errAuthorizationSuccess;
}

} // namespace halix::sim
